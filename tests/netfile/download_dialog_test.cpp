// The download dialog: its rules as plain functions, and the real dialog worked by the scripted user against
// the stand-in download server (its catalogue in tests/fixtures/netfile) with item keys and preferences in the
// registry sandbox; then the fetched file opened in the stand-in hosts.
#include "netfile/GetNetFileDlg.h"

#include "framework/text.h"
#include "framework/ui_seams.h"
#include "netfile/GetNetFile.h"
#include "refhost/application.h"
#include "refhost/drawing.h"
#include "refhost/modeller.h"
#include "reg_import.h"
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
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

using namespace netfile;
using testing_support::DialogWindow;
using testing_support::ScriptedUser;
using testing_support::ScriptFailure;
using testing_support::StandInService;
namespace fs = std::filesystem;

TEST(DownloadDialogRules, ExitCancelEndsTheDialogOnlyWhenNoStepCanBeStopped)
{
    struct Case {
        DialogState state;
        bool initPending;
        bool endsDialog;
        std::string_view button;
    };
    const Case cases[] = {
        {DialogState::Initialising, true, true, "Cancel"},
        {DialogState::Initialising, false, false, "Cancel"},   // no init job: Cancel leads to Ready
        {DialogState::InitFailed, true, true, "Cancel"},
        {DialogState::Ready, false, true, "Exit"},
        {DialogState::Fetching, false, false, "Cancel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        EXPECT_EQ(ExitCancelEndsDialog(c.state, c.initPending), c.endsDialog);
        EXPECT_EQ(ControlsOf(c.state).exitCancel, c.button);
        EXPECT_EQ(ControlsOf(c.state).inputsEnabled, c.state == DialogState::Ready);
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

const std::string kItemPath = "Software\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension\\2 Fetch\\1 PDB";
const std::string kAppName = "Velmora Professional";
const std::string kPreferences = "Software\\Quennardix\\Velmora\\19.0\\General\\";
constexpr auto kPatience = std::chrono::seconds(10);

std::string RegString(const std::string& name, const std::string& value)
{
    std::string escaped;
    for (char c : value)
        escaped += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
    return "\"" + name + "\"=\"" + escaped + "\"\n";
}

void ImportKey(const std::string& key, const std::string& values)
{
    regconfig::ImportRegText("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" + key + "]\n" +
                                   values + "\n");
}

// A string value below the sandbox's current user, or "(absent)".
std::string UserValue(const std::string& key, const std::string& name)
{
    std::string value = "(absent)";
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return value;
    CGetNetFile::RegQueryValueA(opened, name.c_str(), value);
    RegCloseKey(opened);
    return value;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(missing)";
}

// Waits (bounded) until the check holds; a failure of the script otherwise.
template <typename Check>
void WaitUntil(Check check, const std::string& what, std::chrono::milliseconds patience = kPatience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!check()) {
        if (std::chrono::steady_clock::now() >= deadline)
            throw ScriptFailure("waited in vain for " + what);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void WaitForStatus(const DialogWindow& dialog, const std::string& status)
{
    std::string last;
    WaitUntil([&] { return (last = dialog.Text(IDC_STATUS)) == status; },
              "status \"" + status + "\" (it reads \"" + last + "\")");
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
    struct Search {
        int id;
        const wchar_t* className;
        HWND parent;
        std::vector<HWND> found;
    } search{id, className, dialog.Window(), {}};
    EnumChildWindows(
        dialog.Window(),
        [](HWND child, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            wchar_t name[32] = {};
            GetClassNameW(child, name, 32);
            if (GetParent(child) == s.parent && GetDlgCtrlID(child) == s.id && _wcsicmp(name, s.className) == 0)
                s.found.push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> InputBoxes(const DialogWindow& dialog)
{
    return RunTimeControls(dialog, IDC_INPUT_BOX, L"ComboBox");
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
    static void SetUpTestSuite()
    {
        const std::string catalogue = std::string(std::getenv("ULNARA_SOURCE_DIR")) + "/tests/fixtures/netfile";
        s_server = std::make_unique<StandInService>(StandInService::DownloadServerProgram(),
                                                    std::vector<std::string>{"--catalogue", catalogue});
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        Server().Reset();
        m_folder = (fs::temp_directory_path() / ("dialogtest-" + std::to_string(GetCurrentProcessId()))).string();
        fs::remove_all(m_folder);
        fs::create_directories(m_folder + "\\desktop");
        fs::create_directories(m_folder + "\\chosen");
        // The user's folders as the shell keeps them, inside the sandbox.
        ImportKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                  RegString("Cache", CacheFolder()) + RegString("Desktop", m_folder + "\\desktop"));
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // The internet cache folder lives as long as the process: the fetch looks it up once per process and
    // keeps its answer files there.
    static const std::string& CacheFolder()
    {
        static const struct Folder {
            std::string path =
                (fs::temp_directory_path() / ("dialogtest-cache-" + std::to_string(GetCurrentProcessId()))).string();
            Folder() { fs::create_directories(path); }
            ~Folder()
            {
                std::error_code ignored;
                fs::remove_all(path, ignored);
            }
        } folder;
        return folder.path;
    }

    static StandInService& Server() { return *s_server; }
    static std::string ServerURL() { return Server().BaseUrl() + "/ulnaramenus/getnetfile.asp"; }
    static std::string RefusedURL()
    {
        return "http://127.0.0.1:" + std::to_string(testing_support::RefusedPort()) + "/x";
    }
    static void ConfigureItem(const std::string& values) { ImportKey(kItemPath, values); }

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
    std::string m_folder;

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
        DialogWindow dialog = user.WaitForDialog("Protein Data Bank");
        WaitForStatus(dialog, "Ready");
        savePathShown = dialog.Text(IDC_SAVEAS_PATH);
        const auto inputs = InputBoxes(dialog);
        boxes = static_cast<int>(inputs.size());
        for (HWND label : RunTimeControls(dialog, IDC_INPUT_LABEL, L"Static"))
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
    EXPECT_EQ(UserValue(kPreferences + "PDB\\#1", "#1"), " 0uln ") << "the box's text as typed";
    EXPECT_EQ(UserValue(kPreferences + "PDB\\#2", "#1"), "A");
}

TEST_F(DownloadDialog, HistoryKeepsATypedValueOnceAtTheTopAndReadsNineValues)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    std::string history;
    for (int i = 1; i <= 11; ++i)
        history += RegString("#" + std::to_string(i), i == 3 ? "0Uln" : "old" + std::to_string(i));
    ImportKey(kPreferences + "PDB\\#1", history);
    ImportKey(kPreferences + "PDB", RegString("SaveAs Path", m_folder + "\\chosen"));

    std::vector<std::string> offered;
    std::string savePathShown;
    bool firstBoxFocused = false;
    Run run = RunDialog(
        "PDB",
        [&](ScriptedUser& user) {
            DialogWindow dialog = user.WaitForDialog("Structure from the PDB");
            WaitForStatus(dialog, "Ready");
            savePathShown = dialog.Text(IDC_SAVEAS_PATH);
            HWND first = InputBoxes(dialog).at(0);
            GUITHREADINFO focus{};
            focus.cbSize = sizeof focus;
            GetGUIThreadInfo(GetWindowThreadProcessId(dialog.Window(), nullptr), &focus);
            firstBoxFocused = focus.hwndFocus == first || IsChild(first, focus.hwndFocus);
            offered = BoxItems(first);
            dialog.SetText(IDC_INPUT_BOX, "0uLN");
            dialog.Click(IDC_GETFILE);
            dialog.WaitUntilClosed();
        },
        "Structure from the PDB");
    ASSERT_EQ(run.result, IDOK);
    EXPECT_EQ(savePathShown, m_folder + "\\chosen\\");
    EXPECT_TRUE(firstBoxFocused);
    ASSERT_EQ(offered.size(), 9u) << "values #10 and #11 are never read back";
    EXPECT_EQ(offered[0], "old1");
    EXPECT_EQ(offered[2], "0Uln");
    EXPECT_EQ(run.outPath, m_folder + "\\chosen\\0uln.pdb");

    // The typed value once, at the top, as typed; the nine values are written back, and the two that were never
    // read stay as they were.
    const std::string key = kPreferences + "PDB\\#1";
    EXPECT_EQ(UserValue(key, "#1"), "0uLN");
    EXPECT_EQ(UserValue(key, "#2"), "old1");
    EXPECT_EQ(UserValue(key, "#3"), "old2");
    EXPECT_EQ(UserValue(key, "#4"), "old4");
    EXPECT_EQ(UserValue(key, "#9"), "old9");
    EXPECT_EQ(UserValue(key, "#10"), "old10");
    EXPECT_EQ(UserValue(key, "#11"), "old11");
}

// Below the sandbox's current user, in UTF-16: the values' text must not depend on the code page.
void SetWideValues(const std::string& key, const std::vector<std::pair<std::wstring, std::wstring>>& values)
{
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, fw::Widen(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, value] : values)
        RegSetValueExW(created, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(created);
}

TEST_F(DownloadDialog, HistoryMovesOnlyLetterCaseVariantsOfTheValue)
{
    // Two boxes, each with its own history. A value that only sorts like a stored one ("SS" and the sharp s)
    // is another value; one that differs in letter case only, beyond ASCII too, is the same.
    ConfigureItem(RegString("ServerURL", RefusedURL()) + RegString("Tokens", "A:Name;B:Other") +
                  RegString("CAPTION", "Local") + RegString("URL", Server().BaseUrl() + "/entries/0uln.pdb"));
    ImportKey(kPreferences + "PDB", RegString("SaveAs Path", m_folder + "\\chosen"));
    SetWideValues(kPreferences + "PDB\\#1", {{L"#1", L"STRASSE"}, {L"#2", L"x"}});
    SetWideValues(kPreferences + "PDB\\#2", {{L"#1", L"\u00c9TAPE"}, {L"#2", L"y"}});
    const std::wstring typed[] = {L"stra\u00dfe", L"\u00e9tape"};
    Run run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("Local");
        WaitForStatus(dialog, "Ready");
        const auto boxes = InputBoxes(dialog);
        ASSERT_EQ(boxes.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i)
            SendMessageW(boxes[i], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed[i].c_str()));
        dialog.Click(IDC_GETFILE);
        dialog.WaitUntilClosed();
    });
    ASSERT_EQ(run.result, IDOK);
    auto history = [&](int box) {
        std::wstring values;
        for (int i = 1; i <= 4; ++i)
            values += fw::Widen(UserValue(kPreferences + "PDB\\#" + std::to_string(box), "#" + std::to_string(i))) + L";";
        return values;
    };
    EXPECT_EQ(history(1), L"stra\u00dfe;STRASSE;x;(absent);");
    EXPECT_EQ(history(2), L"\u00e9tape;y;(absent);(absent);");
}

TEST_F(DownloadDialog, TemplateLayoutAndInputBoxesMovingItDown)
{
    // The server is down: the item's own configuration gives three inputs, or none.
    ConfigureItem(RegString("ServerURL", RefusedURL()) + RegString("URL", Server().BaseUrl() + "/entries/0uln.pdb") +
                  RegString("Tokens", "A:Kind{x,y};B:Chain{A,B,C;C:Name") + RegString("CAPTION", "Local"));
    // The template's controls in dialog units (x, y, width, height), and the dialog's size.
    const std::map<int, RECT> templateUnits = {
        {IDC_SAVEAS_PATH, {4, 4, 150, 12}}, {IDC_SAVEAS, {159, 3, 54, 15}},   {IDC_SPEED, {4, 22, 78, 11}},
        {IDC_DOWNLOADED, {87, 22, 124, 11}}, {IDC_PROGRESS, {4, 36, 154, 9}}, {IDC_PERCENT, {163, 36, 48, 9}},
        {IDC_GETFILE, {100, 48, 54, 15}},   {IDC_EXIT_CANCEL, {159, 48, 54, 15}}, {IDC_STATUS, {0, 66, 211, 11}},
    };
    struct Layout {
        std::map<int, RECT> controls, fromTemplate;
        RECT window{}, client{}, clientFromTemplate{0, 0, 217, 79};
        std::vector<RECT> boxes, labels;
        std::vector<std::string> labelTexts;
        std::vector<LONG> boxStyles;
    };
    auto measure = [&](Layout& layout, ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("Local");
        WaitForStatus(dialog, "Ready");
        for (const auto& [id, units] : templateUnits) {
            layout.controls[id] = dialog.ControlRect(id);
            // Position and size are converted each on its own, as the dialog manager does.
            RECT pixels = units;
            MapDialogRect(dialog.Window(), &pixels);
            layout.fromTemplate[id] = {pixels.left, pixels.top, pixels.left + pixels.right, pixels.top + pixels.bottom};
        }
        layout.window = WindowRectIn(dialog.Window(), nullptr);
        GetClientRect(dialog.Window(), &layout.client);
        MapDialogRect(dialog.Window(), &layout.clientFromTemplate);
        for (HWND box : InputBoxes(dialog)) {
            layout.boxes.push_back(WindowRectIn(box, dialog.Window()));
            layout.boxStyles.push_back(GetWindowLongW(box, GWL_STYLE));
        }
        for (HWND label : RunTimeControls(dialog, IDC_INPUT_LABEL, L"Static")) {
            layout.labels.push_back(WindowRectIn(label, dialog.Window()));
            layout.labelTexts.push_back(WindowText(label));
        }
        dialog.Click(IDC_EXIT_CANCEL);
        dialog.WaitUntilClosed();
    };
    Layout three, none;
    EXPECT_EQ(RunDialog("LOCAL", [&](ScriptedUser& user) { measure(three, user); }).result, IDCANCEL);
    ConfigureItem("\"Tokens\"=-");
    EXPECT_EQ(RunDialog("LOCAL", [&](ScriptedUser& user) { measure(none, user); }).result, IDCANCEL);

    // Without inputs, the template as it stands; with three, every control 81 pixels lower, the dialog 81
    // pixels taller and its top where it was.
    EXPECT_TRUE(none.boxes.empty());
    EXPECT_TRUE(EqualRect(&none.client, &none.clientFromTemplate));
    for (const auto& [id, rect] : three.controls) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(EqualRect(&none.controls[id], &none.fromTemplate[id]));
        RECT moved = none.controls[id];
        OffsetRect(&moved, 0, 81);
        EXPECT_TRUE(EqualRect(&rect, &moved));
    }
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
    ConfigureItem(RegString("ServerURL", RefusedURL()) + RegString("Tokens", "ID:PDB ID") +
                  RegString("CAPTION", "Local") + RegString("URL", Server().BaseUrl() + "/stall/100000/4096/ID.pdb"));
    ImportKey(kPreferences + "PDB", RegString("SaveAs Path", m_folder + "\\chosen"));
    std::string during, afterCancel, button, savePath;
    bool getFileEnabled = false, getFileDisabledDuring = true;
    Run run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("Local");
        WaitForStatus(dialog, "Ready");
        dialog.Type(IDC_INPUT_BOX, "1abc");
        dialog.Click(IDC_GETFILE);
        // Notices keep arriving while the worker waits for more data.
        WaitUntil([&] { return dialog.Text(IDC_DOWNLOADED) == "downloaded: 4 kb"; }, "4 kb downloaded");
        during = dialog.Text(IDC_STATUS) + " / " + dialog.Text(IDC_EXIT_CANCEL);
        getFileDisabledDuring = !dialog.IsEnabled(IDC_GETFILE);
        dialog.Click(IDC_EXIT_CANCEL);
        WaitForStatus(dialog, "User canceled");
        button = dialog.Text(IDC_EXIT_CANCEL);
        getFileEnabled = dialog.IsEnabled(IDC_GETFILE);
        savePath = dialog.Text(IDC_SAVEAS_PATH);
        afterCancel = dialog.Text(IDC_DOWNLOADED);
        dialog.Click(IDC_EXIT_CANCEL);
        dialog.WaitUntilClosed();
    });
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.outPath, "(untouched)");
    EXPECT_EQ(during, "Save to \"1ABC.pdb\" / Cancel");
    EXPECT_TRUE(getFileDisabledDuring);
    EXPECT_EQ(button, "Exit");
    EXPECT_TRUE(getFileEnabled);
    EXPECT_EQ(afterCancel, "downloaded: 0 kb");
    EXPECT_EQ(savePath, m_folder + "\\chosen\\") << "back to the folder";
    EXPECT_FALSE(fs::exists(m_folder + "\\chosen\\1ABC.pdb"));

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
    ImportKey(kPreferences + "PDB", RegString("SaveAs Path", m_folder + "\\chosen"));
    const std::string local = RegString("ServerURL", RefusedURL()) + RegString("Tokens", "ID:PDB ID") +
                              RegString("CAPTION", "Local");
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
        ConfigureItem(local + RegString("URL", c.url));
        fs::remove(m_folder + "\\chosen\\0ULN.pdb");
        std::string status, savePath, stillOpen;
        Run run;
        {
            CancelAtNotice cancel(c.code, c.skip);
            run = RunDialog("PDB", [&](ScriptedUser& user) {
                DialogWindow dialog = user.WaitForDialog("Local");
                WaitForStatus(dialog, "Ready");
                dialog.SetText(IDC_INPUT_BOX, "0uln");
                dialog.Click(IDC_GETFILE);
                WaitUntil([&] { return dialog.IsEnabled(IDC_GETFILE); }, "Ready again");
                // Time for a download that should not have started to end the dialog.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                status = dialog.Text(IDC_STATUS);
                savePath = dialog.Text(IDC_SAVEAS_PATH);
                stillOpen = dialog.Text(IDC_EXIT_CANCEL);
                dialog.Click(IDC_EXIT_CANCEL);
                dialog.WaitUntilClosed();
            });
        }
        EXPECT_EQ(run.result, IDCANCEL);
        EXPECT_EQ(run.outPath, "(untouched)");
        EXPECT_EQ(status, "User canceled");
        EXPECT_EQ(stillOpen, "Exit");
        EXPECT_EQ(savePath, m_folder + "\\chosen\\");
        EXPECT_FALSE(fs::exists(m_folder + "\\chosen\\0ULN.pdb"));
    }
}

