// The stand-in drawing host as the demo and the tests use it: its own process, run unattended by a script, with
// the real add-in created by its ProgID (registered in the test prefix) and its menus configured in the registry
// sandbox. The script reader is checked in-process.
#include "script.h"

#include "framework/handle.h"
#include "framework/text.h"
#include "refhost/chem/Molfile.h"
#include "reg_import.h"
#include "registry_sandbox.h"
#include "stand_in_service.h"
#include "test_paths.h"

#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

using namespace drawing_host;

// ---- The script reader

TEST(HostScript, ReadsEveryActionWithItsArguments)
{
    ScriptError error;
    auto steps = ParseScript(SplitLines("# a comment\r\n"
                                        "open   \"Z:\\data\\my file.mol\" \r\n"
                                        "\n"
                                        "select atoms 3 1 bonds 7\n"
                                        "click ctrl shift bond 12\n"
                                        "choose Search >  Structure search... \n"
                                        "type 1001 \" two words \"\n"
                                        "screenshot dialog Z:\\a.png\n"
                                        "expect selected 0\n"
                                        "print selection\n"
                                        "execute-direct \"SOFTWARE\\A b\\1 Item\" (+)-camphor  \n"
                                        "execute-direct SOFTWARE\\Item \" padded \"\n"
                                        "wait 2012 Save to\n"),
                             &error);
    ASSERT_TRUE(steps) << error.line << ": " << error.message;
    ASSERT_EQ(steps->size(), 11u);
    const auto& s = *steps;
    EXPECT_EQ(s[0].action, Action::Open);
    EXPECT_EQ(s[0].text, "Z:\\data\\my file.mol");
    EXPECT_EQ(s[1].atoms, (std::vector<long>{3, 1}));
    EXPECT_EQ(s[1].bonds, std::vector<long>{7});
    EXPECT_TRUE(s[2].control && s[2].shift);
    EXPECT_EQ(s[2].bonds, std::vector<long>{12});
    EXPECT_EQ(s[3].path, (std::vector<std::string>{"Search", "Structure search..."}));
    EXPECT_EQ(s[3].line, "choose Search >  Structure search...");
    EXPECT_EQ(s[4].number, 1001);
    EXPECT_EQ(s[4].text, " two words ");
    EXPECT_EQ(s[5].picture, Picture::Dialog);
    EXPECT_EQ(s[5].text, "Z:\\a.png");
    EXPECT_EQ(s[6].expecting, Expecting::Selected);
    EXPECT_TRUE(s[7].selection);
    EXPECT_EQ(s[8].path, std::vector<std::string>{"SOFTWARE\\A b\\1 Item"});
    EXPECT_EQ(s[8].text, "(+)-camphor");
    EXPECT_EQ(s[9].path, std::vector<std::string>{"SOFTWARE\\Item"});
    EXPECT_EQ(s[9].text, " padded ");
    EXPECT_EQ(s[10].number, 2012);
    EXPECT_EQ(s[10].text, "Save to");
    EXPECT_TRUE(s[4].RunsWhilePending());
    EXPECT_TRUE(s[10].RunsWhilePending());   // it waits on a dialog that a pending step opened
    EXPECT_FALSE(s[3].RunsWhilePending());
    EXPECT_FALSE(s[8].RunsWhilePending());
}

