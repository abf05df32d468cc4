// The DLL's loader entry. The runtime builds the library's static objects before this runs and destroys
// them after it returns from DLL_PROCESS_DETACH; the application object starts and stops in between.
#include "framework/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return AfxDllProcessAttach(instance);
    case DLL_PROCESS_DETACH:
        AfxDllProcessDetach();
        return TRUE;
    default:
        return TRUE;
    }
}
