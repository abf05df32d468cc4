// The download dialog's rules, and opening a fetched file in the stand-in hosts of the three families.
#include "netfile/DownloadDialogModel.h"
#include "netfile/OpenGetNetFile.h"

#include "refhost/application.h"
#include "refhost/drawing.h"
#include "refhost/modeller.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <stdexcept>

namespace {

using namespace netfile;

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

TEST(DownloadDialogRules, SavePathPieces)
{
    EXPECT_EQ(FailedSavePath("C:\\Data\\1ABC.pdb", false), "C:\\Data\\");
    EXPECT_EQ(FailedSavePath("C:\\Data", true), "C:\\Data") << "a folder stays";
    EXPECT_EQ(FailedSavePath("\\1ABC.pdb", false), "\\1ABC.pdb") << "no folder part";
    EXPECT_EQ(FailedSavePath("1ABC.pdb", false), "1ABC.pdb");

    EXPECT_EQ(FileNameOf("C:\\Data\\1ABC.pdb"), "1ABC.pdb");
    EXPECT_EQ(FileNameOf("\\1ABC.pdb"), "");
    EXPECT_EQ(FolderOf("C:\\Data\\1ABC.pdb"), "C:\\Data");
    EXPECT_EQ(FolderOf("1ABC.pdb"), "");

    EXPECT_EQ(SaveAsInitialName("C:\\Data", true, "pdb"), "C:\\Data\\*.pdb");
    EXPECT_EQ(SaveAsInitialName("C:\\Data\\", true, "pdb"), "C:\\Data\\*.pdb");
    EXPECT_EQ(SaveAsInitialName("C:\\Data\\new.pdb", false, "pdb"), "C:\\Data\\new.pdb");

    EXPECT_EQ(TrimInputValue(" \t1abc \r\n"), "1abc");
    EXPECT_EQ(TrimInputValue("   "), "");
}

// A file the download left, in the test's temporary folder.
std::string WriteTemporaryFile(const std::string& name, const std::string& content)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

TEST(OpenGetNetFile, EachHostFamilyGetsTheFileItsOwnWay)
{
    const std::string molfile = std::string("ethanol\n  test\n\n\0zero byte kept\n", 32);
    const std::string path = WriteTemporaryFile("ulnara_open_test.mol", molfile);

    {
        SCOPED_TRACE("drawing host: the bytes as structure data of the active document");
        auto host = refhost::Host::Create("Velmora 19.0", 0x10040);
        auto drawing = std::make_shared<refhost::DrawingDocument>();
        host->MainWindow().activeDocument = drawing;
        Application application(host->Application().Detach());
        OpenGetNetFile(application, path);
        const auto stored = drawing->selection.data->byFormat.find(refhost::ExchangeFormat());
        ASSERT_NE(stored, drawing->selection.data->byFormat.end());
        EXPECT_EQ(refhost::ArgumentBytes(*stored->second), molfile);
    }
    {
        SCOPED_TRACE("drawing host, empty file: nothing is handed over");
        auto host = refhost::Host::Create("Tessivo", 0x10040);
        auto drawing = std::make_shared<refhost::DrawingDocument>();
        host->MainWindow().activeDocument = drawing;
        Application application(host->Application().Detach());
        OpenGetNetFile(application, WriteTemporaryFile("ulnara_open_empty.mol", ""));
        EXPECT_TRUE(drawing->selection.data->byFormat.empty());
        EXPECT_THROW(OpenGetNetFile(application, path + ".missing"), std::runtime_error);
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
    DeleteFileA(path.c_str());
}

} // namespace
