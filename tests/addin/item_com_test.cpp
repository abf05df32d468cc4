// Items run end to end as a host runs them: the add-in created through COM by its ProgID (registered in the
// test prefix), its menus set up in the stand-in host, Item.Execute called with the host's menu item and
// Item.ExecuteDirect with a path and a text, against the stand-in structure service's catalogue, with the
// scripted user answering the add-in's dialogs and message boxes.
#include "addin_library.h"
#include "item_testing.h"

#include "addin/Extension.h"
#include "addin/Item.h"
#include "framework/dispatch_driver.h"
#include "refhost/application.h"
#include "resources/resource.h"
#include "scripted_user.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using testing_support::DialogWindow;
using testing_support::ScriptedUser;

constexpr char kMenuPath[] = "SOFTWARE\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension\\1 Search";
constexpr char kSignedHeaders[] =
    "Content-Type:application/x-www-form-urlencoded;X-Request-Id:[UUID];X-Signature:[sign(X-Request-Id|Request_Body)k3y]";
// The text of a message box (the platform's control id for it).
constexpr int kMessageBoxText = 0xFFFF;

class ItemThroughCom : public addin_testing::ItemTest {
protected:
    ItemThroughCom()
    {
        const std::string menu = kMenuPath, service = Service().BaseUrl();
        addin_testing::WriteKey(menu, {{"", "Search"}});
        addin_testing::WriteKey(menu + "\\1 Structure",
                                {{"", "Structure search..."}, {"Target", "/search?type="}, {"PostData", "structure="},
                                 {"Target2", "exact"}},
                                {{"Dialog0", IDD_CHOICE_STRUCTURE}});
        addin_testing::WriteKey(menu + "\\2 Name", {{"", "Search by name..."}, {"Target", "/search?type=name"},
                                                    {"PostData", "name="}, {"Prompt", "Name:"}});
        for (const char* item : {"\\1 Structure", "\\2 Name"})
            addin_testing::WriteKey(menu + item, {{"HandlerID", "Ulnara19.Item"}, {"Host", service},
                                                  {"StructureHost", service}, {"StructureTarget", "/structure/"}});
        // The search is signed, as a service that checks its callers configures it.
        addin_testing::WriteHeaderList(menu + "\\1 Structure", kSignedHeaders);
        m_drawing = OpenDrawing("ethanol");
        EXPECT_TRUE(m_extension.CreateDispatch("Ulnara19.Extension")) << "is the DLL registered in the prefix?";
        EXPECT_TRUE(m_item.CreateDispatch("Ulnara19.Item"));
    }

    void SetUpMenus() { ASSERT_TRUE(addin_testing::CallMember(m_extension.m_lpDispatch, L"Setup", m_application.Get()).value); }

    // Item.Execute for an item of the add-in's menu, while the scripted user works what it shows.
    addin_testing::CallResult Execute(const std::string& caption, ScriptedUser::Script script = nullptr)
    {
        std::shared_ptr<refhost::MenuItemModel> entry;
        if (auto menu = m_host->MainWindow().MainMenuBar().Find("Search"))
            for (const auto& candidate : menu->items)
                if (candidate->caption == caption)
                    entry = candidate;
        if (!entry) {
            ADD_FAILURE() << "no menu item " << caption;
            entry = std::make_shared<refhost::MenuItemModel>();
        }
        return ExecuteMenuItem(entry, std::move(script));
    }
    addin_testing::CallResult ExecuteMenuItem(const std::shared_ptr<refhost::MenuItemModel>& entry,
                                              ScriptedUser::Script script = nullptr)
    {
        auto menuItem = refhost::MakeMenuItem(m_host, m_host->windows.front(), entry);
        std::optional<ScriptedUser> user;
        if (script)
            user.emplace(std::move(script));
        auto result = addin_testing::CallMember(m_item.m_lpDispatch, L"Execute", menuItem.Get());
        if (user)
            user->Finish();
        return result;
    }