TEST(HostScript, RefusesWhatItCannotCarryOutAndNamesTheLine)
{
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"draw a ring", "unknown action \"draw\""},
        {"open", "expected a file"},
        {"select", "expected all, none, or atoms and bonds by ID"},
        {"select 1 2", "expected all, none, atoms or bonds"},
        {"select atoms 0", "expected an atom or bond ID, not \"0\""},
        {"select atoms 99999999999999999999", "expected an atom or bond ID, not \"99999999999999999999\""},
        {"select all now", "unexpected \"now\""},
        {"click atom", "expected an ID, not \"\""},
        {"click left atom 1", "expected atom or bond"},
        {"choose Search", "expected MENU > ITEM"},
        {"choose Search > ", "a caption in the path is empty"},
        {"choose A > B > C", "expected MENU > ITEM"},
        {"open-menu A > B", "expected the caption of one menu"},
        {"press 70000", "expected a control id from 0 to 65535, not \"70000\""},
        {"wait 2012", "expected the text to wait for"},
        {"execute-direct", "expected the item's configuration path"},
        {"execute-direct \"SOFTWARE\\Item", "a quoted text has no closing quote"},
        {"execute-direct SOFTWARE\\Item", "expected the input text"},
        {"press -1", "expected a control id from 0 to 65535, not \"-1\""},
        {"screenshot client", "expected a file name"},
        {"print everything", "expected nothing or selection"},
        {"expect atoms many", "expected a count"},
        {"expect colour red", "expected enabled, disabled, atoms or selected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ScriptError error;
        EXPECT_FALSE(ParseScript({"select all", "", c.line}, &error));
        EXPECT_EQ(error.line, 3);
        EXPECT_EQ(error.message, c.message);
    }
}

// ---- The host, run unattended

struct HostRun {
    DWORD exitCode = 0;
    std::string output;

    bool Says(const std::string& line) const { return output.find(line + "\n") != std::string::npos; }
    // The text between two lines of the output.
    std::string Between(const std::string& first, const std::string& last) const
    {
        auto start = output.find(first + "\n");
        auto end = output.find(last + "\n", start);
        if (start == std::string::npos || end == std::string::npos)
            return {};
        start += first.size() + 1;
        return output.substr(start, end - start);
    }
};

// One argument of a command line as the C runtime splits it again: quoted, with the backslashes in front of a
// quote (or of the closing quote) doubled.
std::string Quoted(const std::string& argument)
{
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

std::string HostProgram()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program = path;
    return program.substr(0, program.find_last_of('\\') + 1) + "drawing-host.exe";
}

