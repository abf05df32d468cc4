// The download dialog: its rules as plain functions, and the real dialog worked by the scripted user against
// the stand-in download server (its catalogue in tests/fixtures/netfile) with item keys and preferences in the
// registry sandbox; then a fetched file opened in the stand-in hosts.
#include "netfile/GetNetFileDlg.h"

#include "framework/text.h"
#include "framework/ui_seams.h"
#include "netfile_testing.h"
#include "refhost/application.h"
#include "refhost/drawing.h"
#include "refhost/modeller.h"
#include "registry_sandbox.h"
#include "resources/resource.h"
#include "scripted_user.h"
#include "stand_in_service.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

using namespace netfile;
using namespace netfile_testing;
using testing_support::DialogWindow;
using testing_support::ScriptedUser;
using testing_support::ScriptFailure;
using testing_support::StandInService;
namespace fs = std::filesystem;

TEST(DownloadDialogRules, ExitCancelEndsTheDialogOnlyWhenNoStepCanBeStopped)
{
    EXPECT_TRUE(ExitCancelEndsDialog(DialogState::Initialising, true));
    EXPECT_FALSE(ExitCancelEndsDialog(DialogState::Initialising, false));   // no init job: Cancel leads to Ready
    EXPECT_TRUE(ExitCancelEndsDialog(DialogState::InitFailed, true));
    EXPECT_TRUE(ExitCancelEndsDialog(DialogState::Ready, false));
    EXPECT_FALSE(ExitCancelEndsDialog(DialogState::Fetching, false));
    // Enter fetches only where the inputs are enabled; elsewhere it stops the step.
    for (DialogState state : {DialogState::Initialising, DialogState::InitFailed, DialogState::Ready,
                              DialogState::Fetching}) {
        SCOPED_TRACE(static_cast<int>(state));
        EXPECT_EQ(ControlsOf(state).exitCancel, state == DialogState::Ready ? "Exit" : "Cancel");
        EXPECT_EQ(ControlsOf(state).inputsEnabled, state == DialogState::Ready);
    }
}

TEST(DownloadDialogRules, KilobytesKeepGrowingPastSixtyFourMebibytes)
{
    KilobyteCounter counter;
    EXPECT_EQ(counter.Update(0), 0u);
    EXPECT_EQ(counter.Update(65000), 65000u);
    EXPECT_EQ(counter.Update(65535), 65535u);
    EXPECT_EQ(counter.Update(0), 65536u);        // 64 MiB reported as 0
    EXPECT_EQ(counter.Update(500), 66036u);
    EXPECT_EQ(counter.Update(500), 66036u);      // no progress, no jump
    EXPECT_EQ(counter.Update(300), 131372u);     // past the next wrap
    counter.Reset();
    EXPECT_EQ(counter.Update(12), 12u) << "a new download starts from nothing";
}

TEST(DownloadDialogRules, ListLabelsGiveFixedChoicesAndOthersAnEditableBox)
{
    struct Case {
        std::string_view label;
        bool fixed;
        std::string name;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"Chain{A,B,C}", true, "Chain", {"A", "B", "C"}},
        {"Chain{A, B,,C }", true, "Chain", {"A", " B", "", "C "}},   // neither trimmed nor dropped
        {"{x}", true, "", {"x"}},
        {"Kind{}", true, "Kind", {""}},
        {"A{b{c}", true, "A", {"b{c"}},                            // cut at the first "{"
        {"Chain{A,B,C", false, "(untouched)", {"(untouched)"}},
        {"Chain{A,B} ", false, "(untouched)", {"(untouched)"}},
        {"PDB ID", false, "(untouched)", {"(untouched)"}},
        {"}", false, "(untouched)", {"(untouched)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string name = "(untouched)";
        std::vector<std::string> values{"(untouched)"};
        EXPECT_EQ(ParseListValues(c.label, name, values), c.fixed);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(values, c.values);
    }
}

// --- The dialog, worked by the scripted user -------------------------------------------------------------

const std::string kPreferences = "Software\\Quennardix\\Velmora\\19.0\\General\\";

// A string value below the sandbox's current user, or "(absent)".
std::string UserValue(const std::string& key, const std::string& name)
{
    char value[512] = {};
    DWORD size = sizeof value;
    return RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value, &size) ==
                   ERROR_SUCCESS
               ? value
               : "(absent)";
}

