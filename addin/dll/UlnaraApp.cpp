// The library's application object and its creatable classes. theApp is built before any other static
// object of the library (and so destroyed after all of them); the loader entry runs its InitInstance once
// every static object exists, which makes the classes creatable.
#include "addin/Extension.h"
#include "addin/Item.h"
#include "framework/module.h"
#include "framework/object_factory.h"

namespace {

constexpr fw::AutomationClass automationClasses[] = {
    {&CLSID_Extension, "Ulnara19.Extension", &fw::CreateObject<Extension>},
    {&CLSID_Item, "Ulnara19.Item", &fw::CreateObject<Item>},
};

class CUlnaraApp final : public CWinApp {
public:
    CUlnaraApp() noexcept : CWinApp(nullptr) {}

    BOOL InitInstance() override
    {
        COleObjectFactory::RegisterAll(automationClasses);
        return TRUE;
    }
    int ExitInstance() override
    {
        COleObjectFactory::RevokeAll();
        return 0;
    }
};

} // namespace

__attribute__((init_priority(101))) CUlnaraApp theApp;