// Runs the host with the arguments and collects what it prints; the host's own watchdog bounds the run, the
// wait here bounds it once more.
HostRun RunHost(const std::vector<std::string>& arguments)
{
    std::string commandLine = Quoted(HostProgram()) + " --timeout 60";
    for (const std::string& argument : arguments)
        commandLine += " " + Quoted(argument);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    fw::unique_kernel_handle readEnd, writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0))
        throw std::runtime_error("cannot make a pipe");
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    // The first start in a fresh Wine prefix has been seen to fail once while the prefix settles: one more try.
    const auto start = [&] {
        return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                              &process) != FALSE;
    };
    if (!start()) {
        const DWORD firstError = GetLastError();
        Sleep(1000);
        if (!start())
            throw std::runtime_error("cannot start " + HostProgram() + " (error " + std::to_string(firstError) + ", then " +
                                     std::to_string(GetLastError()) + ")");
    }
    fw::unique_kernel_handle processHandle(process.hProcess), threadHandle(process.hThread);
    writeEnd.reset();

    HostRun run;
    std::thread reader([&] {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(readEnd.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
            run.output.append(buffer, read);
    });
    if (WaitForSingleObject(processHandle.get(), 90'000) != WAIT_OBJECT_0) {
        TerminateProcess(processHandle.get(), 99);
        WaitForSingleObject(processHandle.get(), 10'000);
    }
    reader.join();
    GetExitCodeProcess(processHandle.get(), &run.exitCode);
    std::erase(run.output, '\r');
    return run;
}

// The sample menus an administrator installs, and one item whose handler is not registered.
class DrawingHost : public testing::Test {
protected:
    void SetUp() override
    {
        regconfig::ImportRegText(testing_support::ReadTextFile(testing_support::SourcePath("config/sample.reg")));
        regconfig::ImportRegText(
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension\\3 Broken]\n"
            "@=\"Broken\"\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension\\3 Broken\\1]\n"
            "@=\"Broken handler\"\n"
            "\"HandlerID\"=\"Ulnara19.NoSuchHandler\"\n");
    }

    HostRun Run(std::vector<std::string> steps)
    {
        steps.insert(steps.begin(), {"--registry-sandbox", m_sandbox.RootPath()});
        return RunHost(steps);
    }

    static std::string Fixture(const std::string& name) { return testing_support::FixturePath(name); }

    regconfig::RegistrySandbox m_sandbox;
};

TEST_F(DrawingHost, AddinMenusFollowTheSelectionAndGoWhenTheWindowCloses)
{
    const HostRun run = Run({"open " + Fixture("esterification.rxn"), "expect disabled Search > Structure search...",
                             "expect enabled Search > Search by name or CAS number...", "click atom 2",
                             "expect enabled Search > Structure search...", "print selection",
                             "choose Broken > Broken handler", "click atom 99", "select none", "open-menu Search",
                             "close-menu"});
    SCOPED_TRACE(run.output);
    EXPECT_TRUE(run.Says("loaded the add-in \"Ulnara19.Extension\" by its ProgID"));
    EXPECT_TRUE(run.Says("window 1: Setup returned TRUE"));
    // The menu bar shows the add-in's menus, and opening one asks the add-in about each item.
    EXPECT_TRUE(run.Says("window 1: menu Search: Structure search... (disabled) | - | Search by name or CAS number..."));
    EXPECT_TRUE(run.Says("window 1: selected 4 atoms, 3 bonds, 0 reactions (MW 60.05)"));
    EXPECT_TRUE(run.Says("window 1: menu Search: Structure search... | - | Search by name or CAS number..."));

    // What the add-in would read from the selection: the clicked structure (acetic acid) and nothing else.
    auto document = refhost::chem::ReadChemDocument(testing_support::ReadTextFile(Fixture("esterification.rxn")));
    ASSERT_TRUE(document);
    document->SelectGroups({document->Atoms()[1].group});
    EXPECT_EQ(run.Between("--- selection", "--- end of selection"), refhost::chem::WriteSelection(*document));

    // A handler that cannot be created is reported plainly, and the script goes on.
    EXPECT_NE(run.output.find("error: window 1: Update of \"Broken handler\" failed: 0x800401F3 CO_E_CLASSSTRING"),
              std::string::npos);
    EXPECT_NE(run.output.find("error: window 1: Execute of \"Broken handler\" failed: 0x800401F3"), std::string::npos);
    EXPECT_TRUE(run.Says("error: the document has no atom with ID 99"));
    EXPECT_TRUE(run.Says("window 1: selected 0 atoms, 0 bonds, 0 reactions (MW 0.00)"));
    EXPECT_TRUE(run.Says("window 1: Cleanup returned TRUE"));
    EXPECT_EQ(run.exitCode, 1u);
}

TEST_F(DrawingHost, EachWindowIsSetUpAndCleanedUpOnItsOwn)
{
    const HostRun run = Run({"choose Window > New Window", "open " + Fixture("ethanol.mol"), "select all",
                             "expect enabled Search > Structure search...", "choose Window > 1 (no document)",
                             "expect disabled Search > Structure search...", "choose Window > Close Window",
                             "expect enabled Fetch > About the structure services", "choose File > Exit"});
    SCOPED_TRACE(run.output);
    EXPECT_TRUE(run.Says("window 1: Setup returned TRUE"));
    EXPECT_TRUE(run.Says("window 2: Setup returned TRUE"));
    // Window 1 goes first; window 2 keeps its menus and its document until it closes.
    const auto first = run.output.find("window 1: Cleanup returned TRUE");
    const auto second = run.output.find("window 2: Cleanup returned TRUE");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, run.output.find("> expect enabled Fetch > About the structure services"));
    EXPECT_LT(first, second);
    EXPECT_EQ(run.output.find("error:"), std::string::npos);
    EXPECT_EQ(run.exitCode, 0u);
}

