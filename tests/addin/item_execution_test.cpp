// Running configured items in the add-in's core: items in the registry sandbox, the stand-in host with
// drawings, the stand-in structure service's catalogue on loopback through the real MSXML, real dialogs
// worked by the scripted user, and message boxes, pages and the download dialog observed through seams.
#include "addin/ItemExecution.h"

#include "addin/ConfigStore.h"
#include "addin/NetFileFetch.h"
#include "addin/RegistryKey.h"
#include "framework/text.h"
#include "framework/ui_seams.h"
#include "host/wrappers.h"
#include "item_testing.h"
#include "resources/resource.h"
#include "scripted_user.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

namespace {

using addin_testing::Answer;
using testing_support::DialogWindow;
using testing_support::ScriptedUser;

constexpr char kItemsKey[] = "Software\\ItemTests\\";

std::string ItemPath(const std::string& name)
{
    return kItemsKey + name;
}

using addin_testing::Numbers;
using addin_testing::Strings;

void WriteItem(const std::string& name, const Strings& strings, const Numbers& numbers = {})
{
    addin_testing::WriteKey(ItemPath(name), strings, numbers);
}

void WriteHeaderList(const std::string& name, const std::string& list)
{
    addin_testing::WriteHeaderList(ItemPath(name), list);
}

// The download dialog in the add-in's place: what it was asked, what it answers, what it opened.
struct DownloadStandIn {
    std::vector<std::string> asked;   // application name, item path, action, title
    INT_PTR answer = IDOK;
    std::string storedPath;           // written into the dialog's buffer (at most its 260 bytes)
    std::vector<std::string> opened;
    bool openFails = false;
};
DownloadStandIn g_download;

const NetFileFetch kDownloadStandIn{
    [](const std::string& application, const std::string& itemPath, const std::string& action,
       const std::string& title, char* outPath) -> INT_PTR {
        g_download.asked = {application, itemPath, action, title};
        std::memcpy(outPath, g_download.storedPath.data(), std::min(g_download.storedPath.size() + 1, kNetFilePathSize));
        return g_download.answer;
    },
    [](const std::string& path) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    },
    [](Application&, const std::string& path) {
        if (g_download.openFails)
            throw std::runtime_error("Unknown application");
        g_download.opened.push_back(path);
    },
};

class ItemExecution : public addin_testing::ItemTest {
protected:
    // A web service item searching the service's catalogue; later values replace earlier ones.
    void WriteSearchItem(const std::string& name, const Strings& extra = {}, const Numbers& numbers = {},
                         const std::string& host = {})
    {
        Strings values = {{"Host", host.empty() ? Service().BaseUrl() : host},
                          {"Target", "/search?type="},
                          {"PostData", "structure="},
                          {"StructureHost", Service().BaseUrl()},
                          {"StructureTarget", "/structure/"}};
        values.insert(values.end(), extra.begin(), extra.end());
        WriteItem(name, values, numbers);
    }

    short Run(const std::string& item, const std::string& input = {}, const std::string& caption = "Search...")
    {
        Application application(m_application.Get(), false);
        return ExecuteItem(application, item.empty() ? std::string() : ItemPath(item), caption, input, nullptr);
    }

    // An interactive run while the scripted user works its dialogs.
    short RunWith(const std::string& item, ScriptedUser::Script script, const std::string& caption = "Search...")
    {
        ScriptedUser user(std::move(script));
        const short result = Run(item, std::string(), caption);
        user.Finish();
        return result;
    }

    std::vector<fw::MessageBoxCall> m_messages;
    std::vector<std::string> m_pages;
    bool m_messageBoxFails = false;
    fw::ScopedMessageBoxHandler m_messageRecorder{[this](const fw::MessageBoxCall& call) {
        if (m_messageBoxFails)
            throw std::runtime_error("no window station");
        m_messages.push_back(call);
        return IDOK;
    }};
    fw::ScopedShellOpenHandler m_pageRecorder{[this](const fw::ShellOpenCall& call) {
        EXPECT_EQ(call.verb, "") << "the default action";
        m_pages.push_back(call.target);
        return true;
    }};
};

