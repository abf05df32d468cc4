// The add-in DLL loaded through its entry points and handed stand-in hosts: the menus Setup builds from the
// configuration, clean-up per main window, the enabling rules Item.Update applies per host family, host
// failures arriving as failed calls, the life of the menu map, unloading and registration.
#include "addin_library.h"

#include "addin/Extension.h"
#include "addin/Item.h"
#include "framework/text.h"
#include "refhost/application.h"
#include "refhost/database.h"
#include "refhost/drawing.h"
#include "refhost/modeller.h"
#include "reg_import.h"
#include "registry_sandbox.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <olectl.h>

namespace {

using addin_testing::AddinLibrary;
using addin_testing::CallMember;
using addin_testing::CallResult;
using Captions = std::vector<std::string>;

const Captions kHostMenus = {"File", "Edit", "View", "Window", "Help"};

std::shared_ptr<refhost::Window> AddWindow(refhost::Host& host, long mainWindow)
{
    auto window = std::make_shared<refhost::Window>();
    window->mainWindow = mainWindow;
    window->menuBars.push_back(std::make_shared<refhost::MenuBarModel>());
    for (const std::string& caption : kHostMenus) {
        window->menuBars[0]->menus.push_back(std::make_shared<refhost::MenuModel>());
        window->menuBars[0]->menus.back()->caption = caption;
    }
    host.windows.push_back(window);
    return window;
}

class MenuSetup : public ::testing::Test {
protected:
    MenuSetup() { testing_support::ImportRegFixture("menus.reg"); }

    CallResult Setup(const std::shared_ptr<refhost::Window>& window = nullptr)
    {
        return CallMember(m_extension.Get(), L"Setup", m_host->Application(window).Get());
    }
    CallResult Cleanup(const std::shared_ptr<refhost::Window>& window = nullptr)
    {
        return CallMember(m_extension.Get(), L"Cleanup", m_host->Application(window).Get());
    }
    // Item.Update for an item of the window's menu bar, as the host asks before it shows the item, which
    // shows as `enabled` until then.
    CallResult Update(const std::shared_ptr<refhost::MenuItemModel>& entry, bool enabled)
    {
        entry->enabled = enabled;
        return CallMember(m_item.Get(), L"Update", refhost::MakeMenuItem(m_host, m_host->windows.front(), entry).Get());
    }
    // An item of the main window's menu bar.
    std::shared_ptr<refhost::MenuItemModel> ItemOf(const std::string& menu, const std::string& caption)
    {
        auto found = m_host->MainWindow().MainMenuBar().Find(menu);
        if (found)
            for (const auto& entry : found->items)
                if (entry->caption == caption)
                    return entry;
        ADD_FAILURE() << "no item " << caption << " in " << menu;
        return std::make_shared<refhost::MenuItemModel>();
    }
    Captions Bar(refhost::Window* window = nullptr)
    {
        return (window ? *window : m_host->MainWindow()).MainMenuBar().Captions();
    }