// The first `count` values of an input box's history for the action, each followed by ";".
std::wstring History(int box, int count, const std::string& action = "PDB")
{
    std::wstring values;
    for (int i = 1; i <= count; ++i)
        values += fw::Widen(UserValue(kPreferences + action + "\\#" + std::to_string(box), "#" + std::to_string(i))) + L";";
    return values;
}

// Waits (bounded) until the check holds; a failure of the script otherwise.
void WaitUntil(const std::function<bool()>& check, const std::string& what,
               std::chrono::milliseconds patience = std::chrono::seconds(10))
{
    if (!testing_support::WaitUntil(check, patience))
        throw ScriptFailure("waited in vain for " + what);
}

void WaitForStatus(const DialogWindow& dialog, const std::string& status)
{
    std::string last;
    WaitUntil([&] { return (last = dialog.Text(IDC_STATUS)) == status; },
              "status \"" + status + "\" (it reads \"" + last + "\")");
}

// The dialog with this caption once it is ready for input.
DialogWindow ReadyDialog(ScriptedUser& user, const std::string& caption)
{
    DialogWindow dialog = user.WaitForDialog(caption);
    WaitForStatus(dialog, "Ready");
    return dialog;
}

// Puts the value into the first input box and presses Get File.
void GetFile(const DialogWindow& dialog, const std::string& value)
{
    dialog.SetText(IDC_INPUT_BOX, value);
    dialog.Click(IDC_GETFILE);
}

void Exit(const DialogWindow& dialog)
{
    dialog.Click(IDC_EXIT_CANCEL);
    dialog.WaitUntilClosed();
}

std::string WindowText(HWND window)
{
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, nullptr);
    return fw::Narrow(text);
}

// The input boxes (combo boxes made at run time) or their labels, in the order they were made.
std::vector<HWND> RunTimeControls(const DialogWindow& dialog, int id, const wchar_t* className)
{
    std::vector<HWND> found;
    for (HWND child = nullptr; (child = FindWindowExW(dialog.Window(), child, className, nullptr)) != nullptr;)
        if (GetDlgCtrlID(child) == id)
            found.push_back(child);
    return found;
}

std::vector<HWND> InputBoxes(const DialogWindow& dialog)
{
    return RunTimeControls(dialog, IDC_INPUT_BOX, L"ComboBox");
}
std::vector<HWND> InputLabels(const DialogWindow& dialog)
{
    return RunTimeControls(dialog, IDC_INPUT_LABEL, L"Static");
}

std::vector<std::string> BoxItems(HWND box)
{
    std::vector<std::string> items;
    const auto count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(fw::Narrow(text));
    }
    return items;
}

