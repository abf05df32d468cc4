// Class factories of an in-process automation server. The module lists its creatable classes in a constexpr
// table (class id, ProgID, how to make one); its application object registers the table at start-up, and
// the entry points hand class object requests and registration to the functions here:
//
//   constexpr fw::AutomationClass automationClasses[] = {
//       {&CLSID_Extension, "Ulnara19.Extension", &fw::CreateObject<Extension>},
//   };
//   BOOL CUlnaraApp::InitInstance() { COleObjectFactory::RegisterAll(automationClasses); return TRUE; }
//
// Factories are not single-instance: every CreateInstance makes a new object. A factory handed out counts
// as a live object of the module until its last reference goes, as the platform's unloading rules expect.
#pragma once

#include "framework/automation.h"

#include <windows.h>

#include <span>
#include <string>

namespace fw {

struct AutomationClass {
    const CLSID* classId;
    const char* progId;
    ComPtr<IDispatch> (*create)();   // may throw
};

template <typename Object>
ComPtr<IDispatch> CreateObject()
{
    return Make<Object>();
}

// Writes one class's registration below a classes root (HKEY_CLASSES_ROOT or a hive's Software\Classes):
// ProgID to class id, class id to ProgID, the in-process server path with apartment threading. Default
// values name the class by its ProgID. Returns the first failing registry result, or ERROR_SUCCESS.
LONG RegisterServerClass(HKEY classesRoot, const AutomationClass& automationClass, const std::wstring& serverPath);

// The braced text of a GUID, "{C10C5335-27A8-...}".
std::wstring GuidText(const GUID& guid);

} // namespace fw

class COleObjectFactory {
public:
    // Makes the classes creatable through AfxDllGetClassObject; the table must outlive the module's use.
    static void RegisterAll(std::span<const fw::AutomationClass> classes) noexcept;
    static void RevokeAll() noexcept;
    // Registers every class of the table machine-wide (HKEY_LOCAL_MACHINE\Software\Classes, the store behind
    // HKEY_CLASSES_ROOT) with this module's file as the server. S_OK when every write succeeded, otherwise
    // SELFREG_E_CLASS.
    static HRESULT UpdateRegistryAll() noexcept;
};

// The class object of a registered class; CLASS_E_CLASSNOTAVAILABLE for any other class id (and before
// RegisterAll ran).
HRESULT AfxDllGetClassObject(REFCLSID classId, REFIID iid, void** object) noexcept;