    regconfig::RegistrySandbox m_sandbox;
    AddinLibrary& m_addin = AddinLibrary::Get();
    std::shared_ptr<refhost::Host> m_host = refhost::Host::Create("Velmora 19.0", 0x10020);
    fw::ComPtr<IDispatch> m_extension = m_addin.Create(CLSID_Extension);
    fw::ComPtr<IDispatch> m_item = m_addin.Create(CLSID_Item);
};

TEST_F(MenuSetup, MenusInByteOrderBeforeWindowWithUnusableItemsLeftOut)
{
    CallResult setup = Setup();
    ASSERT_EQ(setup.status, S_OK);
    EXPECT_TRUE(setup.value);
    // Menu key names 10, 2, B, M (no caption: left out), a, Ä (0xC4); the empty menus stay.
    EXPECT_EQ(Bar(), (Captions{"File", "Edit", "View", "Tenth", "Second", "Upper", "Lower", "Accent", "Window", "Help"}));
    EXPECT_TRUE(m_host->MainWindow().MainMenuBar().Find("Upper")->items.empty());

    // Left out: no "HandlerID" (between kept items), hidden by a DWORD, no caption. Kept: a separator without
    // "HandlerID", an item whose "Hidden" is text.
    const auto& items = m_host->MainWindow().MainMenuBar().Find("Tenth")->items;
    Captions captions;
    for (const auto& entry : items) {
        captions.push_back(entry->caption);
        EXPECT_EQ(entry->argumentCount, 4u);
        EXPECT_EQ(entry->handler, entry->separator ? "" : "Ulnara19.Item");
        EXPECT_EQ(entry->handlerMissing, entry->separator);   // a separator's handler is the missing argument
    }
    EXPECT_EQ(captions, (Captions{"Structure search...", "-", "Search by name...", "Hidden as text", "Page"}));
    ASSERT_TRUE(items[1]->separator);

    // Every kept item is recorded under its command id (an item without "PostData" is enabled); the
    // separator, which the host numbers 0, is not.
    for (const auto& entry : items) {
        SCOPED_TRACE(entry->caption);
        EXPECT_TRUE(Update(entry, false).value);
    }
    EXPECT_FALSE(items[1]->enabled);
    EXPECT_TRUE(ItemOf("Tenth", "Page")->enabled);
    EXPECT_TRUE(ItemOf("Tenth", "Hidden as text")->enabled);
    EXPECT_FALSE(ItemOf("Tenth", "Structure search...")->enabled);   // needs a document
}

TEST_F(MenuSetup, CleanupRemovesTheMenusOfOneWindowOnce)
{
    auto second = AddWindow(*m_host, 0x20030);
    EXPECT_FALSE(Cleanup(second).value);   // never set up: nothing removed
    ASSERT_TRUE(Setup().value);
    ASSERT_TRUE(Setup().value);            // a second run adds and records the menus again
    ASSERT_TRUE(Setup(second).value);
    const auto page = ItemOf("Tenth", "Page");

    CallResult first = Cleanup();
    EXPECT_EQ(first.status, S_OK);
    EXPECT_TRUE(first.value);
    EXPECT_EQ(Bar(), kHostMenus);
    EXPECT_EQ(Bar(second.get()).size(), kHostMenus.size() + 5);
    EXPECT_FALSE(Cleanup().value);

    // The window's item paths outlive its menus.
    Update(page, false);
    EXPECT_TRUE(page->enabled);

    EXPECT_TRUE(Cleanup(second).value);
    EXPECT_EQ(Bar(second.get()), kHostMenus);
}

TEST_F(MenuSetup, EnablingFollowsTheDocumentOfEachHostFamily)
{
    auto drawing = [](double molecularWeight) {
        auto document = std::make_shared<refhost::DrawingDocument>();
        document->selection.molecularWeight = molecularWeight;
        return document;
    };
    auto model = [](long atoms) {
        auto document = std::make_shared<refhost::ModellerDocument>();
        document->atomCount = atoms;
        return document;
    };
    auto database = [](std::vector<long> types) {
        auto document = std::make_shared<refhost::DatabaseDocument>();
        for (long type : types) {
            document->fields.emplace_back();
            document->fields.back().type = type;
        }
        return document;
    };
    const char* structure = "Structure search...";
    const char* byName = "Search by name...";
    // The drawing hosts share one configuration (menu "Tenth"); the others have a "Search" menu of their own.
    const struct {
        const char* host;
        const char* menu;
        const char* item;
        std::shared_ptr<refhost::Document> document;
        bool enabled;
    } cases[] = {
        {"Velmora 19.0", "Tenth", "Page", nullptr, true},   // no "PostData": no document needed
        {"Velmora 19.0", "Tenth", structure, nullptr, false},
        {"Velmora 19.0", "Tenth", byName, nullptr, false},
        {"Velmora 19.0", "Tenth", structure, drawing(0.0), false},
        {"Velmora 19.0", "Tenth", byName, drawing(0.0), true},
        {"Velmora 19.0", "Tenth", structure, drawing(78.11), true},
        {"Brannic 3", "Tenth", structure, drawing(78.11), true},
        {"Korvane", "Search", structure, model(0), false},
        {"Korvane", "Search", structure, model(12), true},
        {"Sylvane", "Search", structure, model(0), false},
        {"Sylvane", "Search", structure, model(3), true},
        {"Pellane", "Search", structure, model(0), false},
        {"Pellane", "Search", structure, model(3), true},
        {"Ravelle", "Search", structure, database({}), false},
        {"Ravelle", "Search", structure, database({1, 2, 4}), false},
        {"Ravelle", "Search", structure, database({1, 3, 2}), true},
        {"Ravelle", "Search", structure, database({1, 2, 3}), true},   // the last field counts too
    };
    long mainWindow = 0x30000;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " / " + c.item + " / " + std::to_string(mainWindow));
        m_host = refhost::Host::Create(c.host, ++mainWindow);
        ASSERT_TRUE(Setup().value);
        m_host->MainWindow().activeDocument = c.document;
        const auto entry = ItemOf(c.menu, c.item);
        CallResult update = Update(entry, !c.enabled);
        EXPECT_EQ(update.status, S_OK);
        EXPECT_TRUE(update.value);
        EXPECT_EQ(entry->enabled, c.enabled);
    }
}