RECT WindowRectIn(HWND window, HWND reference)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    if (reference != nullptr)
        MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class DownloadDialog : public testing::Test {
protected:
    static void SetUpTestSuite() { s_server = StartCatalogueServer(); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        Server().Reset();
        fs::create_directories(Desktop());
        fs::create_directories(Chosen());
        // The user's folders as the shell keeps them, inside the sandbox.
        ImportKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                  RegString("Cache", CacheFolder()) + RegString("Desktop", Desktop()));
    }

    // The internet cache folder lives as long as the process: the fetch looks it up once per process and
    // keeps its answer files there.
    static const std::string& CacheFolder()
    {
        static const ScratchFolder folder("dialogtest-cache-");
        return folder.Path();
    }
    std::string Desktop() const { return m_folder.File("desktop"); }
    std::string Chosen() const { return m_folder.File("chosen"); }

    static StandInService& Server() { return *s_server; }
    static std::string ServerURL() { return Server().BaseUrl() + "/ulnaramenus/getnetfile.asp"; }
    static void ConfigureItem(const std::string& values) { ImportKey(kItemPath, values); }
    // An item of its own, with its server down, that downloads from the URL.
    static void ConfigureLocalItem(const std::string& url, const std::string& tokens = "ID:PDB ID")
    {
        ConfigureItem(RegString("ServerURL", RefusedURL()) + RegString("Tokens", tokens) +
                      RegString("CAPTION", "Local") + RegString("URL", url));
    }
    // The remembered folder of the action: the one the user chose.
    void ChooseFolder(const std::string& action = "PDB")
    {
        ImportKey(kPreferences + action, RegString("SaveAs Path", Chosen()));
    }

    struct Run {
        INT_PTR result = 0;
        std::string outPath;
    };
    // Runs the dialog of the action on this thread while the script works it.
    static Run RunDialog(const std::string& action, const ScriptedUser::Script& script, const std::string& title = "")
    {
        char buffer[CGetNetFileDlg::kOutPathSize] = "(untouched)";
        CGetNetFileDlg dialog(kAppName, kItemPath, action, title, buffer);
        ScriptedUser user(script);
        Run run;
        run.result = dialog.DoModal();
        user.Finish();
        run.outPath = buffer;
        return run;
    }

    regconfig::RegistrySandbox m_sandbox;
    ScratchFolder m_folder{"dialogtest-"};

private:
    static inline std::unique_ptr<StandInService> s_server;
};

TEST_F(DownloadDialog, FirstFetchStoresInTheCacheAndRemembersFolderAndValues)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    std::string savePathShown, labels, chainItems;
    int boxes = 0;
    Run run = RunDialog("PDB", [&](ScriptedUser& user) {
        // The server's caption is the title when the caller gives none.
        DialogWindow dialog = ReadyDialog(user, "Protein Data Bank");
        savePathShown = dialog.Text(IDC_SAVEAS_PATH);
        const auto inputs = InputBoxes(dialog);
        boxes = static_cast<int>(inputs.size());
        for (HWND label : InputLabels(dialog))
            labels += WindowText(label) + ";";
        if (inputs.size() == 2)
            chainItems = WindowText(inputs[1]) + " of " + std::to_string(BoxItems(inputs[1]).size());
        dialog.Type(IDC_INPUT_BOX, " 0uln ");
        dialog.PressEnter();
        dialog.WaitUntilClosed();
    });
    EXPECT_EQ(savePathShown, "") << "first use: no folder yet";
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(labels, "PDB ID;Chain;");
    EXPECT_EQ(chainItems, "A of 2") << "a fixed list with its first choice selected";

    ASSERT_EQ(run.result, IDOK);
    EXPECT_EQ(run.outPath, CacheFolder() + "\\0uln.pdb");
    EXPECT_EQ(FileBytes(run.outPath), FileBytes(testing_support::FixturePath("netfile\\0uln.pdb")));
    const auto requests = Server().Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].query.substr(requests[1].query.find("&task=")), "&task=getlink&ID=0ULN&CHAIN=A")
        << "values trimmed and in upper case";

    EXPECT_EQ(UserValue(kPreferences + "PDB", "SaveAs Path"), CacheFolder());
    EXPECT_EQ(History(1, 1), L" 0uln ;") << "the box's text as typed";
    EXPECT_EQ(History(2, 1), L"A;");
}

