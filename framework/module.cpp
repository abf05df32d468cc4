#include "framework/module.h"

namespace {

CWinApp* currentApp = nullptr;

} // namespace

namespace fw {

ModuleState& Module() noexcept
{
    static ModuleState state;
    return state;
}

} // namespace fw

CWinApp::CWinApp(const char* appName) noexcept : m_pszAppName(appName)
{
    currentApp = this;
}

CWinApp::~CWinApp()
{
    if (currentApp == this)
        currentApp = nullptr;
}

CWinApp* AfxGetApp() noexcept
{
    return currentApp;
}

HINSTANCE AfxGetInstanceHandle() noexcept
{
    return fw::Module().instance;
}

BOOL AfxDllProcessAttach(HINSTANCE instance) noexcept
try {
    fw::Module().instance = instance;
    if (currentApp == nullptr)
        return TRUE;
    currentApp->m_hInstance = instance;
    return currentApp->InitInstance();
} catch (...) {
    return FALSE;
}

void AfxDllProcessDetach() noexcept
try {
    if (currentApp != nullptr)
        currentApp->ExitInstance();
} catch (...) {
}

HRESULT AfxDllCanUnloadNow() noexcept
{
    return fw::Module().CanUnload() ? S_OK : S_FALSE;
}
