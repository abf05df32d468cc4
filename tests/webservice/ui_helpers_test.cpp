// The window helpers the dialogs share: links (font, cursor, painting, clicks), the logo, and the dialog base
// under them (failures, custom messages, controls made and moved at run time).
#include "dialog_test_support.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/handle.h"
#include "netfile/PNGLogo.h"
#include "netfile/URLControl.h"
#include "resources/resource.h"
#include "webservice/ChoiceDialog.h"
#include "window_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

using dialog_test::RunWith;
using dialog_test::ShellRecorder;
using testing_support::DialogWindow;
using testing_support::Picture;
using testing_support::ScriptedUser;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kPurple = RGB(128, 0, 128);

// A plain top-level window with static controls, for links outside any dialog.
class StaticsWindow {
public:
    explicit StaticsWindow(std::vector<const wchar_t*> texts)
    {
        m_window.reset(CreateWindowExW(0, L"STATIC", L"links", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200, nullptr,
                                       nullptr, nullptr, nullptr));
        int top = 10;
        for (const wchar_t* text : texts) {
            m_controls.push_back(CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 10, top, 300, 20,
                                                 m_window.get(), nullptr, nullptr, nullptr));
            top += 30;
        }
        SendMessageW(m_window.get(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    HWND Control(std::size_t index) const { return m_controls.at(index); }

private:
    fw::unique_handle<HWND, &DestroyWindow> m_window;
    std::vector<HWND> m_controls;
};

void Click(HWND control, UINT message)
{
    RECT client{};
    GetClientRect(control, &client);
    SendMessageW(control, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                 MAKELPARAM(client.right / 2, client.bottom / 2));
}

} // namespace

TEST(HandCursor, IsAMonochromeCursorWithItsHotSpotOnTheFingerTip)
{
    AutoCursor cursor;
    cursor.AddRef();
    ASSERT_NE(cursor.Get(), nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor.Get(), &info));
    fw::unique_hbitmap mask(info.hbmMask), color(info.hbmColor);
    BITMAP shape{};
    GetObjectW(mask.get(), sizeof shape, &shape);
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(shape.bmWidth, 32);
    EXPECT_EQ(shape.bmHeight, 64) << "monochrome: the AND plane above the XOR plane";
    EXPECT_EQ(info.xHotspot, 5u);
    EXPECT_EQ(info.yHotspot, 2u);
    // Sampled pixels as (AND, XOR): the finger tip's black outline above the hot spot, white inside it, and
    // the transparent corner.
    std::vector<BYTE> bits(static_cast<std::size_t>(shape.bmWidthBytes) * shape.bmHeight);
    GetBitmapBits(mask.get(), static_cast<LONG>(bits.size()), bits.data());
    auto pixel = [&](int x, int y) {
        auto bit = [&](int row) { return (bits[std::size_t(row) * shape.bmWidthBytes + x / 8] >> (7 - x % 8)) & 1; };
        return std::pair{bit(y), bit(32 + y)};
    };
    EXPECT_EQ(pixel(5, 1), std::pair(0, 0));
    EXPECT_EQ(pixel(5, 2), std::pair(0, 1));
    EXPECT_EQ(pixel(0, 0), std::pair(1, 0));
    EXPECT_EQ(pixel(20, 25), std::pair(1, 0));
    cursor.ReduceRef();
    EXPECT_EQ(cursor.Get(), nullptr);
}

