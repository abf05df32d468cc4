#include "user_automation.h"

#include "framework/text.h"
#include "window_picture.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting user looks again. Dialogs appear and close on the other thread's schedule; the user polls
// like an automation tool, and every wait has a deadline.
constexpr std::chrono::milliseconds kLookAgain{5};

std::wstring Wide(const std::string& utf8)
{
    return fw::FromUtf8(utf8);
}

std::string Hex(UINT value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// A message handled by the window's thread before this returns (or that thread has entered a modal loop of its
// own that handles sent messages). Bounded: a thread that does not answer is a failure.
LRESULT SendBounded(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL,
                             static_cast<UINT>(kUserPatience.count()), &result))
        throw ScriptFailure("the dialog's thread did not answer message " + Hex(message));
    return static_cast<LRESULT>(result);
}

// Queues a message as sent (handled before posted input, in the order sent) without waiting for it: a click
// that opens another modal dialog must not hold the user up.
void SendAsync(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    if (!SendNotifyMessageW(window, message, wParam, lParam))
        throw ScriptFailure("message " + Hex(message) + " could not be sent");
}

// Returns once the window's thread has handled what was sent to it before. A window that this handling
// destroyed (a click on OK ends the dialog) has answered too.
void Sync(HWND window)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(kUserPatience.count()), &result) &&
        IsWindow(window))
        throw ScriptFailure("the dialog's thread did not answer message " + Hex(WM_NULL));
}

std::wstring ClassName(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The window text without a message (the window's thread may be busy).
std::wstring StoredText(HWND window)
{
    wchar_t text[512] = {};
    InternalGetWindowText(window, text, 512);
    return text;
}

// Visible dialog windows of this process, topmost first.
std::vector<HWND> ProcessDialogs()
{
    std::vector<HWND> found;
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window) && ClassName(window) == L"#32770")
                reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

template <typename Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds patience)
{
    auto deadline = Clock::now() + patience;
    for (;;) {
        if (done())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kLookAgain);
    }
}

LPARAM ClientCentre(HWND control)
{
    RECT client{};
    GetClientRect(control, &client);
    return MAKELPARAM((client.right - client.left) / 2, (client.bottom - client.top) / 2);
}

// Posts a key press and release as the keyboard would, to the window with the focus in the dialog's thread.
void PostKey(HWND dialog, UINT virtualKey, UINT scanCode)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus &&
        (info.hwndFocus == dialog || IsChild(dialog, info.hwndFocus)))
        target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scanCode << 16)));
    PostMessageW(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scanCode << 16) | (3u << 30)));
}

} // namespace

HWND DialogWindow::Control(int id) const
{
    HWND control = GetDlgItem(m_window, id);
    if (control == nullptr)
        throw ScriptFailure("dialog \"" + Caption() + "\" has no control " + std::to_string(id));
    return control;
}

std::string DialogWindow::Caption() const
{
    return fw::ToUtf8(StoredText(m_window));
}

bool DialogWindow::HasControl(int id) const
{
    return GetDlgItem(m_window, id) != nullptr;
}

