// The three-step fetch against the stand-in download server on loopback (its catalogue in
// tests/fixtures/netfile), with item keys in the registry sandbox: what goes on the wire, what the answers
// and their faults become, the fallback to the item's own configuration, and where files end up.
#include "netfile/GetNetFileUI.h"

#include "netfile_testing.h"
#include "registry_sandbox.h"
#include "stand_in_service.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace netfile_testing;
using testing_support::StandInService;
namespace fs = std::filesystem;

// The protected steps, for checks between them.
class Fetch : public CGetNetFileUI {
public:
    explicit Fetch(const std::string& action) : CGetNetFileUI(kAppName, kItemPath, action) {}
    using CGetNetFileUI::CGetNetFileUI;
    using CGetNetFileUI::MakeMXLink;
    using CGetNetFileUI::TempFilePath;
};

class FetchTest : public testing::Test {
protected:
    static void SetUpTestSuite() { s_server = StartCatalogueServer(); }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override { s_server->Reset(); }

    static StandInService& Server() { return *s_server; }
    static std::string ServerURL() { return Server().BaseUrl() + "/ulnaramenus/getnetfile.asp"; }
    static std::string EntryURL(const std::string& file) { return Server().BaseUrl() + "/entries/" + file; }
    static void ConfigureItem(const std::string& values, const std::string& hive = "HKEY_CURRENT_USER")
    {
        ImportKey(kItemPath, values, hive);
    }

    // Init and get link without a window; then the download into `destination`. The stored file's path,
    // or "(failed)".
    static std::string FetchInSteps(Fetch& fetch, const std::vector<std::string>& values, std::string destination)
    {
        std::string caption;
        std::vector<std::string> labels;
        fetch.StartInit(nullptr);
        if (!fetch.EndInit(caption, labels))
            return "(no init)";
        fetch.StartGetLink(values, nullptr);
        return fetch.StartDownload(destination, values, nullptr) == 1 ? fetch.GetSaveAsFilename() : "(failed)";
    }

    regconfig::RegistrySandbox m_sandbox;
    ScratchFolder m_folder{"fetchtest-"};

private:
    static inline std::unique_ptr<StandInService> s_server;
};

TEST_F(FetchTest, BlockingDownloadGoesThroughAllThreeSteps)
{
    // A server URL that ends in "?" gets no second one.
    ConfigureItem(RegString("ServerURL", ServerURL() + "?"));
    Fetch fetch("PDB");
    std::string path = m_folder.Path();
    ASSERT_TRUE(fetch.Download(path, "0ULN"));
    EXPECT_EQ(path, m_folder.Path() + "\\0uln.pdb");
    EXPECT_EQ(FileBytes(path), FileBytes(testing_support::FixturePath("netfile\\0uln.pdb")));

    // The whole application name travels; one value for two tokens gives one pair.
    const auto requests = Server().Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].path, "/ulnaramenus/getnetfile.asp");
    EXPECT_EQ(requests[0].query.find("action=PDB&mxapp=Velmora"), 0u);
    EXPECT_NE(requests[0].query.find("Professional&mxver=19.0&task=gettoken"), std::string::npos);
    EXPECT_EQ(requests[1].query.substr(requests[1].query.find("&task=")), "&task=getlink&ID=0ULN");
    EXPECT_EQ(requests[2].path, "/entries/0uln.pdb");

    // The server's answers are gone; the filter comes from its file types.
    EXPECT_FALSE(fs::exists(fetch.TempFilePath()));
    std::string filter, defaultExt;
    ASSERT_TRUE(fetch.GetFileExts(filter, defaultExt));
    EXPECT_EQ(filter, "Protein Data Bank file|*.pdb|PDB entry|*.ent||");
    EXPECT_EQ(defaultExt, "pdb");
}

TEST_F(FetchTest, ServerDownFallsBackToTheItemsTemplate)
{
    ConfigureItem(RegString("ServerURL", RefusedURL()) +
                  RegString("URL", EntryURL("%ID%.pdb")) + RegString("Tokens", "%ID%:PDB ID") +
                  RegString("CAPTION", "Protein Data Bank") + RegString("FileExt", "pdb:PDB file"));
    Fetch fetch("PDB");
    std::string path = m_folder.Path();
    ASSERT_TRUE(fetch.Download(path, "0uln"));
    EXPECT_EQ(path, m_folder.Path() + "\\0uln.pdb");
    EXPECT_EQ(FileBytes(path).substr(0, 6), "HEADER");
    EXPECT_FALSE(fs::exists(fetch.TempFilePath()));

    // Without a "URL" value there is nothing to fall back to: the fetch fails and the path is kept.
    ConfigureItem("\"URL\"=-");
    path = m_folder.Path();
    EXPECT_FALSE(fetch.Download(path, "0uln"));
    EXPECT_EQ(path, m_folder.Path());
}