// Hosts take incoming calls while their own call is pending. Clean-up and setup of the same window from inside
// Menus.Remove must find the map as it is after the clean-up in progress: nothing left to remove, a fresh list.
TEST_F(MenuSetup, CleanupToleratesAHostCallingBackFromRemove)
{
    CallResult nested;
    auto callBackOnce = [&](const wchar_t* member) {
        m_host->whileCalled = [&, member](std::string_view kind, std::string_view name) {
            if (kind == "Menus" && name == "Remove") {
                m_host->whileCalled = nullptr;
                nested = CallMember(m_extension.Get(), member, m_host->Application().Get());
            }
        };
    };
    const Captions ours = {"Tenth", "Second", "Upper", "Lower", "Accent"};

    ASSERT_TRUE(Setup().value);
    callBackOnce(L"Cleanup");
    EXPECT_TRUE(Cleanup().value);
    EXPECT_EQ(nested.status, S_OK);
    EXPECT_FALSE(nested.value);   // the outer clean-up already took the window's menus
    EXPECT_EQ(Bar(), kHostMenus);
    EXPECT_FALSE(Cleanup().value);

    ASSERT_TRUE(Setup().value);
    callBackOnce(L"Setup");
    EXPECT_TRUE(Cleanup().value);
    EXPECT_EQ(nested.status, S_OK);
    EXPECT_TRUE(nested.value);
    EXPECT_EQ(Bar().size(), kHostMenus.size() + ours.size());   // the nested setup's menus stay
    EXPECT_TRUE(Cleanup().value);                                // and are removed by the next clean-up
    EXPECT_EQ(Bar(), kHostMenus);
}

// The last Extension may go while Item.Update waits on the host, taking the menu map with it: the item is
// then left as it is, as without a map.
TEST_F(MenuSetup, UpdateToleratesTheMapGoingDuringAHostCall)
{
    ASSERT_TRUE(Setup().value);
    const auto structure = ItemOf("Tenth", "Structure search...");   // no document: would be disabled
    for (const char* member : {"MainWindow", "CommandID"}) {
        SCOPED_TRACE(member);
        fw::ComPtr<IDispatch> extension = m_addin.Create(CLSID_Extension);
        m_extension.Reset();   // the new object alone keeps the map
        m_host->whileCalled = [&](std::string_view, std::string_view name) {
            if (name == member) {
                m_host->whileCalled = nullptr;
                extension.Reset();
            }
        };
        CallResult update = Update(structure, true);
        EXPECT_EQ(update.status, S_OK);
        EXPECT_TRUE(update.value);
        EXPECT_TRUE(structure->enabled);
        EXPECT_FALSE(extension);
        m_extension = m_addin.Create(CLSID_Extension);
        ASSERT_TRUE(Setup().value);
    }
}