TEST_F(DownloadDialog, EveryFailureReachesTheStatusLineAndReturnsToReady)
{
    ImportKey(kPreferences + "PDB", RegString("SaveAs Path", m_folder + "\\chosen"));
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
        ConfigureItem(RegString("ServerURL", RefusedURL()) + RegString("Tokens", "ID:PDB ID") +
                      RegString("CAPTION", "Local") + RegString("URL", c.url) +
                      (c.post.empty() ? "\"POST\"=-\n" : RegString("POST", c.post)));
        std::string status, savePath;
        bool ready = false;
        RunDialog("PDB", [&](ScriptedUser& user) {
            DialogWindow dialog = user.WaitForDialog("Local");
            WaitForStatus(dialog, "Ready");
            dialog.Type(IDC_INPUT_BOX, "2def");
            dialog.Click(IDC_GETFILE);
            WaitUntil([&] { return dialog.IsEnabled(IDC_GETFILE); }, "Ready again");
            status = dialog.Text(IDC_STATUS);
            ready = dialog.Text(IDC_EXIT_CANCEL) == "Exit";
            savePath = dialog.Text(IDC_SAVEAS_PATH);
            dialog.Click(IDC_EXIT_CANCEL);
            dialog.WaitUntilClosed();
        });
        EXPECT_EQ(status, c.status);
        EXPECT_TRUE(ready);
        EXPECT_EQ(savePath, m_folder + "\\chosen\\");
    }

    // Neither the server nor the item gives a link, or inputs.
    ConfigureItem(RegString("ServerURL", ServerURL()) + "\"URL\"=-\n\"Tokens\"=-\n\"CAPTION\"=-\n\"POST\"=-\n");
    std::string status;
    RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("Protein Data Bank");
        WaitForStatus(dialog, "Ready");
        dialog.SetText(IDC_INPUT_BOX, "9BAD");
        dialog.Click(IDC_GETFILE);
        WaitForStatus(dialog, "No records found!");
        dialog.Click(IDC_EXIT_CANCEL);
        dialog.WaitUntilClosed();
    });
    ConfigureItem(RegString("ServerURL", RefusedURL()));
    RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("GetNetFile");
        WaitForStatus(dialog, "Cannot connect to Server");
        status = dialog.Text(IDC_EXIT_CANCEL) + (dialog.IsEnabled(IDC_GETFILE) ? " enabled" : " disabled");
        dialog.Click(IDC_EXIT_CANCEL);
        dialog.WaitUntilClosed();
    });
    EXPECT_EQ(status, "Cancel disabled");
}