TEST_F(ItemExecution, ItemsWithoutWebServiceValuesRequestNothing)
{
    WriteItem("Empty", {});
    for (const std::string item : {"", "Missing", "Empty"}) {
        SCOPED_TRACE(item);
        EXPECT_EQ(Run(item), 1);
    }
    EXPECT_TRUE(m_pages.empty());
    // "ShowPage" without "PostData" is opened as it is.
    WriteItem("Page", {{"ShowPage", "http://127.0.0.1/about?x=a b"}, {"Host", "http://unused"}, {"Target", "/t"}});
    EXPECT_EQ(Run("Page"), 1);
    EXPECT_EQ(m_pages, std::vector<std::string>{"http://127.0.0.1/about?x=a b"});
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(Requests().empty());
}

TEST_F(ItemExecution, EncodesTheAppendedStructureOnlyForFormBodies)
{
    // Bytes FB EF BE are "++++" in Base64: 60 of them make a line of 72 "+" and one of 8.
    std::string bytes;
    for (int i = 0; i < 20; ++i)
        bytes += "\xFB\xEF\xBE";
    auto drawing = OpenDrawing("ethanol");
    drawing->selection.dataByType["application/x-test"] = refhost::ByteArray(bytes);
    // A structure as XML text: its "&" and "%" would end the form value or be decoded in it.
    const std::string xml = "<cml><molecule title=\"A &amp; B, 100% +1\"/></cml>";
    drawing->selection.dataByType["chemical/x-cml+xml"] = fw::MakeVariant(xml);
    WriteSearchItem("Form", {{"InputMimeType", "application/x-test"}, {"PostData", "mode=a+b&structure="}});
    WriteSearchItem("Json", {{"InputMimeType", "application/x-test"}});
    WriteHeaderList("Json", "Content-Type:application/json");
    WriteSearchItem("XmlForm", {{"InputMimeType", "chemical/x-cml+xml"}});
    WriteSearchItem("XmlJson", {{"InputMimeType", "chemical/x-cml+xml"}});
    WriteHeaderList("XmlJson", "Content-Type:application/json");
    for (const char* item : {"Form", "Json", "XmlForm", "XmlJson"}) {
        Service().Enqueue(Answer("no_records_found"));
        EXPECT_EQ(Run(item), 0) << item;
    }

    std::string encoded;
    for (int i = 0; i < 72; ++i)
        encoded += "%2b";
    encoded += "\r\n%2b%2b%2b%2b%2b%2b%2b%2b\r\n";
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].body, "mode=a+b&structure=" + encoded);
    EXPECT_EQ(requests[1].body, "structure=" + std::string(72, '+') + "\r\n++++++++\r\n");
    EXPECT_EQ(requests[1].HeaderValues("Content-Type"), std::vector<std::string>{"application/json"});
    EXPECT_EQ(requests[2].body, "structure=<cml><molecule title=\"A %26amp; B, 100%25 %2b1\"/></cml>");
    EXPECT_EQ(requests[3].body, "structure=" + xml);
    // The failure of a structure search shows the answer as it came.
    ASSERT_EQ(m_messages.size(), 4u);
    EXPECT_EQ(m_messages[0].text, "No Records Found");
    EXPECT_EQ(m_messages[0].caption, "Search");
    EXPECT_EQ(m_messages[0].owner, m_mainWindow);
    EXPECT_EQ(m_messages[0].type, static_cast<UINT>(MB_OK));
}

