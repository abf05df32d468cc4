// Pictures of each dialog as a chemist sees it, for a person to look at: PNG files in the build folder's
// pictures/ (scripts/dialog-pictures runs this under Xvfb; with the tests' null display driver it is skipped).
// Each picture is also checked for what must show: the logo over its placeholder, the link in blue.
#include "dialog_test_support.h"
#include "netfile/GetNetFileDlg.h"
#include "reg_import.h"
#include "registry_sandbox.h"
#include "resources/resource.h"
#include "test_paths.h"
#include "webservice/ChoiceDialog.h"
#include "webservice/PromptTextDialog.h"
#include "window_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

using testing_support::DialogWindow;
using testing_support::Picture;
using testing_support::ScriptedUser;

namespace {

// A control's rectangle in a picture of the whole window (frame included).
RECT InPicture(const DialogWindow& window, int id)
{
    RECT control{}, frame{};
    GetWindowRect(GetDlgItem(window.Window(), id), &control);
    GetWindowRect(window.Window(), &frame);
    OffsetRect(&control, -frame.left, -frame.top);
    return control;
}

enum Shows { kText = 0, kLogo = 1, kLink = 2 };

// Saves the picture and checks that the logo is over its placeholder and the link blue, where they belong.
void TakePicture(const DialogWindow& window, const std::string& name, int shows)
{
    SCOPED_TRACE(name);
    std::string path = testing_support::BinaryPath("pictures/" + name + ".png");
    const auto logoPixels = [&](const Picture& picture) {
        return picture.Count(InPicture(window, IDC_LOGO), RGB(0x1F, 0x3A, 0x5F), 24);
    };
    // The first dialog of a fresh prefix can be pictured before Wine's display has caught up with its
    // painting; take it again for a bounded while. A logo that is never painted still fails.
    for (int attempt = 0; attempt < 30; ++attempt) {
        window.SavePicture(path);
        if (!(shows & kLogo) || logoPixels(Picture::OfScreen(window.Window())) > 300)
            break;
        Sleep(100);
    }
    Picture picture = Picture::OfScreen(window.Window());
    if (shows & kLogo) {
        EXPECT_GT(logoPixels(picture), 300) << "no logo";
    }
    if (shows & kLink) {
        EXPECT_GT(picture.Count(InPicture(window, IDC_PROXY_HELP), RGB(0, 0, 255)), 20) << "no blue link";
    }
    std::printf("picture: %s\n", path.c_str());
}

// Opens the dialog, lets the user prepare it, takes its picture and closes it.
void PictureOf(CDialog& dialog, const std::string& caption, const std::string& name, int shows,
               std::function<void(DialogWindow&)> prepare = {})
{
    dialog_test::RunWith(dialog, [&](ScriptedUser& me) {
        DialogWindow window = me.WaitForDialog(caption);
        if (prepare)
            prepare(window);
        TakePicture(window, name, shows);
        window.PressEscape();
        window.WaitUntilClosed();
    });
}

} // namespace

TEST(DialogPictures, EachDialogAsAChemistSeesIt)
{
    if (!std::getenv("ULNARA_PICTURES"))
        GTEST_SKIP() << "pictures are taken by scripts/dialog-pictures under Xvfb";

    CChoiceDialog structure(IDD_CHOICE_STRUCTURE, nullptr,
                            "Multiple structures selected.\r\n\tSubstance Search will consider these as a single "
                            "compound.\r\n\tReaction Search will find reactions containing all of the selections.",
                            SelectionProducts, "http://proxy.example.edu/Z%C3%BCrich%20%CE%A9-campus");
    dialog_test::RunWith(structure, [](ScriptedUser& user) {
        DialogWindow choice = user.WaitForDialog("Search SciFinder");
        TakePicture(choice, "choice-structure", kLogo);
        choice.Click(IDC_PROXY_SETTINGS);
        DialogWindow proxy = user.WaitForDialog("Proxy Settings");
        TakePicture(proxy, "proxy-settings", kLogo | kLink);
        proxy.PressEscape();
        proxy.WaitUntilClosed();
        choice = user.WaitForDialog("Search SciFinder");
        choice.PressEscape();
        choice.WaitUntilClosed();
    });

    CChoiceDialog reaction(IDD_CHOICE_REACTION, nullptr, "", SelectionReaction, "");
    PictureOf(reaction, "Search SciFinder", "choice-reaction", kLogo);

    PromptTextDialog prompt(IDD_PROMPT, nullptr, "Name search", "Enter a chemical name or CAS Registry Number", "");
    PictureOf(prompt, "Name search", "prompt", kText, [](DialogWindow& window) {
        window.Type(IDC_TEXT, "(+)-camphor");
    });

    PromptTextDialog results(IDD_RESULTS, nullptr, "Name search", "Structures found for (+)-camphor:",
                             "CAS 464-49-3\r\n(1R,4R)-1,7,7-trimethylbicyclo[2.2.1]heptan-2-one\r\nC10H16O\r\n"
                             "Molecular weight 152.23\r\nMelting point 179 \xB0" "C\r\nBoiling point 204 \xB0" "C");
    PictureOf(results, "Name search", "results", kText);
}

TEST(DialogPictures, DownloadDialogWithItsInputs)
{
    if (!std::getenv("ULNARA_PICTURES"))
        GTEST_SKIP() << "pictures are taken by scripts/dialog-pictures under Xvfb";

    // An item configured locally (no server answers on port 1), with a remembered value for its first input;
    // the save path offered is the desktop.
    regconfig::RegistrySandbox sandbox;
    regconfig::ImportRegText(R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"Desktop"="%USERPROFILE%\\Desktop"

[HKEY_CURRENT_USER\Software\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\Fetch\PDB]
"ServerURL"="http://127.0.0.1:1/x"
"URL"="http://files.example/ID.pdb"
"Tokens"="ID:PDB ID;CHAIN:Chain{A,B,C}"
"CAPTION"="Protein Data Bank"

[HKEY_CURRENT_USER\Software\Quennardix\Velmora\19.0\General\PDB\#1]
"#1"="1ABC"
)");
    char path[CGetNetFileDlg::kOutPathSize] = "";
    CGetNetFileDlg dialog("Velmora Professional",
                          "Software\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension\\Fetch\\PDB", "PDB",
                          "", path);
    PictureOf(dialog, "Protein Data Bank", "download", kText);
}