// Text goes to the host up to its first zero byte, captions included; clean-up removes what was added.
TEST_F(MenuSetup, CaptionsEndAtTheirFirstZeroByte)
{
    // "Zero", a zero, "tail" as a registry string (UTF-16LE), for a menu and for its item.
    const std::string zeroTail = "5a,00,65,00,72,00,6f,00,00,00,74,00,61,00,69,00,6c,00,00,00";
    regconfig::ImportRegText(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension\\z]\n"
        "@=hex(1):" + zeroTail + "\n\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension\\z\\1]\n"
        "@=hex(1):" + zeroTail + "\n"
        "\"HandlerID\"=\"Ulnara19.Item\"\n");
    ASSERT_TRUE(Setup().value);
    const auto menu = m_host->MainWindow().MainMenuBar().Find("Zero");
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->items.size(), 1u);
    EXPECT_EQ(menu->items[0]->caption, "Zero");
    EXPECT_TRUE(Cleanup().value);
    EXPECT_EQ(Bar(), kHostMenus);
}

TEST_F(MenuSetup, ThreeArgumentHostGetsEveryItem)
{
    m_host->threeArgumentMenuItems = true;
    ASSERT_TRUE(Setup().value);
    const auto& items = m_host->MainWindow().MainMenuBar().Find("Tenth")->items;
    ASSERT_EQ(items.size(), 5u);
    for (const auto& entry : items)
        EXPECT_EQ(entry->argumentCount, 3u) << entry->caption;
    auto page = ItemOf("Tenth", "Page");
    Update(page, false);
    EXPECT_TRUE(page->enabled);
}

TEST_F(MenuSetup, HostFailuresAndUnknownHostsReachTheHostAsFailedCalls)
{
    EXPECT_FALSE(CallMember(m_extension.Get(), L"Setup", nullptr).value);
    EXPECT_FALSE(CallMember(m_extension.Get(), L"Cleanup", nullptr).value);
    EXPECT_TRUE(CallMember(m_extension.Get(), L"Update", nullptr).value);
    EXPECT_TRUE(CallMember(m_item.Get(), L"Update", nullptr).value);

    m_host->name = "Chemical Editor";
    CallResult unknown = Setup();
    EXPECT_EQ(unknown.status, S_OK);
    EXPECT_FALSE(unknown.value);
    EXPECT_EQ(Bar(), kHostMenus);

    // A host whose name stops matching after setup: the rule cannot be chosen, the item stays as it is.
    m_host->name = "Velmora 19.0";
    ASSERT_TRUE(Setup().value);
    m_host->MainWindow().activeDocument = std::make_shared<refhost::DrawingDocument>();
    m_host->name = "Chemical Editor";
    const auto structure = ItemOf("Tenth", "Structure search...");
    CallResult update = Update(structure, true);
    EXPECT_EQ(update.status, DISP_E_EXCEPTION);
    EXPECT_EQ(update.description, "Unknown application");
    EXPECT_TRUE(structure->enabled);
    auto page = ItemOf("Tenth", "Page");
    EXPECT_EQ(Update(page, false).status, S_OK);   // decided without asking which host it is
    EXPECT_TRUE(page->enabled);

    // A host that gives back no menu or no item recorded nothing: clean-up has nothing of its own to remove,
    // and no configuration answers for the command id a missing item reads as (0).
    m_host = refhost::Host::Create("Velmora 19.0", 0x10030);
    m_host->Fail("MenuItems", "Add", E_FAIL);
    ASSERT_TRUE(Setup().value);
    auto hostItem = std::make_shared<refhost::MenuItemModel>();
    EXPECT_TRUE(Update(hostItem, false).value);
    EXPECT_FALSE(hostItem->enabled);
    m_host->Lack("Menus", "Add");
    auto third = AddWindow(*m_host, 0x10031);
    ASSERT_TRUE(Setup(third).value);
    EXPECT_FALSE(Cleanup(third).value);

    // An error raised inside a host call ends Setup with that error.
    m_host = refhost::Host::Create("Velmora 19.0", 0x10040);
    m_host->Raise("Menus", "Add", static_cast<long>(0x80040205), "The menu bar is locked");
    CallResult raised = Setup();
    EXPECT_EQ(raised.status, DISP_E_EXCEPTION);
    EXPECT_EQ(raised.description, "The menu bar is locked");
}

