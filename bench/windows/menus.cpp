// bench_menus: time per item of Extension.Setup for 50 menus of 20 items, through the real DLL with a
// stand-in drawing host and the configuration in a registry sandbox. Two peers measured in the same run
// show where the time goes: the raw IDispatch calls Setup makes of the host per item (MenuItems.Add with
// four arguments, then the new item's CommandID looked up and read), and the raw registry work per item
// (enumerate, open, three reads). Each figure is the median of several runs.
#include "addin_library.h"

#include "addin/Extension.h"
#include "host/wrappers.h"
#include "refhost/application.h"
#include "reg_import.h"
#include "registry_sandbox.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kMenus = 50;
constexpr int kItemsPerMenu = 20;
constexpr int kItems = kMenus * kItemsPerMenu;
constexpr int kRuns = 7;
const std::string kExtensionPath = "SOFTWARE\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension";

std::string Configuration()
{
    std::string text = "Windows Registry Editor Version 5.00\n\n";
    for (int menu = 0; menu < kMenus; ++menu) {
        const std::string menuKey = "[HKEY_CURRENT_USER\\" + kExtensionPath + "\\M" + std::to_string(100 + menu);
        text += menuKey + "]\n@=\"Menu " + std::to_string(menu) + "\"\n\n";
        for (int item = 0; item < kItemsPerMenu; ++item)
            text += menuKey + "\\I" + std::to_string(100 + item) + "]\n@=\"Item " + std::to_string(item) +
                    "\"\n\"HandlerID\"=\"Ulnara19.Item\"\n\"PostData\"=\"structure=\"\n\n";
    }
    return text;
}

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& stop)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Contender {
    const char* name;
    std::function<void()> prepare;   // not timed
    std::function<void()> run;
    std::vector<double> microsecondsPerItem;

    double Median()
    {
        std::sort(microsecondsPerItem.begin(), microsecondsPerItem.end());
        return microsecondsPerItem[microsecondsPerItem.size() / 2];
    }
};

// Runs the contenders in turn, round after round, so that a change in the shared machine's load falls on all
// of them alike.
void Measure(std::vector<Contender>& contenders)
{
    for (int round = 0; round < kRuns; ++round)
        for (Contender& contender : contenders) {
            contender.prepare();
            LARGE_INTEGER start, stop;
            QueryPerformanceCounter(&start);
            contender.run();
            QueryPerformanceCounter(&stop);
            contender.microsecondsPerItem.push_back(Seconds(start, stop) * 1e6 / kItems);
        }
}

Contender SetupThroughTheAddin()
{
    struct State {
        fw::ComPtr<IDispatch> extension;
        std::shared_ptr<refhost::Host> host;
        fw::ComPtr<IDispatch> application;
        long mainWindow = 0x10000;
    };
    auto state = std::make_shared<State>();
    return {"Setup through the add-in",
            [state] {
                state->extension = addin_testing::AddinLibrary::Get().Create(CLSID_Extension);   // a fresh menu map
                state->host = refhost::Host::Create("Velmora 19.0", ++state->mainWindow);
                state->application = state->host->Application();
            },
            [state] {
                auto setup = addin_testing::CallMember(state->extension.Get(), L"Setup", state->application.Get());
                if (setup.status != S_OK || !setup.value ||
                    state->host->MainWindow().MainMenuBar().menus.size() != 5 + kMenus)
                    std::fprintf(stderr, "bench_menus: Setup did not build the menus\n");
            },
            {}};
}