TEST_F(ItemExecution, DirectRunsSendTheTypedTextAndStopAtAList)
{
    OpenDrawing("ethanol");
    WriteSearchItem("Name", {{"PostData", "name="}, {"Prompt", "Name:"}});
    const struct {
        std::string input;
        std::string body;
        short result;
        std::size_t requests;
    } cases[] = {
        {"ethyl acetate", "name=ethyl%20acetate&comp=vlns", 1, 2},   // found: its structure is fetched
        {"eth", "name=eth&comp=vlns", 2, 1},                         // a list: nothing fetched
        {"(+)-camphor", "name=(%2B)-camphor&comp=vlns", 1, 2},
        {"a&b=c #1 100%", "name=a%26b%3Dc%20%231%20100%25&comp=vlns", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        Service().Reset();
        EXPECT_EQ(Run("Name", c.input), c.result);
        auto requests = Requests();
        ASSERT_EQ(requests.size(), c.requests);
        EXPECT_EQ(requests[0].body, c.body);
    }
    EXPECT_TRUE(m_messages.empty()) << "direct runs show no request messages";
}

TEST_F(ItemExecution, ShowsTheAnswerAsAPageWithItsSpecialCharactersEscaped)
{
    OpenDrawing("ethanol");
    WriteSearchItem("Page", {{"ShowPage", "http://127.0.0.1/results?id="}});
    Service().Enqueue(Answer("ethanol"));
    Service().Enqueue(Answer("a b\r\n\"x\"&y"));
    EXPECT_EQ(Run("Page"), 1);
    EXPECT_EQ(Run("Page"), 1);
    EXPECT_EQ(m_pages, (std::vector<std::string>{"http://127.0.0.1/results?id=ethanol",
                                                 "http://127.0.0.1/results?id=a%20b%0D%0A%22x%22&y"}));
    EXPECT_EQ(Requests().size(), 2u) << "no structure is fetched for a page";
}

TEST_F(ItemExecution, TheStructureRequestStaysInsideItsTarget)
{
    auto drawing = OpenDrawing("ethanol");
    WriteSearchItem("Structure");
    WriteSearchItem("Query", {{"StructureTarget", "/structure?name="}});
    const std::string refused = "An error occurred accessing " + Service().BaseUrl() + "/search?type=\nError code: ";
    const struct {
        std::string item;
        std::string answer;
        std::string input;
        std::string path;   // of the request for the structure; empty: none is made
        short result;
    } cases[] = {
        {"Structure", "../../search?x=1", "", "", -1},
        {"Structure", "a/%2e%2E/../other", "", "", -1},
        {"Structure", "..\\other", "x", "", -1},
        {"Structure", "..", "", "", -1},
        // A fragment would never reach the service: the request would name "eth".
        {"Structure", "eth#anol", "", "/structure/eth%23anol", 0},
        {"Structure", "a/b..c/.d", "", "/structure/a/b..c/.d", 0},
        {"Query", "../x", "", "/structure", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        Service().Reset();
        m_messages.clear();
        Service().Enqueue(Answer(c.answer));
        Service().Enqueue(Answer("", 404, "No Such Structure"));
        EXPECT_EQ(Run(c.item, c.input), c.result);
        auto requests = Requests();
        ASSERT_EQ(requests.size(), c.path.empty() ? 1u : 2u);
        if (!c.path.empty()) {
            EXPECT_EQ(requests[1].path, c.path);
        }
        if (c.result == -1 && c.input.empty()) {
            ASSERT_EQ(m_messages.size(), 1u);
            EXPECT_TRUE(m_messages[0].text.starts_with(refused)) << m_messages[0].text;
        }
    }
    EXPECT_EQ(drawing->chemistry->Groups().size(), 1u);
}

TEST_F(ItemExecution, FailedRequestsShowTheAnswerWithTheConfiguredText)
{
    auto drawing = OpenDrawing("ethanol");
    WriteSearchItem("Structure", {{"Error404", "Not here.#Ask your administrator."},
                                  {"Error500", "The first request failed."}});
    // Without "StructureTarget" (and no page or description) the second request goes with what the item has.
    WriteItem("Partial", {{"Host", Service().BaseUrl()}, {"Target", "/search"}, {"PostData", "structure="},
                          {"StructureHost", Service().BaseUrl() + "/structure/"}});
    Service().Enqueue(Answer("", 500, "Server Trouble"));
    EXPECT_EQ(Run("Structure"), 0);
    Service().Enqueue(Answer("unknown"));   // the second request finds nothing under that name
    EXPECT_EQ(Run("Structure"), 0);
    Service().Enqueue(Answer("unknown"));
    EXPECT_EQ(Run("Structure", "direct"), 0) << "the same failure, silently";
    EXPECT_EQ(drawing->chemistry->Groups().size(), 1u);
    EXPECT_EQ(Run("Partial"), 1);
    EXPECT_EQ(drawing->chemistry->Groups().size(), 2u);
    Service().Enqueue(Answer("unknown"));
    EXPECT_EQ(Run("Partial"), 0);

    EXPECT_EQ(Requests().at(6).path, "/structure/ethanol");
    std::vector<std::string> texts;
    for (const auto& message : m_messages)
        texts.push_back(message.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Server Trouble (500)The first request failed.",
                                               "No Such Structure (404)Not here.\nAsk your administrator.",
                                               "No Such Structure"}));
}