TEST_F(DownloadDialog, HistoryKeepsATypedValueOnceAtTheTopAndReadsNineValues)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    std::string history;
    for (int i = 1; i <= 11; ++i)
        history += RegString("#" + std::to_string(i), i == 3 ? "0Uln" : "old" + std::to_string(i));
    ImportKey(kPreferences + "PDB\\#1", history);
    ChooseFolder();

    std::vector<std::string> offered;
    std::string savePathShown;
    bool firstBoxFocused = false;
    Run run = RunDialog(
        "PDB",
        [&](ScriptedUser& user) {
            DialogWindow dialog = ReadyDialog(user, "Structure from the PDB");
            savePathShown = dialog.Text(IDC_SAVEAS_PATH);
            HWND first = InputBoxes(dialog).at(0);
            GUITHREADINFO focus{};
            focus.cbSize = sizeof focus;
            GetGUIThreadInfo(GetWindowThreadProcessId(dialog.Window(), nullptr), &focus);
            firstBoxFocused = focus.hwndFocus == first || IsChild(first, focus.hwndFocus);
            offered = BoxItems(first);
            GetFile(dialog, "0uLN");
            dialog.WaitUntilClosed();
        },
        "Structure from the PDB");
    ASSERT_EQ(run.result, IDOK);
    EXPECT_EQ(savePathShown, Chosen() + "\\");
    EXPECT_TRUE(firstBoxFocused);
    EXPECT_EQ(offered, (std::vector<std::string>{"old1", "old2", "0Uln", "old4", "old5", "old6", "old7", "old8", "old9"}))
        << "values #10 and #11 are never read back";
    EXPECT_EQ(run.outPath, Chosen() + "\\0uln.pdb");
    // The typed value once, at the top, as typed; the nine values are written back, and the two that were never
    // read stay as they were.
    EXPECT_EQ(History(1, 11), L"0uLN;old1;old2;old4;old5;old6;old7;old8;old9;old10;old11;");
}

TEST_F(DownloadDialog, HistoryMovesOnlyLetterCaseVariantsOfTheValue)
{
    // Two boxes, each with its own history. A value that only sorts like a stored one ("SS" and the sharp s)
    // is another value; one that differs in letter case only, beyond ASCII too, is the same.
    ConfigureLocalItem(Server().BaseUrl() + "/entries/0uln.pdb", "A:Name;B:Other");
    ChooseFolder();
    // Stored in UTF-16 (the .reg text is UTF-8): the values' text must not depend on the code page.
    ImportKey(kPreferences + "PDB\\#1", RegString("#1", "STRASSE") + RegString("#2", "x"));
    ImportKey(kPreferences + "PDB\\#2", RegString("#1", "\xC3\x89TAPE") + RegString("#2", "y"));
    const std::wstring typed[] = {L"stra\u00dfe", L"\u00e9tape"};
    Run run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = ReadyDialog(user, "Local");
        const auto boxes = InputBoxes(dialog);
        ASSERT_EQ(boxes.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i)
            SendMessageW(boxes[i], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed[i].c_str()));
        dialog.Click(IDC_GETFILE);
        dialog.WaitUntilClosed();
    });
    ASSERT_EQ(run.result, IDOK);
    EXPECT_EQ(History(1, 4), L"stra\u00dfe;STRASSE;x;(absent);");
    EXPECT_EQ(History(2, 4), L"\u00e9tape;y;(absent);(absent);");
}

