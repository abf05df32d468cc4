// The dialogs of the structure search, run for real from the add-in's templates and worked by the scripted
// user: what they show, what the user's clicks and typing give back, and what their templates carry.
#include "dialog_test_support.h"
#include "netfile/URLControl.h"
#include "resources/resource.h"
#include "test_paths.h"
#include "webservice/ChoiceDialog.h"
#include "webservice/PromptTextDialog.h"
#include "webservice/ProxySettingsDialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

using dialog_test::RunWith;
using dialog_test::ShellRecorder;
using testing_support::DialogWindow;
using testing_support::ScriptedUser;

namespace {

constexpr char kSearchCaption[] = "Search SciFinder";
constexpr char kProxyCaption[] = "Proxy Settings";

// Opens the proxy settings from the choice dialog, lets `inProxy` work them (it closes them), then OKs the choice.
ScriptedUser::Script ThroughProxySettings(std::function<void(DialogWindow&)> inProxy)
{
    return [inProxy](ScriptedUser& user) {
        DialogWindow choice = user.WaitForDialog(kSearchCaption);
        choice.Click(IDC_PROXY_SETTINGS);
        DialogWindow proxy = user.WaitForDialog(kProxyCaption);
        inProxy(proxy);
        proxy.WaitUntilClosed();
        choice = user.WaitForDialog(kSearchCaption);
        choice.Click(IDOK);
        choice.WaitUntilClosed();
    };
}

} // namespace