TEST_F(ItemExecution, SignsExactlyTheBytesOnTheWire)
{
    constexpr char key[] = "s3cret";
    const std::string list = "Content-Type:application/x-www-form-urlencoded;X-Request-Id:[UUID];"
                             "X-Signature:[sign(X-Request-Id|Request_Body)s3cret]";
    auto drawing = OpenDrawing("ethanol");
    // A structure read as XML text travels unencoded, its title included.
    drawing->selection.dataByType["chemical/x-cml+xml"] =
        fw::MakeVariant(fw::Narrow(L"<cml><molecule title=\"Caf\u00e9 cr\u00e8me\"/></cml>"));
    WriteSearchItem("Xml", {{"InputMimeType", "chemical/x-cml+xml"}});
    WriteHeaderList("Xml", list);
    WriteSearchItem("Name", {{"PostData", "name="}, {"Prompt", "Name:"}});
    WriteHeaderList("Name", list);
    Service().Enqueue(Answer("no_records_found"));
    EXPECT_EQ(Run("Xml"), 0);
    EXPECT_EQ(Run("Name", fw::Narrow(L"caf\u00e9 au lait")), 0);

    auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].body, "structure=<cml><molecule title=\"Caf\xC3\xA9 cr\xC3\xA8me\"/></cml>");
    EXPECT_EQ(requests[1].body, "name=caf\xC3\xA9%20au%20lait&comp=vlns");
    for (std::size_t index : {0u, 1u}) {
        std::string expected;
        EXPECT_TRUE(Service().VerifySignature(index, "X-Signature", "X-Request-Id|Request_Body", key, &expected))
            << "request " << index << " expected " << expected;
    }
}

TEST_F(ItemExecution, ThePromptAsksForTheTextAndTheResultsDialogShowsTheAnswer)
{
    WriteItem("Name", {{"Host", Service().BaseUrl()}, {"Target", "/search"}, {"PostData", "name="},
                       {"Prompt", "Name or CAS number:"}, {"ResultsDescription", "Substances found:"}});
    // Cancelled, nothing is asked of the service.
    EXPECT_EQ(RunWith("Name", [](ScriptedUser& user) {
        DialogWindow prompt = user.WaitForDialog("Search");
        prompt.PressEscape();
        prompt.WaitUntilClosed();
    }), 1);
    EXPECT_TRUE(Requests().empty());

    std::string prompt, shown, description;
    EXPECT_EQ(RunWith("Name", [&](ScriptedUser& user) {
        DialogWindow asking = user.WaitForDialog("Search");
        prompt = asking.Text(IDC_PROMPT);
        asking.Type(IDC_TEXT, "eth");
        asking.Click(IDOK);
        asking.WaitUntilClosed();
        DialogWindow results = user.WaitForDialog("Search");
        shown = results.Text(IDC_TEXT);
        description = results.Text(IDC_PROMPT);
        results.Click(IDOK);
        results.WaitUntilClosed();
    }), 1);
    EXPECT_EQ(prompt, "Name or CAS number:");
    EXPECT_EQ(shown, "ethane,ethanol,ethyl acetate");   // in an interactive run a list is an answer like any
    EXPECT_EQ(description, "Substances found:");
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0].body, "name=eth");
}

