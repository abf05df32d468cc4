// The real add-in DLL as the add-in's tests use it: loaded once per process with LoadLibrary and driven
// through its exported entry points and the IDispatch of the objects it makes, with stand-in host objects.
#pragma once

#include "framework/com.h"

#include <windows.h>

#include <string>

namespace addin_testing {

// Loaded on first use, for the rest of the process.
class AddinLibrary {
public:
    static AddinLibrary& Get();

    fw::ComPtr<IClassFactory> ClassObject(REFCLSID classId, HRESULT* status = nullptr) const;
    fw::ComPtr<IDispatch> Create(REFCLSID classId) const;
    HRESULT CanUnloadNow() const;
    HRESULT RegisterServer() const;
    std::wstring FileName() const;

private:
    AddinLibrary();
    HMODULE m_module = nullptr;
    HRESULT(STDAPICALLTYPE* m_getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* m_canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* m_registerServer)() = nullptr;
};

// One raw IDispatch call with a single object argument (which may be null).
struct CallResult {
    HRESULT status = E_UNEXPECTED;
    bool value = false;
    std::string description;   // EXCEPINFO's, for DISP_E_EXCEPTION
};
CallResult CallMember(IDispatch* object, const wchar_t* member, IDispatch* argument);
DISPID IdOf(IDispatch* object, const wchar_t* member);

} // namespace addin_testing