TEST_F(DownloadDialog, SaveAsChoosesTheFileAndAPathTooLongForTheCallerIsRefused)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    ImportKey(kPreferences + "PDB", RegString("SaveAs Path", m_folder + "\\chosen"));
    std::vector<fw::SaveFileDialogCall> calls;
    std::optional<std::string> answer;
    fw::ScopedSaveFileDialogHandler saveAs([&](const fw::SaveFileDialogCall& call) {
        calls.push_back(call);
        return answer;
    });

    // A file that does not exist yet is the destination as it stands; a cancelled Save As changes nothing.
    const std::string chosen = m_folder + "\\chosen\\my entry.pdb";
    std::string shownAfterCancel, shownAfterChoice;
    Run run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("Protein Data Bank");
        WaitForStatus(dialog, "Ready");
        dialog.Click(IDC_SAVEAS);
        shownAfterCancel = dialog.Text(IDC_SAVEAS_PATH);
        answer = chosen;
        dialog.Click(IDC_SAVEAS);
        shownAfterChoice = dialog.Text(IDC_SAVEAS_PATH);
        dialog.SetText(IDC_INPUT_BOX, "0uln");
        dialog.Click(IDC_GETFILE);
        dialog.WaitUntilClosed();
    });
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].initialName, m_folder + "\\chosen\\*.pdb");
    EXPECT_EQ(calls[0].defaultExtension, "pdb");
    EXPECT_EQ(calls[0].filter, "Protein Data Bank file|*.pdb|PDB entry|*.ent||");
    EXPECT_EQ(calls[0].flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_NE(calls[0].owner, nullptr);
    EXPECT_EQ(shownAfterCancel, m_folder + "\\chosen\\");
    EXPECT_EQ(shownAfterChoice, chosen);
    ASSERT_EQ(run.result, IDOK);
    EXPECT_EQ(run.outPath, chosen);
    EXPECT_EQ(FileBytes(chosen), FileBytes(testing_support::FixturePath("netfile\\0uln.pdb")));

    // A stored file whose path the caller's buffer cannot hold whole is refused, not cut into another path.
    std::string deep = m_folder + "\\chosen";
    while (deep.size() < 220)
        deep += "\\folder";
    fs::create_directories(deep);
    const std::string tooLong = deep + "\\" + std::string(265 - deep.size(), 'x') + ".pdb";
    answer = tooLong;
    std::string status, savePath;
    run = RunDialog("PDB", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("Protein Data Bank");
        WaitForStatus(dialog, "Ready");
        dialog.Click(IDC_SAVEAS);
        dialog.SetText(IDC_INPUT_BOX, "0uln");
        dialog.Click(IDC_GETFILE);
        WaitForStatus(dialog, "Error on file");
        savePath = dialog.Text(IDC_SAVEAS_PATH);
        dialog.Click(IDC_EXIT_CANCEL);
        dialog.WaitUntilClosed();
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
    ConfigureItem(RegString("ServerURL", RefusedURL()) + RegString("Tokens", "ID:PDB ID") +
                  RegString("CAPTION", "Local") +
                  RegString("URL", Server().BaseUrl() + "/stall/100000000/" + std::to_string(kStallKilobytes * 1024) +
                                       "/ID.bin"));
    ImportKey(kPreferences + "BIG", RegString("SaveAs Path", m_folder + "\\chosen"));
    long shown = -1;
    Run run = RunDialog("BIG", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("Local");
        WaitForStatus(dialog, "Ready");
        dialog.SetText(IDC_INPUT_BOX, "big");
        dialog.Click(IDC_GETFILE);
        WaitUntil(
            [&] {
                shown = std::strtol(dialog.Text(IDC_DOWNLOADED).c_str() + std::strlen("downloaded: "), nullptr, 10);
                return shown > 65536;
            },
            "more than 64 MiB shown", std::chrono::seconds(120));
        dialog.Click(IDC_EXIT_CANCEL);
        WaitForStatus(dialog, "User canceled");
        dialog.Click(IDC_EXIT_CANCEL);
        dialog.WaitUntilClosed();
    });
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_GT(shown, 65536);
    EXPECT_LE(shown, kStallKilobytes);
}