TEST(URLControl, SharedFontAndCursorLiveFromTheFirstConversionToTheLastCleanup)
{
    ASSERT_EQ(URLControlFont().RefCount(), 0);
    StaticsWindow window({L"first", L"second"});
    EXPECT_EQ(StaticToURLControl(window.Control(0), "https://a.example/", kDefaultLinkColor), 1);
    HFONT font = URLControlFont().Get();
    ASSERT_NE(font, nullptr);
    ASSERT_NE(URLControlCursor().Get(), nullptr);
    // The link font is the default GUI font underlined.
    LOGFONTW link{}, gui{};
    ASSERT_TRUE(GetObjectW(font, sizeof link, &link));
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    EXPECT_TRUE(link.lfUnderline);
    EXPECT_EQ(link.lfHeight, gui.lfHeight);
    EXPECT_STREQ(link.lfFaceName, gui.lfFaceName);
    StaticToURLControl(window.Control(1), nullptr, kDefaultLinkColor);
    EXPECT_EQ(URLControlFont().Get(), font) << "the second link made a font of its own";
    EXPECT_EQ(URLControlFont().RefCount(), 2);
    EXPECT_EQ(URLControlCursor().RefCount(), 2);

    CleanupURLControl();
    EXPECT_NE(GetObjectType(font), 0u) << "freed while a link still uses it";
    CleanupURLControl();
    EXPECT_EQ(URLControlFont().Get(), nullptr);
    EXPECT_EQ(URLControlCursor().Get(), nullptr);
    EXPECT_EQ(GetObjectType(font), 0u) << "the font was not deleted";
    CleanupURLControl();
    EXPECT_EQ(URLControlFont().RefCount(), 0);
    EXPECT_EQ(URLControlCursor().RefCount(), 0);
}

TEST(URLControl, TakesItsTextsSizeAndAnEmptyTextMakesItZeroSized)
{
    StaticsWindow window({L"View detailed instructions", L""});
    StaticToURLControl(window.Control(0), nullptr, kDefaultLinkColor);
    StaticToURLControl(window.Control(1), nullptr, kDefaultLinkColor);
    SIZE extent{};
    {
        fw::WindowDC screen(nullptr);
        fw::SelectedObject font(screen, URLControlFont().Get());
        GetTextExtentPoint32W(screen, L"View detailed instructions", 26, &extent);
    }
    RECT link{}, empty{};
    GetClientRect(window.Control(0), &link);
    GetClientRect(window.Control(1), &empty);
    EXPECT_EQ(link.right, extent.cx);
    EXPECT_EQ(link.bottom, extent.cy);
    EXPECT_EQ(empty.right, 0);
    EXPECT_TRUE(GetWindowLongW(window.Control(0), GWL_STYLE) & SS_NOTIFY);
    // A zero-sized link is still shown but no click can land on it.
    EXPECT_TRUE(IsWindowVisible(window.Control(1)));
    POINT corner{0, 0};
    MapWindowPoints(window.Control(1), GetParent(window.Control(1)), &corner, 1);
    EXPECT_NE(ChildWindowFromPoint(GetParent(window.Control(1)), corner), window.Control(1));
    CleanupURLControl();
    CleanupURLControl();
}

TEST(URLControl, PaintsBlueThenPurpleAfterTheClickThatOpensIt)
{
    ShellRecorder shell;
    StaticsWindow window({L"https://own-text.example/"});
    HWND link = window.Control(0);
    StaticToURLControl(link, nullptr, kDefaultLinkColor);
    RECT all{0, 0, 1000, 1000};
    Picture before = Picture::Printed(link);
    EXPECT_GT(before.Count(all, kBlue), 0);
    EXPECT_EQ(before.Count(all, kPurple), 0);

    Click(link, WM_LBUTTONDOWN);
    Click(link, WM_LBUTTONUP);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].target, "https://own-text.example/") << "an empty URL opens the control's text";
    EXPECT_EQ(shell.calls[0].verb, "open");
    Picture after = Picture::Printed(link);
    EXPECT_GT(after.Count(all, kPurple), 0);
    EXPECT_EQ(after.Count(all, kBlue), 0);

    // A new text is painted in the current colour, over the old text rather than through it.
    SetWindowTextW(link, L"x");
    Picture changed = Picture::Printed(link);
    EXPECT_GT(changed.Count(all, kPurple), 0);
    EXPECT_EQ(changed.Count(all, kBlue), 0);
    EXPECT_EQ(changed.Count(RECT{20, 0, changed.Width(), changed.Height()}, kPurple), 0) << "the old text shows through";
    CleanupURLControl();
}

TEST(URLControl, OpensOnlyWhenPressAndReleaseAreOnTheSameLink)
{
    ShellRecorder shell;
    StaticsWindow window({L"first", L"second"});
    StaticToURLControl(window.Control(0), "https://first.example/", RGB(0, 128, 0));
    StaticToURLControl(window.Control(1), "https://second.example/", kDefaultLinkColor);

    Click(window.Control(0), WM_LBUTTONDOWN);
    Click(window.Control(1), WM_LBUTTONUP);
    EXPECT_TRUE(shell.calls.empty()) << "a press on one link and a release on another opened "
                                     << (shell.calls.empty() ? "" : shell.calls[0].target);
    Click(window.Control(1), WM_LBUTTONDOWN);
    Click(window.Control(1), WM_LBUTTONUP);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].target, "https://second.example/");
    CleanupURLControl();
    CleanupURLControl();
}