TEST_F(ItemExecution, TheSearchChoiceSetsTheTargetAndTheProxyAddress)
{
    auto drawing = OpenDrawing("ethanol");
    WriteSearchItem("Structure", {{"Target1", "substructure"}, {"Target2", "exact"}}, {{"Dialog0", IDD_CHOICE_STRUCTURE}});
    WriteHeaderList("Structure", "X-Proxy:[proxyURL]");
    ASSERT_EQ(WriteProxyURL("http://old.example/"), ERROR_SUCCESS);

    // The whole ethanol: substructure suggested, no note; the user asks for an exact search through a new proxy.
    bool suggested = false, noteShown = true;
    EXPECT_EQ(RunWith("Structure", [&](ScriptedUser& user) {
        DialogWindow choice = user.WaitForDialog("Search SciFinder");
        suggested = choice.IsChecked(IDC_SUBSTRUCTURE);
        noteShown = choice.IsVisible(IDC_NOTE);
        choice.Click(IDC_EXACT);
        choice.Click(IDC_PROXY_SETTINGS);
        DialogWindow proxy = user.WaitForDialog("Proxy Settings");
        proxy.SetText(IDC_PROXY_URL, "http://proxy.example:3128/");
        proxy.Click(IDOK);
        proxy.WaitUntilClosed();
        choice.Click(IDOK);
        choice.WaitUntilClosed();
    }), 1);
    EXPECT_TRUE(suggested);
    EXPECT_FALSE(noteShown);
    EXPECT_EQ(ReadProxyURL(), "http://proxy.example:3128/");
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].query, "type=exact");
    EXPECT_EQ(requests[0].HeaderValues("X-Proxy"), std::vector<std::string>{"http://proxy.example:3128/"});
    EXPECT_EQ(drawing->chemistry->Groups().size(), 2u);

    // Two atoms without their bond: the warning is the note; an option without a configured target leaves
    // the target as it is.
    Service().Reset();
    drawing->chemistry->Select({{0, 1}, {}, {}});
    drawing->Synchronize();
    std::string note;
    EXPECT_EQ(RunWith("Structure", [&](ScriptedUser& user) {
        DialogWindow choice = user.WaitForDialog("Search SciFinder");
        note = choice.Text(IDC_NOTE);
        choice.Click(IDC_REACTANTS);
        choice.Click(IDOK);
        choice.WaitUntilClosed();
    }), 1);
    EXPECT_EQ(note, "Note:\tOnly a portion of the structure was selected.");
    ASSERT_EQ(Requests().size(), 2u);
    EXPECT_EQ(Requests()[0].query, "type=");
    EXPECT_EQ(Requests()[1].path, "/structure/ethane");

    // Cancelled: no request, the proxy address stays.
    Service().Reset();
    EXPECT_EQ(RunWith("Structure", [](ScriptedUser& user) {
        DialogWindow choice = user.WaitForDialog("Search SciFinder");
        choice.PressEscape();
        choice.WaitUntilClosed();
    }), 1);
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(ReadProxyURL(), "http://proxy.example:3128/");
}

TEST_F(ItemExecution, AReactionIsSearchedWithTheReactionDialogAndTheFirstTarget)
{
    OpenFixture("esterification.rxn");
    WriteSearchItem("Structure", {{"Target0", "reaction"}, {"Target1", "substructure"}},
                    {{"Dialog0", IDD_CHOICE_STRUCTURE}, {"Dialog1", IDD_CHOICE_REACTION}});
    Service().Enqueue(Answer("no_records_found"));
    EXPECT_EQ(RunWith("Structure", [](ScriptedUser& user) {
        DialogWindow choice = user.WaitForDialog("Search SciFinder");
        if (choice.HasControl(IDC_SUBSTRUCTURE))
            throw testing_support::ScriptFailure("the structure dialog opened for a reaction");
        choice.Click(IDOK);
        choice.WaitUntilClosed();
    }), 0);
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0].query, "type=reaction");
}