// --- Opening the fetched file in the host ----------------------------------------------------------------

TEST_F(DownloadDialog, FetchedFileReachesEachHostFamilyItsOwnWay)
{
    ConfigureItem(RegString("ServerURL", ServerURL()));
    ImportKey(kPreferences + "MOL", RegString("SaveAs Path", m_folder + "\\chosen"));
    Run run = RunDialog("MOL", [&](ScriptedUser& user) {
        DialogWindow dialog = user.WaitForDialog("Structure files");
        WaitForStatus(dialog, "Ready");
        dialog.Type(IDC_INPUT_BOX, "glycine");
        dialog.Click(IDC_GETFILE);
        dialog.WaitUntilClosed();
    });
    ASSERT_EQ(run.result, IDOK);
    const std::string& path = run.outPath;
    ASSERT_TRUE(CGetNetFile::IsAFile(path));
    {
        SCOPED_TRACE("drawing host: the file's bytes as structure data; an empty file gives nothing");
        auto host = refhost::Host::Create("Velmora 19.0", 0x10040);
        auto drawing = std::make_shared<refhost::DrawingDocument>();
        host->MainWindow().activeDocument = drawing;
        Application application(host->Application().Detach());
        std::ofstream(m_folder + "\\chosen\\empty.mol").flush();
        OpenGetNetFile(application, m_folder + "\\chosen\\empty.mol");
        EXPECT_TRUE(drawing->selection.data->byFormat.empty());
        EXPECT_THROW(OpenGetNetFile(application, path + ".missing"), std::runtime_error);
        OpenGetNetFile(application, path);
        EXPECT_EQ(refhost::ArgumentBytes(*drawing->selection.data->byFormat.at(refhost::ExchangeFormat())),
                  FileBytes(testing_support::FixturePath("netfile\\glycine.mol")));
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