    // Item.ExecuteDirect; its result must be a 16-bit integer. The input goes as a BSTR of all its bytes.
    short ExecuteDirect(const std::string& item, std::string_view input, IDispatch* target = nullptr,
                        ScriptedUser::Script script = nullptr)
    {
        std::optional<ScriptedUser> user;
        if (script)
            user.emplace(std::move(script));
        const fw::unique_variant text = fw::MakeVariant(input);
        fw::unique_variant result = m_item.InvokeHelper<fw::unique_variant>(
            addin_testing::IdOf(m_item.m_lpDispatch, L"ExecuteDirect"), DISPATCH_METHOD, m_application.Get(), target,
            std::string(kMenuPath) + "\\" + item, *text);
        if (user)
            user->Finish();
        EXPECT_EQ(result.type(), VT_I2);
        return V_I2(result.get());
    }

    std::shared_ptr<refhost::DrawingDocument> m_drawing;
    COleDispatchDriver m_extension;
    COleDispatchDriver m_item;
};

TEST_F(ItemThroughCom, ChosenFromTheMenuASearchPlacesTheFoundStructure)
{
    // The registration names both classes by their ProgIDs.
    CLSID classId{};
    EXPECT_EQ(CLSIDFromProgID(L"Ulnara19.Extension", &classId), S_OK);
    EXPECT_EQ(classId, CLSID_Extension);
    EXPECT_EQ(CLSIDFromProgID(L"Ulnara19.Item", &classId), S_OK);
    EXPECT_EQ(classId, CLSID_Item);
    SetUpMenus();
    auto result = Execute("Structure search...", [](ScriptedUser& user) {
        DialogWindow choice = user.WaitForDialog("Search SciFinder");
        choice.Click(IDC_EXACT);
        choice.Click(IDOK);
        choice.WaitUntilClosed();
    });
    EXPECT_EQ(result.status, S_OK);
    EXPECT_TRUE(result.value);
    auto requests = Service().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].query, "type=exact");
    EXPECT_TRUE(requests[0].body.starts_with("structure="));
    EXPECT_EQ(requests[0].HeaderValues("X-Request-Id").at(0).size(), 36u);
    EXPECT_TRUE(Service().VerifySignature(0, "X-Signature", "X-Request-Id|Request_Body", "k3y"));
    EXPECT_EQ(requests[1].path, "/structure/ethanol");
    EXPECT_EQ(m_drawing->chemistry->Groups().size(), 2u);
}

TEST_F(ItemThroughCom, UpdateEnablesByTheDocumentAndCleanupRemovesTheMenu)
{
    SetUpMenus();
    auto menu = m_host->MainWindow().MainMenuBar().Find("Search");
    ASSERT_TRUE(menu);
    auto structure = menu->items.at(0);
    ASSERT_TRUE(structure->enabled);
    m_host->MainWindow().activeDocument = std::make_shared<refhost::DrawingDocument>();
    auto update = addin_testing::CallMember(m_item.m_lpDispatch, L"Update",
                                            refhost::MakeMenuItem(m_host, m_host->windows.front(), structure).Get());
    EXPECT_EQ(update.status, S_OK);
    EXPECT_FALSE(structure->enabled);   // a document with nothing selected
    EXPECT_TRUE(addin_testing::CallMember(m_extension.m_lpDispatch, L"Cleanup", m_application.Get()).value);
    EXPECT_FALSE(m_host->MainWindow().MainMenuBar().Find("Search"));
}

TEST_F(ItemThroughCom, AFailedSearchIsReportedInAMessageBoxAndAsFalse)
{
    SetUpMenus();
    std::string text;
    // The caption loses its "...".
    auto result = Execute("Search by name...", [&](ScriptedUser& user) {
        DialogWindow prompt = user.WaitForDialog("Search by name");
        prompt.Type(IDC_TEXT, "no such thing");
        prompt.Click(IDOK);
        prompt.WaitUntilClosed();
        DialogWindow message = user.WaitForDialog("Search by name");
        text = message.Text(kMessageBoxText);
        message.Click(IDOK);
        message.WaitUntilClosed();
    });
    EXPECT_EQ(result.status, S_OK);
    EXPECT_FALSE(result.value);
    EXPECT_EQ(text, "No Records Found: no%20such%20thing");   // the text as it was sent
}