TEST_F(FetchTest, InitAnswersThatDoNotCountGiveWayToTheItemKey)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    for (const char* action : {"INITFIRST", "INITEMPTY", "INITLONG", "INITNONE", "UNKNOWN"}) {
        SCOPED_TRACE(action);
        Fetch fetch(action);
        std::string caption = "untouched";
        std::vector<std::string> labels = {"untouched"};
        fetch.StartInit(nullptr);
        EXPECT_FALSE(fetch.EndInit(caption, labels));
        EXPECT_EQ(caption, "untouched");
        EXPECT_FALSE(fs::exists(fetch.TempFilePath()));
    }

    // An answer without a caption: the item's "URL" makes the fetch local, and with no "Tokens" of its own the
    // token text the answer did give is used.
    ConfigureItem(RegString("URL", EntryURL("0uln.pdb")) + RegString("CAPTION", "Local entry"));
    Fetch fetch("INITEMPTY");
    std::string caption;
    std::vector<std::string> labels;
    fetch.StartInit(nullptr);
    ASSERT_TRUE(fetch.EndInit(caption, labels));
    EXPECT_EQ(caption, "Local entry");
    EXPECT_EQ(labels, std::vector<std::string> {"Identifier"});
}

TEST_F(FetchTest, LinkAnswersThatDoNotCountGiveWayToTheItemKey)
{
    ConfigureItem(RegString("ServerURL", ServerURL()) + RegString("URL", EntryURL("0uln.pdb?id=ID")));
    for (const char* id : {"9BAD", "9EMP", "9PUT", "9LNG", "9NON", "NONE"}) {
        SCOPED_TRACE(id);
        Server().Reset();
        Fetch fetch("PDB");
        EXPECT_EQ(FetchInSteps(fetch, {id}, m_folder.Path()), m_folder.Path() + "\\0uln.pdb");
        const auto requests = Server().Requests();
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests[2].query, std::string("id=") + id);
    }

    // A POST answer without headers does not count, but its file name does.
    Fetch fetch("PDB");
    EXPECT_EQ(FetchInSteps(fetch, {"9PST"}, m_folder.Path()), m_folder.Path() + "\\posted.pdb");
    EXPECT_EQ(Server().Requests().back().method, "GET");
}

TEST_F(FetchTest, ServerFileNamesStayInsideTheChosenFolder)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    const std::string folder = m_folder.Path() + "\\a\\b";
    fs::create_directories(folder);
    struct Case {
        const char* id;
        std::string destination;
        std::string stored;
    };
    const Case cases[] = {
        {"9SAV", folder, folder + "\\saved.pdb"},
        {"9SAV", folder + "\\", folder + "\\saved.pdb"},
        // A file destination is the user's choice and stays.
        {"9SAV", folder + "\\chosen.pdb", folder + "\\chosen.pdb"},
        // Names that would leave the folder are refused; the link's own name is used.
        {"9UP1", folder, folder + "\\0uln.pdb"},
        {"9ABS", folder, folder + "\\0uln.pdb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " into " + c.destination);
        Fetch fetch("PDB");
        EXPECT_EQ(FetchInSteps(fetch, {c.id}, c.destination), c.stored);
    }
    EXPECT_FALSE(fs::exists(m_folder.Path() + "\\escaped.pdb"));
    EXPECT_FALSE(fs::exists("C:\\windows\\escaped.pdb"));
}

TEST_F(FetchTest, DefaultServerAndLocalPostThroughAProxy)
{
    // Requests for other hosts reach the stand-in server as the configured proxy, which serves the default
    // server's name like its own.
    ConfigureItem("");
    UseProxy(Server().Port());
    Fetch fetch("PDB");
    std::string path = m_folder.Path();
    ASSERT_TRUE(fetch.Download(path, "0ULN"));
    EXPECT_EQ(path, m_folder.Path() + "\\0uln.pdb");
    auto requests = Server().Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].HeaderValues("Host"), std::vector<std::string> {"getnetfile.ulnara.example"});

    // The server does not know the action; the item's template is posted with its header text.
    Server().Reset();
    ConfigureItem(RegString("URL", "http://files.example/entries/query?id=%ID%") + RegString("Tokens", "%ID%:PDB ID") +
                  RegString("POST", "X-Entry: yes"));
    Fetch local("UNKNOWN");
    path = m_folder.Path() + "\\posted.txt";
    ASSERT_TRUE(local.Download(path, "0ULN"));
    requests = Server().Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].method, "POST");
    EXPECT_EQ(requests[2].path, "/entries/query");
    EXPECT_EQ(requests[2].body, "id=0ULN");
    EXPECT_EQ(requests[2].HeaderValues("X-Entry"), std::vector<std::string> {"yes"});
}