TEST_F(DownloadDialog, TemplateLayoutAndInputBoxesMovingItDown)
{
    // The server is down: the item's own configuration gives three inputs, or none.
    ConfigureLocalItem(Server().BaseUrl() + "/entries/0uln.pdb", "A:Kind{x,y};B:Chain{A,B,C;C:Name");
    // The template's controls in dialog units (x, y, width, height), and the dialog's client size.
    const std::map<int, RECT> templateUnits = {
        {IDC_SAVEAS_PATH, {4, 4, 150, 12}}, {IDC_SAVEAS, {159, 3, 54, 15}},   {IDC_SPEED, {4, 22, 78, 11}},
        {IDC_DOWNLOADED, {87, 22, 124, 11}}, {IDC_PROGRESS, {4, 36, 154, 9}}, {IDC_PERCENT, {163, 36, 48, 9}},
        {IDC_GETFILE, {100, 48, 54, 15}},   {IDC_EXIT_CANCEL, {159, 48, 54, 15}}, {IDC_STATUS, {0, 66, 211, 11}},
        {0, {0, 0, 217, 79}},
    };
    struct Layout {
        int shift = 0;   // of every control and of the dialog's bottom edge, in pixels
        RECT window{};
        std::vector<RECT> boxes, labels;
        std::vector<std::string> labelTexts;
        std::vector<LONG> boxStyles;
    };
    auto measure = [&](Layout& layout, ScriptedUser& user) {
        DialogWindow dialog = ReadyDialog(user, "Local");
        for (const auto& [id, units] : templateUnits) {
            SCOPED_TRACE(id);
            // Position and size are converted each on its own, as the dialog manager does.
            RECT pixels = units, actual{};
            MapDialogRect(dialog.Window(), &pixels);
            RECT expected{pixels.left, pixels.top + layout.shift, pixels.left + pixels.right,
                          pixels.top + pixels.bottom + layout.shift};
            if (id == 0) {
                GetClientRect(dialog.Window(), &actual);
                expected.top = 0;
            } else {
                actual = dialog.ControlRect(id);
            }
            EXPECT_TRUE(EqualRect(&actual, &expected));
        }
        layout.window = WindowRectIn(dialog.Window(), nullptr);
        for (HWND box : InputBoxes(dialog)) {
            layout.boxes.push_back(WindowRectIn(box, dialog.Window()));
            layout.boxStyles.push_back(GetWindowLongW(box, GWL_STYLE));
        }
        for (HWND label : InputLabels(dialog)) {
            layout.labels.push_back(WindowRectIn(label, dialog.Window()));
            layout.labelTexts.push_back(WindowText(label));
        }
        Exit(dialog);
    };
    // Without inputs, the template as it stands; with three, every control 81 pixels lower, the dialog 81
    // pixels taller and its top where it was.
    Layout three, none;
    three.shift = 81;
    EXPECT_EQ(RunDialog("LOCAL", [&](ScriptedUser& user) { measure(three, user); }).result, IDCANCEL);
    ConfigureItem("\"Tokens\"=-");
    EXPECT_EQ(RunDialog("LOCAL", [&](ScriptedUser& user) { measure(none, user); }).result, IDCANCEL);
    EXPECT_TRUE(none.boxes.empty());
    EXPECT_EQ((three.window.bottom - three.window.top) - (none.window.bottom - none.window.top), 81);
    EXPECT_EQ(three.window.top, none.window.top);

    ASSERT_EQ(three.boxes.size(), 3u);
    ASSERT_EQ(three.labels.size(), 3u);
    EXPECT_EQ(three.labelTexts, (std::vector<std::string>{"Kind", "Chain{A,B,C", "Name"}));
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(three.boxes[n].left, 93);
        EXPECT_EQ(three.boxes[n].right, 293);
        EXPECT_EQ(three.boxes[n].top, 6 + 27 * n);
        EXPECT_EQ(three.labels[n].left, 5);
        EXPECT_EQ(three.labels[n].right, 91);
        EXPECT_EQ(three.labels[n].top, 6 + 27 * n);
    }
    EXPECT_EQ(three.boxStyles[0] & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(three.boxStyles[1] & 3, CBS_DROPDOWN) << "no final \"}\": an editable box";
}

TEST_F(DownloadDialog, CancelStopsTheDownloadAndCancelWhileInitialisingCloses)
{
    // The file: 4 KiB arrive, then the server holds the connection without sending more.
    ConfigureLocalItem(Server().BaseUrl() + "/stall/100000/4096/ID.pdb");
    ChooseFolder();
    std::string during, afterCancel;
    Run run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = ReadyDialog(user, "Local");
        GetFile(dialog, "1abc");
        // Notices keep arriving while the worker waits for more data.
        WaitUntil([&] { return dialog.Text(IDC_DOWNLOADED) == "downloaded: 4 kb"; }, "4 kb downloaded");
        during = dialog.Text(IDC_STATUS) + " / " + dialog.Text(IDC_EXIT_CANCEL) + " / Get File " +
                 (dialog.IsEnabled(IDC_GETFILE) ? "enabled" : "disabled");
        dialog.Click(IDC_EXIT_CANCEL);
        WaitForStatus(dialog, "User canceled");
        afterCancel = dialog.Text(IDC_EXIT_CANCEL) + " / Get File " +
                      (dialog.IsEnabled(IDC_GETFILE) ? "enabled" : "disabled") + " / " + dialog.Text(IDC_DOWNLOADED) +
                      " / " + dialog.Text(IDC_SAVEAS_PATH);
        Exit(dialog);
    });
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.outPath, "(untouched)");
    EXPECT_EQ(during, "Save to \"1ABC.pdb\" / Cancel / Get File disabled");
    // Back to the folder.
    EXPECT_EQ(afterCancel, "Exit / Get File enabled / downloaded: 0 kb / " + Chosen() + "\\");
    EXPECT_FALSE(fs::exists(Chosen() + "\\1ABC.pdb"));

    // An init request that gets no answer keeps the dialog initialising; Cancel closes it.
    ConfigureItem(RegString("ServerURL", Server().BaseUrl() + "/stall/100/0/init?"));
    std::string status;
    run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("GetNetFile");
        status = dialog.Text(IDC_STATUS) + " / " + dialog.Text(IDC_EXIT_CANCEL);
        dialog.PressEscape();
        dialog.WaitUntilClosed();
    });
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(status, "Initializing ... / Cancel");
}