// Pixels of the colour in a PNG the host saved.
int CountPixels(const std::string& path, COLORREF colour)
{
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    int count = 0;
    {
        Gdiplus::Bitmap picture(fw::Widen(path).c_str());
        EXPECT_EQ(picture.GetLastStatus(), Gdiplus::Ok) << path;
        for (UINT y = 0; y < picture.GetHeight(); ++y)
            for (UINT x = 0; x < picture.GetWidth(); ++x) {
                Gdiplus::Color pixel;
                picture.GetPixel(static_cast<INT>(x), static_cast<INT>(y), &pixel);
                count += RGB(pixel.GetR(), pixel.GetG(), pixel.GetB()) == colour;
            }
    }
    Gdiplus::GdiplusShutdown(token);
    return count;
}

TEST_F(DrawingHost, DrawingIsPaintedForAPictureWithTheSelectionHighlighted)
{
    const std::string plain = testing_support::BinaryPath("drawing_host_plain.png");
    const std::string selected = testing_support::BinaryPath("drawing_host_selected.png");
    const HostRun run = Run({"--size", "400x300", "--addin", "", "open " + Fixture("sodium_acetate_13c.mol"),
                             "screenshot client " + plain, "select all", "screenshot client " + selected});
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.exitCode, 0u);
    constexpr COLORREF kSelection = RGB(150, 200, 255), kInk = RGB(0, 0, 0), kOxygen = RGB(208, 32, 32);
    EXPECT_EQ(CountPixels(plain, kSelection), 0);
    EXPECT_GT(CountPixels(plain, kInk), 100);     // bonds and the status line
    EXPECT_GT(CountPixels(plain, kOxygen), 10);   // the oxygen labels
    EXPECT_GT(CountPixels(selected, kSelection), 500);
}

TEST_F(DrawingHost, ScriptAnswersDialogsAndADialogLeftOpenIsClosedNotWaitedFor)
{
    const std::string about = "choose Help > About Stand-in Drawing Host...";
    const HostRun answered = Run({about, "dialog About Stand-in Drawing Host", "read 1", "press 1", "expect atoms 0"});
    SCOPED_TRACE(answered.output);
    EXPECT_TRUE(answered.Says("dialog \"About Stand-in Drawing Host\": A stand-in drawing host for trying the "
                              "add-in. /  / Application name: Velmora 19.0 / Add-in: Ulnara19.Extension"));
    EXPECT_TRUE(answered.Says("dialog \"About Stand-in Drawing Host\", control 1: \"OK\""));
    EXPECT_TRUE(answered.Says("error: no document is open"));   // the step after the dialog ran once it closed

    const HostRun unanswered = Run({"--wait", "1", about, "select all"});
    SCOPED_TRACE(unanswered.output);
    EXPECT_NE(unanswered.output.find("error: the dialog \"About Stand-in Drawing Host\" (A stand-in drawing host"),
              std::string::npos);
    EXPECT_TRUE(unanswered.Says("> select all"));
    EXPECT_TRUE(unanswered.Says("window 1: Cleanup returned TRUE"));
    EXPECT_EQ(unanswered.exitCode, 1u);
}