Contender RawHostCalls()
{
    struct State {
        std::shared_ptr<refhost::Host> host;
        std::vector<MenuItems> menus;
    };
    auto state = std::make_shared<State>();
    return {"peer: raw host calls (Add, CommandID)",
            [state] {
                state->host = refhost::Host::Create("Velmora 19.0", 0x20000);
                Application application(state->host->Application().Detach());
                Menus bar = application.MenuBars().Item(1).Menus();
                fw::unique_variant before = fw::MakeVariant("Window");
                state->menus.clear();
                for (int menu = 0; menu < kMenus; ++menu)
                    state->menus.push_back(bar.Add("Menu " + std::to_string(menu), before.get()).MenuItems());
            },
            [state] {
                fw::unique_variant zero = fw::MakeVariant(0L);
                fw::unique_variant handler = fw::MakeVariant("Ulnara19.Item");
                fw::unique_variant caption = fw::MakeVariant("Item");
                // Positional arguments in reverse order: caption, 0, handler id, 0.
                VARIANT arguments[4] = {fw::ByReference(zero.get()).release(), fw::ByReference(handler.get()).release(),
                                        fw::ByReference(zero.get()).release(), *caption.get()};
                DISPPARAMS addParameters{arguments, nullptr, 4, 0};
                DISPPARAMS noParameters{nullptr, nullptr, 0, 0};
                for (MenuItems& items : state->menus) {
                    const DISPID add = addin_testing::IdOf(items.m_lpDispatch, L"Add");
                    for (int item = 0; item < kItemsPerMenu; ++item) {
                        fw::unique_variant created;
                        items.m_lpDispatch->Invoke(add, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD,
                                                   &addParameters, created.put(), nullptr, nullptr);
                        IDispatch* menuItem = V_DISPATCH(created.get());
                        fw::unique_variant commandId;
                        menuItem->Invoke(addin_testing::IdOf(menuItem, L"CommandID"), IID_NULL, LOCALE_SYSTEM_DEFAULT,
                                         DISPATCH_PROPERTYGET, &noParameters, commandId.put(), nullptr, nullptr);
                    }
                }
            },
            {}};
}

Contender RawRegistryReads()
{
    return {"peer: raw registry reads (enum, open, 3 reads)", [] {},
            [] {
                HKEY extension = nullptr;
                RegOpenKeyExA(HKEY_CURRENT_USER, kExtensionPath.c_str(), 0, KEY_READ, &extension);
                char name[1000];
                BYTE data[2000];
                for (DWORD menuIndex = 0;; ++menuIndex) {
                    DWORD length = sizeof(name);
                    if (RegEnumKeyExA(extension, menuIndex, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                        ERROR_SUCCESS)
                        break;
                    HKEY menu = nullptr;
                    RegOpenKeyExA(extension, name, 0, KEY_READ, &menu);
                    for (DWORD itemIndex = 0;; ++itemIndex) {
                        length = sizeof(name);
                        if (RegEnumKeyExA(menu, itemIndex, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                            ERROR_SUCCESS)
                            break;
                        HKEY item = nullptr;
                        RegOpenKeyExA(menu, name, 0, KEY_READ, &item);
                        for (const char* value : {"Hidden", "", "HandlerID"}) {
                            DWORD size = sizeof(data);
                            RegQueryValueExA(item, value, nullptr, nullptr, data, &size);
                        }
                        RegCloseKey(item);
                    }
                    RegCloseKey(menu);
                }
                RegCloseKey(extension);
            },
            {}};
}

} // namespace

int main()
try {
    regconfig::RegistrySandbox sandbox;
    regconfig::ImportRegText(Configuration());
    std::vector<Contender> contenders = {SetupThroughTheAddin(), RawHostCalls(), RawRegistryReads()};
    Measure(contenders);
    std::printf("Extension.Setup, %d menus x %d items, median of %d interleaved rounds\n", kMenus, kItemsPerMenu, kRuns);
    const double setup = contenders.front().Median();
    for (Contender& contender : contenders) {
        const double time = contender.Median();
        std::printf("  %-48s %8.2f us/item", contender.name, time);
        if (&contender != &contenders.front())
            std::printf("   Setup / this = %.1f", setup / time);
        std::printf("\n");
    }
    return 0;
} catch (const std::exception& failure) {
    std::fprintf(stderr, "bench_menus: %s\n", failure.what());
    return 1;
}