// Presses Cancel on the dialog's thread at the moment a notice of the given code is taken from the queue: the
// job had sent it before the user stopped the job. `skip` notices of that code pass first.
class CancelAtNotice {
public:
    CancelAtNotice(WORD code, int skip)
    {
        s_code = code;
        s_skip = skip;
        s_hook = SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, GetCurrentThreadId());
    }
    ~CancelAtNotice() { UnhookWindowsHookEx(s_hook); }

private:
    static LRESULT CALLBACK Hook(int action, WPARAM removal, LPARAM data)
    {
        const MSG& message = *reinterpret_cast<const MSG*>(data);
        if (action == HC_ACTION && removal == PM_REMOVE && message.message == WM_GETNETFILE &&
            HIWORD(message.lParam) == s_code && s_skip-- == 0) {
            HWND button = GetDlgItem(message.hwnd, IDC_EXIT_CANCEL);
            SendMessageW(message.hwnd, WM_COMMAND, MAKEWPARAM(IDC_EXIT_CANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
        }
        return CallNextHookEx(s_hook, action, removal, data);
    }
    static inline WORD s_code = 0;
    static inline int s_skip = 0;
    static inline HHOOK s_hook = nullptr;
};

TEST_F(DownloadDialog, CancelOutrunsWhatTheStoppedJobHadAlreadySent)
{
    ChooseFolder();
    struct Case {
        std::string what;
        std::string url;
        WORD code;   // the notice that was on its way when Cancel was pressed
        int skip;
    };
    const Case cases[] = {
        // The get-link step had ended (here: no server, so the item's own link follows): no download starts.
        {"get-link finished", Server().BaseUrl() + "/entries/ID.pdb", gnfFinished, 1},
        // The download had named its file: the save path stays the folder the user chose.
        {"file named", Server().BaseUrl() + "/stall/100000/4096/ID.pdb", gnfFileNamed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConfigureLocalItem(c.url);
        fs::remove(Chosen() + "\\0ULN.pdb");
        std::string shown;
        Run run;
        {
            CancelAtNotice cancel(c.code, c.skip);
            run = RunDialog("PDB", [&](ScriptedUser& user) {
                DialogWindow dialog = ReadyDialog(user, "Local");
                GetFile(dialog, "0uln");
                WaitUntil([&] { return dialog.IsEnabled(IDC_GETFILE); }, "Ready again");
                // Time for a download that should not have started to end the dialog.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                shown = dialog.Text(IDC_STATUS) + " / " + dialog.Text(IDC_EXIT_CANCEL) + " / " +
                        dialog.Text(IDC_SAVEAS_PATH);
                Exit(dialog);
            });
        }
        EXPECT_EQ(run.result, IDCANCEL);
        EXPECT_EQ(run.outPath, "(untouched)");
        EXPECT_EQ(shown, "User canceled / Exit / " + Chosen() + "\\");
        EXPECT_FALSE(fs::exists(Chosen() + "\\0ULN.pdb"));
    }
}

TEST_F(DownloadDialog, EveryFailureReachesTheStatusLineAndReturnsToReady)
{
    ChooseFolder();
    const std::string base = Server().BaseUrl();
    struct Case {
        std::string url;
        std::string post;   // "POST" value; empty: a GET
        std::string status;
    };
    const Case cases[] = {
        {base + "/empty/ID.pdb", "", "Wrong input"},
        {"http://a/ID.pdb", "Accept: */*", "URL parsing error"},
        {base + "/html/HtMl/ID.pdb", "", "Wrong Link"},
        {base + "/reset/5000/100/ID.pdb", "", "Error on server"},
        {base + "/bytes/10/", "", "Error on file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        ConfigureLocalItem(c.url);
        ConfigureItem(c.post.empty() ? "\"POST\"=-\n" : RegString("POST", c.post));
        std::string shown;
        RunDialog("PDB", [&](ScriptedUser& user) {
            DialogWindow dialog = ReadyDialog(user, "Local");
            GetFile(dialog, "2def");
            WaitUntil([&] { return dialog.IsEnabled(IDC_GETFILE); }, "Ready again");
            shown = dialog.Text(IDC_STATUS) + " / " + dialog.Text(IDC_EXIT_CANCEL) + " / " +
                    dialog.Text(IDC_SAVEAS_PATH);
            Exit(dialog);
        });
        EXPECT_EQ(shown, c.status + " / Exit / " + Chosen() + "\\");
    }

    // Neither the server nor the item gives a link, or inputs.
    ConfigureItem(RegString("ServerURL", ServerURL()) + "\"URL\"=-\n\"Tokens\"=-\n\"CAPTION\"=-\n\"POST\"=-\n");
    RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = ReadyDialog(user, "Protein Data Bank");
        GetFile(dialog, "9BAD");
        WaitForStatus(dialog, "No records found!");
        Exit(dialog);
    });
    ConfigureItem(RegString("ServerURL", RefusedURL()));
    std::string status;
    RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("GetNetFile");
        WaitForStatus(dialog, "Cannot connect to Server");
        status = dialog.Text(IDC_EXIT_CANCEL) + (dialog.IsEnabled(IDC_GETFILE) ? " enabled" : " disabled");
        Exit(dialog);
    });
    EXPECT_EQ(status, "Cancel disabled");
}