TEST(ChoiceDialog, InitialChoiceIsCheckedOrFallsBackToTheReactionSearch)
{
    struct Case {
        UINT templateId;
        VelmoraSelectionType initial;
        int click;       // option the user clicks, 0 for none
        int checked;     // control checked before OK, 0 for none
        int userChoice;  // after OK
    };
    const Case cases[] = {
        {IDD_CHOICE_STRUCTURE, SelectionProducts, 0, IDC_PRODUCTS, 3},
        {IDD_CHOICE_STRUCTURE, SelectionSubstructure, 0, IDC_SUBSTRUCTURE, 1},
        {IDD_CHOICE_STRUCTURE, SelectionProducts, IDC_EXACT, IDC_EXACT, 2}, // the click clears the other options
        {IDD_CHOICE_REACTION, SelectionReaction, 0, 0, 0},
        {IDD_CHOICE_REACTION, SelectionProducts, 0, 0, 0}, // no such option in the reaction dialog
        // Ids of controls that are not options: nothing is checked and the choice stays in 0 to 4.
        {IDD_CHOICE_STRUCTURE, static_cast<VelmoraSelectionType>(IDOK), 0, 0, 0},
        {IDD_CHOICE_STRUCTURE, static_cast<VelmoraSelectionType>(IDC_NOTE), 0, 0, 0},
        {IDD_CHOICE_REACTION, static_cast<VelmoraSelectionType>(IDC_PROXY_SETTINGS), 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "template " << c.templateId << ", initial " << c.initial << ", click "
                                        << c.click);
        CChoiceDialog dialog(c.templateId, nullptr, "", c.initial, "");
        std::vector<int> checked;
        INT_PTR result = RunWith(dialog, [&](ScriptedUser& user) {
            DialogWindow window = user.WaitForDialog(kSearchCaption);
            if (c.click)
                window.Click(c.click);
            for (int id : {IDC_SUBSTRUCTURE, IDC_EXACT, IDC_PRODUCTS, IDC_REACTANTS})
                if (window.HasControl(id) && window.IsChecked(id))
                    checked.push_back(id);
            window.Click(IDOK);
            window.WaitUntilClosed();
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(checked, c.checked ? std::vector<int>{c.checked} : std::vector<int>{});
        EXPECT_EQ(dialog.GetUserChoice(), c.userChoice);
    }
}

TEST(ChoiceDialog, EscapeAndCloseBoxCancel)
{
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Escape");
        CChoiceDialog dialog(IDD_CHOICE_STRUCTURE, nullptr, "", SelectionSubstructure, "http://p.example/");
        INT_PTR result = RunWith(dialog, [&](ScriptedUser& user) {
            DialogWindow window = user.WaitForDialog(kSearchCaption);
            window.Click(IDC_REACTANTS);
            closeBox ? window.CloseBox() : window.PressEscape();
            window.WaitUntilClosed();
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(dialog.GetProxyURL(), "http://p.example/");
    }
}

TEST(ChoiceDialog, NoteShowsTheWarningOrIsHiddenWhenEmpty)
{
    const std::string warning = "Only a portion of the structure was selected.";
    for (const std::string& note : {warning, std::string()}) {
        SCOPED_TRACE(note);
        CChoiceDialog dialog(IDD_CHOICE_STRUCTURE, nullptr, note, SelectionSubstructure, "");
        bool visible = false;
        std::string shown;
        RunWith(dialog, [&](ScriptedUser& user) {
            DialogWindow window = user.WaitForDialog(kSearchCaption);
            visible = window.IsVisible(IDC_NOTE);
            shown = window.Text(IDC_NOTE);
            window.PressEnter();
            window.WaitUntilClosed();
        });
        EXPECT_EQ(visible, !note.empty());
        EXPECT_EQ(shown, note.empty() ? "" : "Note:\t" + warning);
    }
}

TEST(ChoiceDialog, CancelledProxySettingsKeepTheEarlierAddressAfterOk)
{
    CChoiceDialog dialog(IDD_CHOICE_REACTION, nullptr, "", SelectionReaction, "http://old.example/login");
    std::string shownInProxyDialog;
    INT_PTR result = RunWith(dialog, ThroughProxySettings([&](DialogWindow& proxy) {
        shownInProxyDialog = proxy.Text(IDC_PROXY_URL);
        proxy.Type(IDC_PROXY_URL, "http://new.example/");
        proxy.Click(IDCANCEL);
    }));
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(shownInProxyDialog, "http://old.example/login");
    EXPECT_EQ(dialog.GetProxyURL(), "http://old.example/login");
}

TEST(ChoiceDialog, ProxyAddressIsStoredEscapedAsUtf8AndShownUnescapedAgain)
{
    const std::string typed = "http://proxy.example.edu/Zürich campus";
    const std::string stored = "http://proxy.example.edu/Z%C3%BCrich%20campus";
    CChoiceDialog first(IDD_CHOICE_STRUCTURE, nullptr, "", SelectionSubstructure, "");
    RunWith(first, ThroughProxySettings([&](DialogWindow& proxy) {
        proxy.Type(IDC_PROXY_URL, typed);
        proxy.Click(IDOK);
    }));
    EXPECT_EQ(first.GetProxyURL(), stored);

    CChoiceDialog second(IDD_CHOICE_STRUCTURE, nullptr, "", SelectionSubstructure, first.GetProxyURL());
    std::string shown;
    RunWith(second, ThroughProxySettings([&](DialogWindow& proxy) {
        shown = proxy.Text(IDC_PROXY_URL);
        proxy.PressEnter();
    }));
    EXPECT_EQ(shown, typed);
    EXPECT_EQ(second.GetProxyURL(), stored);
}

TEST(ChoiceDialog, OwnerClosedWhileTheProxySettingsAreOpenEndsBothDialogs)
{
    HWND owner = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300, nullptr,
                                 nullptr, nullptr, nullptr);
    CChoiceDialog dialog(IDD_CHOICE_STRUCTURE, owner, "", SelectionSubstructure, "http://old.example/");
    const DWORD modalThread = GetCurrentThreadId();
    std::atomic<bool> returned = false;
    bool stuck = false;
    ScriptedUser user([&](ScriptedUser& me) {
        DialogWindow choice = me.WaitForDialog(kSearchCaption);
        choice.Click(IDC_PROXY_SETTINGS);
        DialogWindow proxy = me.WaitForDialog(kProxyCaption);
        proxy.SetText(IDC_PROXY_URL, "http://new.example/");
        PostMessageW(owner, WM_CLOSE, 0, 0);
        proxy.WaitUntilClosed();
        choice.WaitUntilClosed();
        // Bounded: a modal loop still waiting is woken up here so that the test ends.
        stuck = !testing_support::WaitUntil([&] { return returned.load(); }, std::chrono::seconds(3));
        if (stuck)
            PostThreadMessageW(modalThread, WM_NULL, 0, 0);
    });
    INT_PTR result = dialog.DoModal();
    returned = true;
    user.Finish();
    EXPECT_FALSE(stuck) << "DoModal went on waiting after its window was destroyed";
    EXPECT_FALSE(IsWindow(owner));
    EXPECT_NE(result, IDOK);
    EXPECT_EQ(dialog.GetProxyURL(), "http://old.example/");
    EXPECT_EQ(URLControlFont().RefCount(), 0) << "the proxy dialog kept its share of the link font";
}

TEST(PromptTextDialog, AsksForTextOrShowsTheAnswerReadOnly)
{
    enum Close { Enter, Escape, CloseBox };
    const struct {
        UINT templateId;
        const char* title;   // in the system code page (1252 here): "Caf\xE9" is "Café"
        const char* caption; // as shown, in UTF-8
        const char* prompt;
        const char* text;
        Close close;
        INT_PTR result;
        const char* kept;    // the text afterwards
    } cases[] = {
        {IDD_PROMPT, "Name search", "Name search", "Enter a chemical name", "ethanol", Enter, IDOK, "(+)-camphor & co"},
        {IDD_PROMPT, "Name search", "Name search", "Enter a chemical name", "ethanol", Escape, IDCANCEL, "ethanol"},
        {IDD_RESULTS, "Caf\xE9 search", "Café search", "Answer of the service:", "CAS 64-17-5\r\nethanol", CloseBox,
         IDCANCEL, "CAS 64-17-5\r\nethanol"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.caption << ", close " << c.close);
        PromptTextDialog dialog(c.templateId, nullptr, c.title, c.prompt, c.text);
        std::string caption, prompt, shown;
        int focused = 0;
        bool readOnly = false;
        INT_PTR result = RunWith(dialog, [&](ScriptedUser& user) {
            DialogWindow window = user.WaitForDialog(c.caption);
            caption = window.Caption();
            prompt = window.Text(IDC_PROMPT);
            shown = window.Text(IDC_TEXT);
            focused = window.FocusedControl();
            readOnly = (GetWindowLongW(GetDlgItem(window.Window(), IDC_TEXT), GWL_STYLE) & ES_READONLY) != 0;
            window.Type(IDC_TEXT, "(+)-camphor & co");
            c.close == Enter ? window.PressEnter() : c.close == Escape ? window.PressEscape() : window.CloseBox();
            window.WaitUntilClosed();
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(prompt, c.prompt);
        EXPECT_EQ(shown, c.text);
        EXPECT_EQ(focused, IDC_TEXT);
        EXPECT_EQ(readOnly, c.templateId == IDD_RESULTS);
        EXPECT_EQ(dialog.GetText(), c.kept);
    }
}

TEST(ProxySettingsDialog, InstructionsLinkOpensThePageOfTheStringTable)
{
    ShellRecorder shell;
    CProxySettingsDialog dialog(nullptr, "", nullptr);
    std::string linkText;
    int focused = 0;
    int linkReferences = 0;
    INT_PTR result = RunWith(dialog, [&](ScriptedUser& user) {
        DialogWindow window = user.WaitForDialog(kProxyCaption);
        focused = window.FocusedControl();
        linkText = window.Text(IDC_PROXY_HELP);
        window.MouseClick(IDC_PROXY_HELP);
        linkReferences = URLControlFont().RefCount();
        window.PressEscape();
        window.WaitUntilClosed();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(focused, IDC_PROXY_URL);
    EXPECT_EQ(linkText, "View detailed instructions");
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].target, "https://scifinder.example/help/proxy-settings.html");
    EXPECT_EQ(shell.calls[0].verb, "open");
    EXPECT_EQ(linkReferences, 1);
    EXPECT_EQ(URLControlFont().RefCount(), 0) << "the dialog kept its share of the link font";
    EXPECT_EQ(URLControlFont().Get(), nullptr);
}

// Opens the proxy dialog with a stored address, lets the script edit it, and returns what is stored after OK
// (and, through `shown`, what the dialog showed at opening).
std::string EditProxyAddress(const std::string& stored, const std::function<void(DialogWindow&)>& edit,
                             std::string* shown = nullptr)
{
    CProxySettingsDialog dialog(nullptr, stored, nullptr);
    INT_PTR result = RunWith(dialog, [&](ScriptedUser& user) {
        DialogWindow window = user.WaitForDialog(kProxyCaption);
        if (shown)
            *shown = window.Text(IDC_PROXY_URL);
        edit(window);
        window.Click(IDOK);
        window.WaitUntilClosed();
    });
    EXPECT_EQ(result, IDOK);
    return dialog.GetProxyURL();
}

TEST(ProxySettingsDialog, AddressLongerThanTheBuffersIsCutBeforeAWholeCharacter)
{
    // 21 + 700 x 6 escaped characters: the 2083 that fit end inside the 344th "%C3%BC".
    const std::string start = "http://proxy.example/";
    std::string umlauts;
    for (int i = 0; i < 700; ++i)
        umlauts += "ü";
    std::string stored = EditProxyAddress("", [&](DialogWindow& window) { window.SetText(IDC_PROXY_URL, start + umlauts); });
    std::string expected = start;
    for (int i = 0; i < 343; ++i)
        expected += "%C3%BC";
    EXPECT_EQ(stored.size(), expected.size());
    EXPECT_EQ(stored, expected);

    // What the user types stops at what the buffers hold.
    std::string typed = EditProxyAddress("", [&](DialogWindow& window) {
        window.Type(IDC_PROXY_URL, "http://proxy.example/" + std::string(2100, 'a'));
    });
    EXPECT_EQ(typed.size(), 2083u);

    // A stored address longer than the buffer is shown up to its last whole character.
    std::string longStored = start;
    for (int i = 0; i < 1100; ++i)
        longStored += "%F0%9F%A7%AA"; // U+1F9EA, a surrogate pair in UTF-16
    std::string shown;
    EditProxyAddress(longStored, [](DialogWindow&) {}, &shown);
    EXPECT_EQ(shown.size(), start.size() + 1031 * 4) << "21 units and 1031 whole pairs fit in 2083";
}

TEST(ProxySettingsDialog, PastedLineBreaksAreStoredEscaped)
{
    std::string stored = EditProxyAddress("", [](DialogWindow& window) {
        window.SetText(IDC_PROXY_URL, "http://proxy.example/login?url=a b\r\nX-Injected: 1");
    });
    EXPECT_EQ(stored.find_first_of("\r\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("%0D%0A"), std::string::npos) << stored;
}

TEST(ProxySettingsDialog, StoredAddressIsShownReadableWhateverItHolds)
{
    const struct {
        std::string stored;
        std::string shown;
    } cases[] = {
        {"http://p.example/Z%C3%BCrich%20campus", "http://p.example/Zürich campus"},
        {"http://p.example/Z\xFCrich", "http://p.example/Zürich"},     // not UTF-8: read in the code page
        {"http://p.example/Z%FCrich", "http://p.example/Zürich"},      // an escaped byte that is not UTF-8
        {"http://p.example/a%00b%2", "http://p.example/a%00b%2"},      // a zero and a cut escape stay
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        std::string shown;
        EditProxyAddress(c.stored, [](DialogWindow&) {}, &shown);
        EXPECT_EQ(shown, c.shown);
    }
}