TEST(Logo, ResourceIsTheDrawnPictureAndAMissingOneLeavesTheImageNull)
{
    CImage logo;
    ASSERT_TRUE(LoadPNGFromResourceId(IDB_LOGO, logo));
    EXPECT_EQ(logo.GetWidth(), 223);
    EXPECT_EQ(logo.GetHeight(), 54);
    EXPECT_EQ(logo.GetPixelARGB(0, 0) >> 24, 0u) << "the corner is transparent";
    EXPECT_EQ(logo.GetPixelARGB(60, 20), 0xFF1F3A5Fu) << "the stem of the U";

    CImage missing;
    EXPECT_FALSE(LoadPNGFromResourceId(4242, missing));
    EXPECT_TRUE(missing.IsNull());
}

namespace {

constexpr COLORREF kLogoBlue = RGB(0x1F, 0x3A, 0x5F);

int LogoPixels(const Picture& picture, const RECT& area)
{
    return picture.Count(area, kLogoBlue, 24);
}

} // namespace

TEST(Logo, IsPaintedOverItsPlaceholderInTheChoiceAndProxyDialogs)
{
    CChoiceDialog dialog(IDD_CHOICE_STRUCTURE, nullptr, "", SelectionSubstructure, "");
    RunWith(dialog, [](ScriptedUser& me) {
        for (const char* caption : {"Search SciFinder", "Proxy Settings"}) {
            SCOPED_TRACE(caption);
            DialogWindow window = me.WaitForDialog(caption);
            RECT placeholder = window.ControlRect(IDC_LOGO);
            Picture picture = Picture::Printed(window.Window());
            EXPECT_GT(LogoPixels(picture, placeholder), 300) << "no logo in the placeholder's area";
            RECT below{0, placeholder.bottom + 4, picture.Width(), picture.Height()};
            EXPECT_EQ(LogoPixels(picture, below), 0) << "logo colours outside the placeholder";
            EXPECT_FALSE(window.IsVisible(IDC_LOGO)) << "the placeholder still covers the logo";
            if (window.HasControl(IDC_PROXY_SETTINGS)) {
                window.Click(IDC_PROXY_SETTINGS);
            } else {
                window.Click(IDCANCEL);
                window.WaitUntilClosed();
            }
        }
        DialogWindow choice = me.WaitForDialog("Search SciFinder");
        choice.Click(IDCANCEL);
        choice.WaitUntilClosed();
    });
}