TEST_F(DownloadDialog, SaveAsChoosesTheFileAndAPathTooLongForTheCallerIsRefused)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    ChooseFolder();
    std::vector<fw::SaveFileDialogCall> calls;
    std::optional<std::string> answer;
    fw::ScopedSaveFileDialogHandler saveAs([&](const fw::SaveFileDialogCall& call) {
        calls.push_back(call);
        return answer;
    });

    // A file that does not exist yet is the destination as it stands; a cancelled Save As changes nothing.
    const std::string chosen = Chosen() + "\\my entry.pdb";
    std::string shownAfterCancel, shownAfterChoice;
    Run run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = ReadyDialog(user, "Protein Data Bank");
        dialog.Click(IDC_SAVEAS);
        shownAfterCancel = dialog.Text(IDC_SAVEAS_PATH);
        answer = chosen;
        dialog.Click(IDC_SAVEAS);
        shownAfterChoice = dialog.Text(IDC_SAVEAS_PATH);
        GetFile(dialog, "0uln");
        dialog.WaitUntilClosed();
    });
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].initialName, Chosen() + "\\*.pdb");
    EXPECT_EQ(calls[0].defaultExtension, "pdb");
    EXPECT_EQ(calls[0].filter, "Protein Data Bank file|*.pdb|PDB entry|*.ent||");
    EXPECT_EQ(calls[0].flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_NE(calls[0].owner, nullptr);
    EXPECT_EQ(shownAfterCancel, Chosen() + "\\");
    EXPECT_EQ(shownAfterChoice, chosen);
    ASSERT_EQ(run.result, IDOK);
    EXPECT_EQ(run.outPath, chosen);
    EXPECT_EQ(FileBytes(chosen), FileBytes(testing_support::FixturePath("netfile\\0uln.pdb")));

    // A stored file whose path the caller's buffer cannot hold whole is refused, not cut into another path.
    std::string deep = Chosen();
    while (deep.size() < 220)
        deep += "\\folder";
    fs::create_directories(deep);
    const std::string tooLong = deep + "\\" + std::string(265 - deep.size(), 'x') + ".pdb";
    answer = tooLong;
    std::string savePath;
    run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = ReadyDialog(user, "Protein Data Bank");
        dialog.Click(IDC_SAVEAS);
        GetFile(dialog, "0uln");
        WaitForStatus(dialog, "Error on file");
        savePath = dialog.Text(IDC_SAVEAS_PATH);
        Exit(dialog);
    });
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.outPath, "(untouched)");
    EXPECT_EQ(savePath, deep + "\\");
    EXPECT_TRUE(fs::exists(tooLong)) << "the download itself went through";
}