TEST_F(MenuSetup, MenuMapLivesWhileAnyExtensionDoes)
{
    fw::ComPtr<IDispatch> other = m_addin.Create(CLSID_Extension);
    ASSERT_TRUE(Setup().value);
    auto page = ItemOf("Tenth", "Page");

    m_extension.Reset();
    EXPECT_TRUE(Update(page, false).value);
    EXPECT_TRUE(page->enabled);   // the map is still there

    other.Reset();
    EXPECT_TRUE(Update(page, false).value);
    EXPECT_FALSE(page->enabled);  // no map: nothing is touched

    // A new map knows nothing of the old menus.
    m_extension = m_addin.Create(CLSID_Extension);
    EXPECT_FALSE(Cleanup().value);
}

// A host without any configuration simply gets no menus; setting up still succeeds.
TEST(MenuSetupWithoutConfiguration, SucceedsAndAddsNothing)
{
    regconfig::RegistrySandbox sandbox;
    fw::ComPtr<IDispatch> extension = AddinLibrary::Get().Create(CLSID_Extension);
    auto host = refhost::Host::Create("Velmora 19.0", 0x60080);
    CallResult setup = CallMember(extension.Get(), L"Setup", host->Application().Get());
    EXPECT_EQ(setup.status, S_OK);
    EXPECT_TRUE(setup.value);
    EXPECT_EQ(host->MainWindow().MainMenuBar().Captions(), kHostMenus);
    EXPECT_FALSE(CallMember(extension.Get(), L"Cleanup", host->Application().Get()).value);
}

// The configuration the demo installs, as an administrator would, for the whole machine.
TEST(SampleConfiguration, GivesTheSearchAndFetchMenus)
{
    regconfig::RegistrySandbox sandbox;
    regconfig::ImportRegText(testing_support::ReadTextFile(testing_support::SourcePath("config/sample.reg")));
    fw::ComPtr<IDispatch> extension = AddinLibrary::Get().Create(CLSID_Extension);
    auto host = refhost::Host::Create("Tessivo 19", 0x60070);
    ASSERT_TRUE(CallMember(extension.Get(), L"Setup", host->Application().Get()).value);
    EXPECT_EQ(host->MainWindow().MainMenuBar().Captions(),
              (Captions{"File", "Edit", "View", "Search", "Fetch", "Window", "Help"}));
    Captions items;
    for (const char* menu : {"Search", "Fetch"})
        for (const auto& entry : host->MainWindow().MainMenuBar().Find(menu)->items)
            items.push_back(entry->caption);
    // The hidden item is for programs (Item.ExecuteDirect) and stays out of the menu.
    EXPECT_EQ(items, (Captions{"Structure search...", "-", "Search by name or CAS number...",
                               "Protein Data Bank entry...", "Structure file by name...",
                               "About the structure services"}));
}