TEST_F(ItemThroughCom, DirectRunsReturnTheirResultCodes)
{
    // No Extension is needed for a direct run.
    m_extension.ReleaseDispatch();
    EXPECT_EQ(ExecuteDirect("2 Name", "eth"), 2);
    EXPECT_EQ(ExecuteDirect("2 Name", "unobtainium"), 0);
    EXPECT_EQ(ExecuteDirect("2 Name", "empty"), -102);   // the service hands back an empty structure
    EXPECT_EQ(ExecuteDirect("Missing", "x"), 1);
    // The input is an ANSI string to the caller: it ends at its first zero byte.
    EXPECT_EQ(ExecuteDirect("2 Name", std::string_view("eth\0anol", 8)), 2);
    auto requests = Service().Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].body, "name=eth&comp=vlns");
    EXPECT_EQ(requests[4].body, "name=eth&comp=vlns");

    // The found structure goes into the document given as the target, not into the active one.
    auto target = OpenDrawing("ethane", false);
    auto targetView = target->CreateView(m_host);
    EXPECT_EQ(ExecuteDirect("2 Name", "ethyl acetate", targetView.Get()), 1);
    EXPECT_EQ(target->chemistry->Groups().size(), 2u);
    EXPECT_EQ(m_drawing->chemistry->Groups().size(), 1u);

    // A refused selection is shown in either kind of run; a direct run's caption is one blank.
    OpenFixture("two_reactions.rdf");
    std::string refusal;
    EXPECT_EQ(ExecuteDirect("1 Structure", "x", nullptr, [&](ScriptedUser& user) {
        DialogWindow message = user.WaitForDialog(" ");
        refusal = message.Text(kMessageBoxText);
        message.Click(IDOK);
        message.WaitUntilClosed();
    }), 1);
    EXPECT_EQ(refusal, "Sorry, searching for multiple reactions is not supported.");
}

TEST_F(ItemThroughCom, ExecuteWithoutAnItemToRunAnswersTrueAndDoesNothing)
{
    // The host's own item, which the add-in did not create.
    SetUpMenus();
    auto hostItem = std::make_shared<refhost::MenuItemModel>();
    hostItem->caption = "Open...";
    hostItem->commandId = 57601;
    auto unmapped = ExecuteMenuItem(hostItem);
    EXPECT_EQ(unmapped.status, S_OK);
    EXPECT_TRUE(unmapped.value);

    // No Extension alive: no menu map, so nothing is looked up.
    ASSERT_TRUE(addin_testing::CallMember(m_extension.m_lpDispatch, L"Cleanup", m_application.Get()).value);
    auto entry = std::make_shared<refhost::MenuItemModel>();
    entry->caption = "Structure search...";
    entry->commandId = 1001;
    m_extension.ReleaseDispatch();
    m_host->ResetLookups();
    auto orphan = ExecuteMenuItem(entry);
    EXPECT_EQ(orphan.status, S_OK);
    EXPECT_TRUE(orphan.value);
    EXPECT_EQ(m_host->LookupCount("CommandID"), 0);
    EXPECT_TRUE(Service().Requests().empty());

    // A host that fails while describing its item gets TRUE as well, not a failed call.
    ASSERT_TRUE(m_extension.CreateDispatch("Ulnara19.Extension"));
    m_host->Raise("MenuItem", "CommandID", 5, "busy");
    auto failing = ExecuteMenuItem(entry);
    EXPECT_EQ(failing.status, S_OK);
    EXPECT_TRUE(failing.value);
}

} // namespace