TEST(Logo, IsNotPaintedIntoAMinimisedDialogAndIsOnceItIsRestored)
{
    CChoiceDialog dialog(IDD_CHOICE_REACTION, nullptr, "", SelectionReaction, "");
    RunWith(dialog, [](ScriptedUser& me) {
        DialogWindow window = me.WaitForDialog("Search SciFinder");
        SendMessageW(window.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(testing_support::WaitUntil([&] { return IsIconic(window.Window()) != FALSE; }));
        // The placeholder as it was before the first paint; then the minimised dialog is asked to paint.
        ShowWindow(GetDlgItem(window.Window(), IDC_LOGO), SW_SHOWNA);
        Picture minimised = Picture::PrintedClient(window.Window(), SIZE{400, 200});
        EXPECT_EQ(minimised.Count(RECT{0, 0, 400, 200}, RGB(255, 0, 255)), 400 * 200) << "painted while minimised";
        EXPECT_TRUE(window.IsVisible(IDC_LOGO)) << "the placeholder was hidden while minimised";

        SendMessageW(window.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_TRUE(testing_support::WaitUntil([&] { return !window.IsVisible(IDC_LOGO); }));
        EXPECT_GT(LogoPixels(Picture::Printed(window.Window()), window.ControlRect(IDC_LOGO)), 300);
        window.PressEscape();
        window.WaitUntilClosed();
    });
}

namespace {

// A dialog built the way the download dialog is: a worker's posted notice reaches a handler that makes a
// control at run time, moves a template control and makes the window taller; a failing handler ends it.
class WorkbenchDialog : public CDialog {
public:
    static constexpr UINT WM_NOTICE = WM_USER + 1;
    static constexpr int kMadeAtRunTime = 4242;

    WorkbenchDialog() : CDialog(IDD_PROMPT) {}
    std::vector<std::pair<WPARAM, LPARAM>> notices;
    bool failOnOk = false;
    int destroyed = 0;
    std::string text = "initial";

protected:
    std::span<const fw::MessageMapEntry> GetMessageMap() const override
    {
        static const fw::MessageMapEntry entries[] = {fw::map::Message(WM_NOTICE, &WorkbenchDialog::OnNotice)};
        return entries;
    }
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_TEXT, text); }
    void OnOK() override
    {
        if (failOnOk)
            throw std::runtime_error("the handler failed");
        CDialog::OnOK();
    }
    void OnDestroy() override { ++destroyed; }

private:
    LRESULT OnNotice(WPARAM wParam, LPARAM lParam)
    {
        notices.emplace_back(wParam, lParam);
        RECT ok{};
        GetWindowRect(GetDlgItem(IDOK), &ok);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&ok), 2);
        SetWindowPos(GetDlgItem(IDOK), nullptr, ok.left, ok.top + 27, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RECT frame{};
        GetWindowRect(m_hWnd, &frame);
        SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + 27,
                     SWP_NOMOVE | SWP_NOZORDER);
        // Made last: the user sees the reshaped dialog once this control is there.
        HWND box = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 10, 10, 100, 90, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMadeAtRunTime)), nullptr, nullptr);
        SendMessageW(box, WM_SETFONT, SendMessageW(m_hWnd, WM_GETFONT, 0, 0), FALSE);
        return 0;
    }
};

} // namespace

TEST(DialogBase, PostedNoticeReachesItsHandlerWhichReshapesTheDialog)
{
    WorkbenchDialog dialog;
    DWORD worker = 0;
    RECT okBefore{}, okAfter{}, frameBefore{}, frameAfter{};
    INT_PTR result = RunWith(dialog, [&](ScriptedUser& me) {
        DialogWindow window = me.WaitForDialog("Ulnara");
        okBefore = window.ControlRect(IDOK);
        GetWindowRect(window.Window(), &frameBefore);
        worker = GetCurrentThreadId();
        PostMessageW(window.Window(), WorkbenchDialog::WM_NOTICE, worker, MAKELPARAM(42, 10));
        ASSERT_TRUE(testing_support::WaitUntil([&] { return window.HasControl(WorkbenchDialog::kMadeAtRunTime); }));
        okAfter = window.ControlRect(IDOK);
        GetWindowRect(window.Window(), &frameAfter);
        window.Type(IDC_TEXT, "typed");
        window.Click(IDOK);
        window.WaitUntilClosed();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.notices, (std::vector<std::pair<WPARAM, LPARAM>>{{worker, MAKELPARAM(42, 10)}}));
    EXPECT_EQ(okAfter.top - okBefore.top, 27);
    EXPECT_EQ(okAfter.left, okBefore.left);
    EXPECT_EQ((frameAfter.bottom - frameAfter.top) - (frameBefore.bottom - frameBefore.top), 27);
    EXPECT_EQ(frameAfter.top, frameBefore.top);
    EXPECT_EQ(dialog.text, "typed");
}

TEST(DialogBase, FailingHandlerEndsTheDialogAndTheCallerGetsTheError)
{
    WorkbenchDialog dialog;
    dialog.failOnOk = true;
    HWND seen = nullptr;
    ScriptedUser user([&](ScriptedUser& me) {
        DialogWindow window = me.WaitForDialog("Ulnara");
        seen = window.Window();
        window.Click(IDOK);
        window.WaitUntilClosed();
    });
    try {
        dialog.DoModal();
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "the handler failed");
    }
    user.Finish();
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.destroyed, 1) << "the dialog's clean-up was skipped after the failure";
}

TEST(DialogBase, MissingTemplateDoesNotOpen)
{
    CDialog dialog(4242);
    EXPECT_EQ(dialog.DoModal(), -1);
}