TEST_F(DownloadDialog, AmountsBeyondSixtyFourMebibytesAreShownWhole)
{
    // 80 MiB arrive, then the server holds the connection. Past 64 MiB the downloader's 16-bit kilobyte value
    // starts again from 0; the amount shown must not.
    constexpr long kStallKilobytes = 80 * 1024;
    ConfigureLocalItem(Server().BaseUrl() + "/stall/100000000/" + std::to_string(kStallKilobytes * 1024) + "/ID.bin");
    ChooseFolder("BIG");
    long shown = -1;
    Run run = RunDialog("BIG", [&](ScriptedUser& user) {
        DialogWindow dialog = ReadyDialog(user, "Local");
        GetFile(dialog, "big");
        WaitUntil(
            [&] {
                shown = std::strtol(dialog.Text(IDC_DOWNLOADED).c_str() + std::strlen("downloaded: "), nullptr, 10);
                return shown > 65536;
            },
            "more than 64 MiB shown", std::chrono::seconds(120));
        dialog.Click(IDC_EXIT_CANCEL);
        WaitForStatus(dialog, "User canceled");
        Exit(dialog);
    });
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_GT(shown, 65536);
    EXPECT_LE(shown, kStallKilobytes);
}

// --- Opening a fetched file in the host ----------------------------------------------------------------

TEST_F(DownloadDialog, FetchedFileReachesEachHostFamilyItsOwnWay)
{
    const std::string path = testing_support::FixturePath("netfile\\glycine.mol");
    {
        SCOPED_TRACE("drawing host: the file's bytes as structure data; an empty file gives nothing");
        auto host = refhost::Host::Create("Velmora 19.0", 0x10040);
        auto drawing = std::make_shared<refhost::DrawingDocument>();
        host->MainWindow().activeDocument = drawing;
        Application application(host->Application().Detach());
        WriteFile(Chosen() + "\\empty.mol", "");
        OpenGetNetFile(application, Chosen() + "\\empty.mol");
        EXPECT_TRUE(drawing->selection.data->byFormat.empty());
        EXPECT_THROW(OpenGetNetFile(application, path + ".missing"), std::runtime_error);
        OpenGetNetFile(application, path);
        EXPECT_EQ(refhost::ArgumentBytes(*drawing->selection.data->byFormat.at(refhost::ExchangeFormat())),
                  FileBytes(path));
    }
    {
        SCOPED_TRACE("3D modeller: the path opened as a document");
        auto host = refhost::Host::Create("Sylvane 19", 0x10040);
        Application application(host->Application().Detach());
        OpenGetNetFile(application, path);
        ASSERT_EQ(host->documents.size(), 1u);
        EXPECT_EQ(std::static_pointer_cast<refhost::ModellerDocument>(host->documents[0])->path, path);
    }
    {
        SCOPED_TRACE("database host: nothing; anything else: refused");
        auto database = refhost::Host::Create("Ravelle", 0x10040);
        Application ravelle(database->Application().Detach());
        EXPECT_NO_THROW(OpenGetNetFile(ravelle, path));
        EXPECT_TRUE(database->documents.empty());

        auto other = refhost::Host::Create("Notepad", 0x10040);
        Application unknown(other->Application().Detach());
        try {
            OpenGetNetFile(unknown, path);
            ADD_FAILURE() << "no error for an unknown host";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Unknown application");
        }
    }
}

} // namespace