TEST_F(ItemExecution, AFetchItemRunsTheDownloadDialogAndOpensTheStoredFile)
{
    // A fetch item with web service values too: only the fetch runs.
    WriteSearchItem("Fetch", {{"GetNetFile", "PDB"}});
    char folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    const std::string stored = std::string(folder) + "ulnara-fetched.pdb";
    std::ofstream(stored) << "HEADER    stand-in\n";

    ScopedNetFileFetch standIn(kDownloadStandIn);
    const struct {
        const char* what;
        INT_PTR answer;
        std::string path;
        bool opened;
    } cases[] = {
        {"stored", IDOK, stored, true},
        {"cancelled", IDCANCEL, stored, false},
        {"a folder", IDOK, folder, false},
        {"no such file", IDOK, stored + ".missing", false},
        {"a path filling the buffer without its end", IDOK, stored + std::string(300, 'x'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_download = {};
        g_download.answer = c.answer;
        g_download.storedPath = c.path;
        EXPECT_EQ(Run("Fetch", std::string(), "Protein Data Bank entry..."), 1);
        EXPECT_EQ(g_download.asked, (std::vector<std::string>{"Velmora 19.0", ItemPath("Fetch"), "PDB",
                                                              "Protein Data Bank entry"}));
        EXPECT_EQ(g_download.opened, c.opened ? std::vector<std::string>{stored} : std::vector<std::string>{});
    }
    g_download = {};
    g_download.storedPath = stored;
    g_download.openFails = true;
    EXPECT_EQ(Run("Fetch"), 1);
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(m_messages.empty());
    DeleteFileA(stored.c_str());
}

// Every way a run can go wrong ends in its result code; nothing escapes.
TEST_F(ItemExecution, EveryFailureEndsInItsResult)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(testing_support::RefusedPort());
    WriteSearchItem("Down", {}, {}, refused);
    WriteSearchItem("Structure");
    WriteSearchItem("Clear");
    basic_RegistryKey(HKEY_CURRENT_USER, ItemPath("Clear"), KEY_ALL_ACCESS).SetValue("POSTHeaders", "Content-Type:x");

    const std::string accessError = "An error occurred accessing " + refused + "/search?type=\nError code: ";
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string item;
        std::string input;
        short result;
        std::string message;   // the start of the one message shown; empty: none
    };
    const Case cases[] = {
        {"service down", [] {}, "Down", "", -1, accessError},
        {"service down, direct", [] {}, "Down", "x", -1, ""},
        {"host raises -102 placing the structure", [&] { m_host->Raise("CDataObject", "SetData", -102, "empty"); },
         "Structure", "", -1, kEmptyStructureMessage},
        {"host raises -102 in wCode, direct", [&] { m_host->Raise("CDataObject", "SetData", -102, "empty", true); },
         "Structure", "x", -102, ""},
        {"host raises another code, direct", [&] { m_host->Raise("CDataObject", "SetData", 7, "other"); },
         "Structure", "x", -1, ""},
        {"host raises reading the selection", [&] { m_host->Raise("Application", "ActiveDocument", -102, "busy"); },
         "Structure", "", 1, ""},
        {"host fails reading the selection", [&] { m_host->Fail("IVelmoraSelection", "DataObject", E_FAIL); },
         "Structure", "", 1, ""},
        {"host not of the suite", [&] { m_host->name = "Other Editor"; }, "Structure", "", 1, ""},
        {"header list stored in clear", [] {}, "Clear", "", 1, ""},
        {"header list stored in clear, direct", [] {}, "Clear", "x", 1, ""},
        {"message box fails", [&] {
             m_host->Raise("CDataObject", "SetData", 9, "other");
             m_messageBoxFails = true;
         }, "Structure", "", -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenDrawing("ethanol");
        m_host->Behave();
        m_host->name = "Velmora 19.0";
        m_messages.clear();
        m_messageBoxFails = false;
        c.arrange();
        EXPECT_EQ(Run(c.item, c.input), c.result);
        if (c.message.empty()) {
            EXPECT_TRUE(m_messages.empty());
        } else {
            ASSERT_EQ(m_messages.size(), 1u);
            EXPECT_TRUE(m_messages[0].text.starts_with(c.message)) << m_messages[0].text;
        }
    }
}

TEST_F(ItemExecution, CutsTheErrorMessageToItsBufferKeepingTheCode)
{
    const std::string shortUrl = "http://h/t";
    EXPECT_EQ(AccessErrorMessage(shortUrl, -5), "An error occurred accessing http://h/t\nError code: -5");
    const std::string longUrl = "http://h/" + std::string(500, 'x');
    const std::string message = AccessErrorMessage(longUrl, -2147012867);
    EXPECT_EQ(message.size(), kAccessErrorMessageLimit);
    EXPECT_TRUE(message.ends_with("xxx...\nError code: -2147012867")) << message;
}

} // namespace