TEST_F(DrawingHost, BadFilesAndScriptsAreRefusedWithTheirReason)
{
    const std::string broken = testing_support::BinaryPath("drawing_host_broken.mol");
    {
        std::ofstream out(broken, std::ios::binary);
        out << "broken\n\n\n  2  1  0  0  0  0  0  0  0  0999 V2000\n";
    }
    const HostRun run = Run({"open " + Fixture("no_such_file.mol"), "open " + broken, "expect atoms 0",
                             "screenshot " + testing_support::BinaryPath("drawing_host_no_screen.png")});
    SCOPED_TRACE(run.output);
    EXPECT_TRUE(run.Says("error: window 1: cannot open " + Fixture("no_such_file.mol") + ": cannot read the file"));
    EXPECT_NE(run.output.find("error: window 1: cannot open " + broken + ": line 5: "), std::string::npos);
    EXPECT_TRUE(run.Says("error: no document is open"));
    // Wine's null driver has no screen: a picture of it would be black, and is refused rather than saved.
    EXPECT_NE(run.output.find("error: screenshot: the screen shows nothing"), std::string::npos);
    EXPECT_EQ(GetFileAttributesA(testing_support::BinaryPath("drawing_host_no_screen.png").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(run.exitCode, 1u);

    const HostRun wrong = Run({"select all", "select everything"});
    EXPECT_NE(wrong.output.find("drawing-host: cannot read the step \"select everything\": expected all, none, atoms or bonds"),
              std::string::npos) << wrong.output;
    EXPECT_EQ(wrong.output.find("Setup"), std::string::npos);   // nothing ran
    EXPECT_EQ(wrong.exitCode, 2u);
}

// A chemist's structure search and fetch, end to end, as the demo runs them: the sample menus pointed at the
// stand-in structure service and download server, the choice and download dialogs answered by the script.
TEST_F(DrawingHost, SearchAndFetchPlaceTheirStructuresIntoTheDocument)
{
    using testing_support::StandInService;
    StandInService structures({}, StandInService::CatalogueOptions());
    StandInService downloads(StandInService::DownloadServerProgram(),
                             {"--catalogue", std::string(std::getenv("ULNARA_SOURCE_DIR")) + "/tests/fixtures/netfile"});
    std::string sample = testing_support::ReadTextFile(testing_support::SourcePath("config/sample.reg"));
    auto replace = [&sample](const std::string& from, int port) {
        for (auto at = sample.find(from); at != std::string::npos; at = sample.find(from, at))
            sample.replace(at, from.size(), "127.0.0.1:" + std::to_string(port));
    };
    replace("127.0.0.1:8421", structures.Port());
    replace("127.0.0.1:8422", downloads.Port());
    regconfig::ImportRegText(sample);
    const std::string folder = testing_support::BinaryPath("drawing_host_downloads");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::string regFolder;
    for (char c : folder)
        regFolder += c == '\\' ? std::string("\\\\") : std::string(1, c);
    regconfig::ImportRegText("Windows Registry Editor Version 5.00\n\n"
                                   "[HKEY_CURRENT_USER\\Software\\Quennardix\\Velmora\\19.0\\General\\MOL]\n"
                                   "\"SaveAs Path\"=\"" + regFolder + "\"\n");

    const HostRun run = Run({"open " + Fixture("esterification.rxn"), "click atom 16",
                             "choose Search > Structure search...", "dialog Search SciFinder", "press 1002", "press 1",
                             "choose Fetch > Structure file by name...", "dialog Structure file by name",
                             "wait 2012 Ready", "type 1 glycine", "press 2006", "print"});
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.exitCode, 0u);

    // The document afterwards: the reaction as read, the ethyl acetate of the service's catalogue, the fetched
    // glycine, in that order.
    auto read = [](const std::string& path) {
        auto document = refhost::chem::ReadChemDocument(testing_support::ReadTextFile(path));
        if (!document)
            throw std::runtime_error("cannot read " + path);
        return std::move(*document);
    };
    refhost::chem::ChemDocument expected = read(Fixture("esterification.rxn"));
    expected.Insert(read(testing_support::SourcePath("servers/structures/ethyl acetate.mol")));
    expected.Insert(read(Fixture("netfile/glycine.mol")));
    EXPECT_EQ(run.Between("--- document", "--- end of document"), refhost::chem::WriteChemDocument(expected));

    // What the services received: an exact search of the selected structure, signed as configured, and the
    // retrieval of what it found; the download server's three steps.
    const auto searches = structures.Requests();
    ASSERT_EQ(searches.size(), 2u);
    EXPECT_EQ(searches[0].query, "type=exact");
    EXPECT_TRUE(structures.VerifySignature(0, "X-Signature", "X-Request-Id|Request_Body", "s3cret"));
    EXPECT_EQ(searches[1].path, "/structure/ethyl%20acetate");
    const auto fetches = downloads.Requests();
    ASSERT_EQ(fetches.size(), 3u);
    EXPECT_EQ(fetches[2].path, "/entries/glycine.mol");
    EXPECT_EQ(testing_support::ReadTextFile(folder + "\\glycine.mol"),
              testing_support::ReadTextFile(Fixture("netfile\\glycine.mol")));
}

} // namespace
