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

// Median over the runs of the microseconds per item that one run takes; prepare is not timed.
double MicrosecondsPerItem(const std::function<void()>& prepare, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int index = 0; index < kRuns; ++index) {
        prepare();
        LARGE_INTEGER start, stop;
        QueryPerformanceCounter(&start);
        run();
        QueryPerformanceCounter(&stop);
        times.push_back(Seconds(start, stop) * 1e6 / kItems);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double SetupThroughTheAddin()
{
    auto& addin = addin_testing::AddinLibrary::Get();
    fw::ComPtr<IDispatch> extension;
    std::shared_ptr<refhost::Host> host;
    fw::ComPtr<IDispatch> application;
    long mainWindow = 0x10000;
    return MicrosecondsPerItem(
        [&] {
            extension = addin.Create(CLSID_Extension);   // a fresh menu map for each run
            host = refhost::Host::Create("Velmora 19.0", ++mainWindow);
            application = host->Application();
        },
        [&] {
            auto setup = addin_testing::CallMember(extension.Get(), L"Setup", application.Get());
            if (setup.status != S_OK || !setup.value || host->MainWindow().MainMenuBar().menus.size() != 5 + kMenus)
                std::fprintf(stderr, "bench_menus: Setup did not build the menus\n");
        });
}

double RawHostCalls()
{
    std::shared_ptr<refhost::Host> host;
    std::vector<MenuItems> menus;
    return MicrosecondsPerItem(
        [&] {
            host = refhost::Host::Create("Velmora 19.0", 0x20000);
            Application application(host->Application().Detach());
            Menus bar = application.MenuBars().Item(1).Menus();
            fw::unique_variant before = fw::MakeVariant("Window");
            menus.clear();
            for (int menu = 0; menu < kMenus; ++menu)
                menus.push_back(bar.Add("Menu " + std::to_string(menu), before.get()).MenuItems());
        },
        [&] {
            fw::unique_variant zero = fw::MakeVariant(0L);
            fw::unique_variant handler = fw::MakeVariant("Ulnara19.Item");
            fw::unique_variant caption = fw::MakeVariant("Item");
            // Positional arguments in reverse order: caption, 0, handler id, 0.
            VARIANT arguments[4] = {fw::ByReference(zero.get()).release(), fw::ByReference(handler.get()).release(),
                                    fw::ByReference(zero.get()).release(), *caption.get()};
            DISPPARAMS addParameters{arguments, nullptr, 4, 0};
            DISPPARAMS noParameters{nullptr, nullptr, 0, 0};
            for (MenuItems& items : menus) {
                const DISPID add = addin_testing::IdOf(items.m_lpDispatch, L"Add");
                for (int item = 0; item < kItemsPerMenu; ++item) {
                    fw::unique_variant created;
                    items.m_lpDispatch->Invoke(add, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &addParameters,
                                               created.put(), nullptr, nullptr);
                    IDispatch* menuItem = V_DISPATCH(created.get());
                    fw::unique_variant commandId;
                    menuItem->Invoke(addin_testing::IdOf(menuItem, L"CommandID"), IID_NULL, LOCALE_SYSTEM_DEFAULT,
                                     DISPATCH_PROPERTYGET, &noParameters, commandId.put(), nullptr, nullptr);
                }
            }
        });
}

double RawRegistryReads()
{
    return MicrosecondsPerItem([] {}, [] {
        HKEY extension = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, kExtensionPath.c_str(), 0, KEY_READ, &extension);
        char name[1000];
        BYTE data[2000];
        for (DWORD menuIndex = 0;; ++menuIndex) {
            DWORD length = sizeof(name);
            if (RegEnumKeyExA(extension, menuIndex, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            HKEY menu = nullptr;
            RegOpenKeyExA(extension, name, 0, KEY_READ, &menu);
            for (DWORD itemIndex = 0;; ++itemIndex) {
                length = sizeof(name);
                if (RegEnumKeyExA(menu, itemIndex, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
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
    });
}

} // namespace

int main()
try {
    testing_support::RegistrySandbox sandbox;
    testing_support::ImportRegText(Configuration());
    const double setup = SetupThroughTheAddin();
    const double hostCalls = RawHostCalls();
    const double registry = RawRegistryReads();
    std::printf("Extension.Setup, %d menus x %d items, median of %d runs\n", kMenus, kItemsPerMenu, kRuns);
    std::printf("  %-44s %8.2f us/item\n", "Setup through the add-in", setup);
    std::printf("  %-44s %8.2f us/item   Setup / this = %.1f\n", "peer: raw host calls (Add, CommandID)", hostCalls,
                setup / hostCalls);
    std::printf("  %-44s %8.2f us/item   Setup / this = %.1f\n", "peer: raw registry reads (enum, open, 3 reads)",
                registry, setup / registry);
    return 0;
} catch (const std::exception& failure) {
    std::fprintf(stderr, "bench_menus: %s\n", failure.what());
    return 1;
}