std::string DialogWindow::Text(int id) const
{
    HWND control = Control(id);
    auto length = static_cast<std::size_t>(SendBounded(control, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendBounded(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return fw::ToUtf8(text);
}

bool DialogWindow::IsChecked(int id) const
{
    return SendBounded(Control(id), BM_GETCHECK) == BST_CHECKED;
}

bool DialogWindow::IsVisible(int id) const
{
    return IsWindowVisible(Control(id)) != FALSE;
}

bool DialogWindow::IsEnabled(int id) const
{
    return IsWindowEnabled(Control(id)) != FALSE;
}

RECT DialogWindow::ControlRect(int id) const
{
    RECT rect{};
    GetWindowRect(Control(id), &rect);
    MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int DialogWindow::FocusedControl() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(m_window, nullptr), &info) || info.hwndFocus == nullptr ||
        !IsChild(m_window, info.hwndFocus))
        return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

bool DialogWindow::IsOpen() const
{
    return IsWindow(m_window) != FALSE;
}

void DialogWindow::Click(int id) const
{
    HWND control = Control(id);
    SendAsync(control, BM_CLICK);
    Sync(control);
}

void DialogWindow::MousePress(int id) const
{
    HWND control = Control(id);
    SendAsync(control, WM_LBUTTONDOWN, MK_LBUTTON, ClientCentre(control));
    Sync(control);
}

void DialogWindow::MouseRelease(int id) const
{
    HWND control = Control(id);
    SendAsync(control, WM_LBUTTONUP, 0, ClientCentre(control));
    Sync(control);
}

void DialogWindow::MouseClick(int id) const
{
    MousePress(id);
    MouseRelease(id);
}

void DialogWindow::Type(int id, const std::string& text) const
{
    HWND control = Control(id);
    SendAsync(m_window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendAsync(control, EM_SETSEL, 0, -1);
    // Synced every few characters: the patience bounds how long the thread takes to answer, not how long a
    // long text takes to type.
    std::size_t sent = 0;
    for (wchar_t character : Wide(text)) {
        SendAsync(control, WM_CHAR, character, 1);
        if (++sent % 64 == 0)
            Sync(control);
    }
    Sync(control);
}

void DialogWindow::SetText(int id, const std::string& text) const
{
    std::wstring wide = Wide(text);
    SendBounded(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void DialogWindow::PressEnter() const
{
    PostKey(m_window, VK_RETURN, 0x1C);
}

void DialogWindow::PressEscape() const
{
    PostKey(m_window, VK_ESCAPE, 0x01);
}

void DialogWindow::CloseBox() const
{
    PostMessageW(m_window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWindow::WaitUntilClosed(std::chrono::milliseconds patience) const
{
    if (!WaitFor([&] { return !IsOpen(); }, patience))
        throw ScriptFailure("dialog \"" + Caption() + "\" did not close");
}

void DialogWindow::SavePicture(const std::string& pngPath) const
{
    // Everything the dialog has to paint is painted before the picture is taken.
    RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sync(m_window);
    Picture picture = Picture::OfScreen(m_window);
    if (picture.Empty())
        throw ScriptFailure("no picture of dialog \"" + Caption() + "\" could be taken");
    if (!picture.SavePng(pngPath))
        throw ScriptFailure("the picture could not be written to " + pngPath);
}

BasicScriptedUser::BasicScriptedUser(Script script, std::function<bool()> failedQuietly)
    : m_failedQuietly(std::move(failedQuietly)), m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    m_thread = std::thread([this, script = std::move(script)] { Run(script); });
}

BasicScriptedUser::~BasicScriptedUser()
{
    if (!m_finished)
        Finish();
    CloseHandle(m_done);
}

void BasicScriptedUser::Run(const Script& script)
{
    try {
        script(*this);
    } catch (const std::exception& failure) {
        m_failure = failure.what();
        m_failed = true;
    } catch (...) {
        m_failure = "the script failed";
        m_failed = true;
    }
    if (!m_failed && m_failedQuietly && m_failedQuietly())
        m_failed = true;
    if (m_failed)
        CloseAllDialogs();
    SetEvent(m_done);
}

DialogWindow BasicScriptedUser::WaitForDialog(const std::string& caption, std::chrono::milliseconds patience)
{
    std::wstring wanted = Wide(caption);
    HWND found = nullptr;
    bool appeared = WaitFor(
        [&] {
            for (HWND window : ProcessDialogs()) {
                if (IsWindowEnabled(window) && StoredText(window) == wanted) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        patience);
    if (!appeared)
        throw ScriptFailure("no dialog \"" + caption + "\" appeared");
    // Shown means initialised; what the dialog's thread still has queued for it is handled first.
    Sync(found);
    return DialogWindow(found);
}

bool BasicScriptedUser::Finish(std::chrono::milliseconds patience)
{
    if (m_finished)
        return !m_failed;
    if (WaitForSingleObject(m_done, static_cast<DWORD>(patience.count())) != WAIT_OBJECT_0) {
        // Every wait of a script is bounded, so only a script stuck in code of its own gets here.
        std::fprintf(stderr, "scripted user: the script did not end in time\n");
        CloseAllDialogs();
        if (WaitForSingleObject(m_done, static_cast<DWORD>(patience.count())) != WAIT_OBJECT_0) {
            // Joining would hang the test program and leaving would let the thread outlive its object.
            std::fprintf(stderr, "scripted user: the script is stuck; stopping the test program\n");
            std::abort();
        }
    }
    m_thread.join();
    m_finished = true;
    return !m_failed;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience)
{
    return WaitFor(condition, patience);
}

bool CloseAllDialogs(std::chrono::milliseconds patience)
{
    return WaitFor(
        [] {
            std::vector<HWND> open = ProcessDialogs();
            for (HWND window : open) {
                // The enabled one is the innermost modal dialog; the ones below it follow once it is gone.
                if (IsWindowEnabled(window))
                    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return open.empty();
        },
        patience);
}

} // namespace testing_support
