// The entry points of the in-process server, exported by name through Ulnara19.def. The platform headers
// declare them without noexcept; each catches everything itself.
#include "framework/module.h"
#include "framework/object_factory.h"

#include <olectl.h>

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object)
try {
    return AfxDllGetClassObject(classId, iid, object);
} catch (...) {
    return E_UNEXPECTED;
}

STDAPI DllCanUnloadNow()
try {
    return AfxDllCanUnloadNow();
} catch (...) {
    return S_FALSE;
}

STDAPI DllRegisterServer()
try {
    return COleObjectFactory::UpdateRegistryAll();
} catch (...) {
    return SELFREG_E_CLASS;
}
