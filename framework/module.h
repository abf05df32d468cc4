// The module an in-process server is built into: its application object (CWinApp, started and stopped by the
// DLL's loader entry), its instance handle, and the counts DllCanUnloadNow answers from. Each executable or
// DLL that links the framework has one module state of its own.
#pragma once

#include "framework/automation.h"

#include <windows.h>

#include <atomic>

namespace fw {

class ModuleState {
public:
    // Live automation objects and class factories: pass to AutomationObject's constructor.
    ObjectCount& Objects() noexcept { return m_objects; }
    // Locks taken with IClassFactory::LockServer.
    void Lock() noexcept { ++m_locks; }
    void Unlock() noexcept { --m_locks; }
    bool CanUnload() const noexcept { return m_objects.Value() == 0 && m_locks.load() == 0; }

    HINSTANCE instance = nullptr;

private:
    ObjectCount m_objects;
    std::atomic<long> m_locks{0};
};

// Built on first use, so static objects of any translation unit may reach it while they are constructed.
ModuleState& Module() noexcept;

} // namespace fw

// The module's application object. There is at most one per module; its constructor makes it the module's
// application, and the DLL's loader entry runs InitInstance when the DLL is loaded (after every static object
// of the DLL is built) and ExitInstance when it is unloaded (before any is destroyed).
class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr) noexcept;
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE refuses the load.
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }

    const char* m_pszAppName;
    HINSTANCE m_hInstance = nullptr;
};

CWinApp* AfxGetApp() noexcept;
HINSTANCE AfxGetInstanceHandle() noexcept;

// Called by the DLL's loader entry on DLL_PROCESS_ATTACH and DLL_PROCESS_DETACH. An exception from the
// application's InitInstance refuses the load; one from ExitInstance is dropped.
BOOL AfxDllProcessAttach(HINSTANCE instance) noexcept;
void AfxDllProcessDetach() noexcept;

// S_OK when no automation object, class factory or server lock of the module remains, otherwise S_FALSE.
HRESULT AfxDllCanUnloadNow() noexcept;