TEST_F(FetchTest, ItemKeyOfTheUserHidesTheMachines)
{
    Fetch fetch("PDB");
    EXPECT_EQ(fetch.GetPrefReg(), "Software\\Quennardix\\Velmora\\19.0\\General\\PDB");
    EXPECT_EQ(fetch.MakeMXLink("gettoken").find(std::string(netfile::kDefaultServerURL) + "action=PDB&"), 0u);

    ConfigureItem(RegString("ServerURL", "http://machine.example/s?"), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(fetch.MakeMXLink("t").find("http://machine.example/s?action=PDB&"), 0u);
    // A user key, even without the value, is the item's key.
    ConfigureItem("");
    EXPECT_EQ(fetch.MakeMXLink("t").find(netfile::kDefaultServerURL), 0u);
    // A value of more than 254 characters cannot be read and counts as absent.
    const std::string longest = "http://user.example/" + std::string(234, 'x');
    ConfigureItem(RegString("ServerURL", longest));
    EXPECT_EQ(fetch.MakeMXLink("t").find(longest + "?action="), 0u);
    ConfigureItem(RegString("ServerURL", longest + "x"));
    EXPECT_EQ(fetch.MakeMXLink("t").find(netfile::kDefaultServerURL), 0u);

    EXPECT_EQ(Fetch(kAppName, "Software\\Quennardix\\Velmora\\Menus\\1 PDB", "PDB").GetPrefReg(),
              "Software\\Quennardix\\Velmora\\0\\General\\PDB");
}

TEST_F(FetchTest, EachFetchHasAnAnswerFileOfItsOwn)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    Fetch first("PDB"), second("MOL");
    EXPECT_NE(first.TempFilePath(), second.TempFilePath());
    EXPECT_NE(first.TempFilePath().find(std::to_string(GetCurrentProcessId())), std::string::npos);

    // Both answers arrive before either is read; each reads its own.
    first.StartInit(nullptr);
    second.StartInit(nullptr);
    std::string caption;
    std::vector<std::string> labels;
    ASSERT_TRUE(second.EndInit(caption, labels));
    EXPECT_EQ(caption, "Structure files");
    ASSERT_TRUE(first.EndInit(caption, labels));
    EXPECT_EQ(caption, "Protein Data Bank");

    // An answer that was never read goes with its fetch.
    std::string path;
    {
        Fetch unread("PDB");
        unread.StartInit(nullptr);
        path = unread.TempFilePath();
        EXPECT_TRUE(fs::exists(path));
    }
    EXPECT_FALSE(fs::exists(path));

    // A cancelled fetch cannot read its answer any more; it does not keep it on disk either.
    Fetch cancelled("PDB");
    cancelled.StartInit(nullptr);
    ASSERT_TRUE(fs::exists(cancelled.TempFilePath()));
    EXPECT_TRUE(cancelled.Cancel());
    EXPECT_FALSE(fs::exists(cancelled.TempFilePath()));
}

TEST_F(FetchTest, StepsOnWorkersReportToTheWindow)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    NoticeWindow window;
    // The value of the finish notice of the step's worker; -1 when it did not start or sent none in time.
    auto finish = [&](std::uint32_t id, std::chrono::milliseconds limit = 20s) {
        return id != 0 && window.WaitForFinish(window.Started(id), limit) ? static_cast<int>(*window.Finish(id)) : -1;
    };
    Fetch fetch("PDB");
    ASSERT_EQ(finish(fetch.StartInit(window.Handle())), gnfSuccess);
    std::string caption;
    std::vector<std::string> labels;
    ASSERT_TRUE(fetch.EndInit(caption, labels));
    EXPECT_EQ(labels, (std::vector<std::string>{"PDB ID", "Chain{A,B}"}));

    ASSERT_EQ(finish(fetch.StartGetLink({"0ULN", "A"}, window.Handle())), gnfSuccess);
    std::string destination = m_folder.Path();
    ASSERT_EQ(finish(fetch.StartDownload(destination, {"0ULN", "A"}, window.Handle())), gnfSuccess);
    EXPECT_EQ(fetch.GetSaveAsFilename(), m_folder.Path() + "\\0uln.pdb");
    EXPECT_TRUE(fetch.Cancel());
    EXPECT_EQ(fetch.GetSaveAsFilename(), "");

    // Nothing to fetch: no job starts.
    ASSERT_EQ(finish(fetch.StartGetLink({"NONE"}, window.Handle())), gnfSuccess);
    EXPECT_EQ(fetch.StartDownload(destination, {"NONE"}, window.Handle()), 0u);

    // Cancel while the download stalls: the job ends at once and nothing is stored.
    ConfigureItem(RegString("URL", Server().BaseUrl() + "/stall/100000/10/stalled.pdb"));
    ASSERT_EQ(finish(fetch.StartGetLink({"NONE"}, window.Handle())), gnfSuccess);
    destination = m_folder.Path();
    const std::uint32_t id = fetch.StartDownload(destination, {"NONE"}, window.Handle());
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(fetch.Cancel());
    EXPECT_EQ(finish(id, 2s), gnfCancelled);
    EXPECT_FALSE(fs::exists(m_folder.Path() + "\\stalled.pdb"));
}

} // namespace