TEST(AddinObjects, MembersKeepTheirDispatchIdsAndInterfaces)
{
    AddinLibrary& addin = AddinLibrary::Get();
    fw::ComPtr<IDispatch> extension = addin.Create(CLSID_Extension);
    fw::ComPtr<IDispatch> item = addin.Create(CLSID_Item);
    const struct {
        IDispatch* object;
        const wchar_t* member;
        DISPID id;
    } members[] = {{extension.Get(), L"Setup", 1}, {extension.Get(), L"Update", 2}, {extension.Get(), L"Cleanup", 3},
                   {item.Get(), L"Execute", 1},    {item.Get(), L"Update", 2},      {item.Get(), L"ExecuteDirect", 3}};
    for (const auto& m : members)
        EXPECT_EQ(addin_testing::IdOf(m.object, m.member), m.id) << fw::Narrow(m.member);
    fw::ComPtr<IDispatch> viaInterface;
    EXPECT_EQ(extension->QueryInterface(DIID_IUlnaraExtension, reinterpret_cast<void**>(viaInterface.GetAddressOf())), S_OK);
    EXPECT_EQ(item->QueryInterface(DIID_IUlnaraItem, reinterpret_cast<void**>(viaInterface.ReleaseAndGetAddressOf())), S_OK);
}

TEST(EntryPoints, UnloadableOnlyWithoutObjectsFactoriesOrLocks)
{
    AddinLibrary& addin = AddinLibrary::Get();
    EXPECT_EQ(addin.CanUnloadNow(), S_OK);
    HRESULT status = S_OK;
    EXPECT_FALSE(addin.ClassObject(IID_IDispatch, &status));
    EXPECT_EQ(status, CLASS_E_CLASSNOTAVAILABLE);

    fw::ComPtr<IClassFactory> factory = addin.ClassObject(CLSID_Item);
    ASSERT_TRUE(factory);
    EXPECT_EQ(addin.CanUnloadNow(), S_FALSE);
    fw::ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IUnknown,
                                      reinterpret_cast<void**>(aggregated.GetAddressOf())),
              CLASS_E_NOAGGREGATION);
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(addin.CanUnloadNow(), S_FALSE);   // locked

    fw::ComPtr<IDispatch> extension = addin.Create(CLSID_Extension);
    addin.ClassObject(CLSID_Item)->LockServer(FALSE);
    EXPECT_EQ(addin.CanUnloadNow(), S_FALSE);   // an object is alive
    extension.Reset();
    EXPECT_EQ(addin.CanUnloadNow(), S_OK);
}

// Reads a string value below the (sandboxed) machine hive's classes.
std::wstring ClassesValue(const std::wstring& key, const wchar_t* name = nullptr)
{
    wchar_t text[512] = {};
    DWORD size = sizeof(text);
    std::wstring path = L"Software\\Classes\\" + key;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return L"<absent>";
    return text;
}

TEST(EntryPoints, RegistrationWritesBothClassesAndReportsFailure)
{
    AddinLibrary& addin = AddinLibrary::Get();
    {
        regconfig::RegistrySandbox sandbox;
        ASSERT_EQ(addin.RegisterServer(), S_OK);
        const struct {
            const wchar_t* progId;
            const wchar_t* classId;
        } classes[] = {
            {L"Ulnara19.Extension", L"{C10C5335-27A8-40C9-8DFF-818D1477443A}"},
            {L"Ulnara19.Item", L"{F91CA0E9-ABAE-4567-86CD-609DDE391E61}"},
        };
        for (const auto& c : classes) {
            SCOPED_TRACE(fw::Narrow(c.progId));
            const std::wstring classKey = std::wstring(L"CLSID\\") + c.classId;
            EXPECT_EQ(ClassesValue(std::wstring(c.progId) + L"\\CLSID"), c.classId);
            EXPECT_EQ(ClassesValue(classKey + L"\\ProgID"), c.progId);
            EXPECT_EQ(ClassesValue(classKey + L"\\InprocServer32"), addin.FileName());
            EXPECT_EQ(ClassesValue(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        }
        HKEY userClasses = nullptr;
        EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &userClasses), ERROR_SUCCESS);
    }
    {
        // A write that fails half-way (the class ids' key is volatile, so no lasting key can go below it)
        // is reported, not hidden behind S_OK.
        regconfig::RegistrySandbox sandbox;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID", 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_EQ(addin.RegisterServer(), SELFREG_E_CLASS);
    }
}

} // namespace
