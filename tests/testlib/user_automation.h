// A user in a script, for tests and the demo: it works the add-in's dialogs from a thread of its own, the way an
// automation tool would. It finds a dialog window of this process by its caption when the dialog is shown, and
// acts only through window messages: button and radio button clicks, mouse clicks on a control, typed text,
// Enter, Escape and the close box. It reads back what the dialog shows from its controls.
//
//     testing_support::BasicScriptedUser user([](testing_support::BasicScriptedUser& me) {
//         auto dialog = me.WaitForDialog("Search SciFinder");
//         dialog.Click(IDC_EXACT);
//         dialog.Click(IDOK);
//         dialog.WaitUntilClosed();
//     });
//     INT_PTR result = choice.DoModal();   // on this thread; the script runs beside it
//     bool scriptWentWell = user.Finish(); // joins the script
//
// Every wait is bounded. A script that fails (a dialog that does not appear, a control that is missing, a
// ScriptFailure it throws, or what the failure probe reports) closes every dialog of the process it can find,
// so the code it works returns instead of hanging. Text is UTF-8 in and out. No test framework is needed here;
// tests use ScriptedUser (scripted_user.h), which reports to GoogleTest.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace testing_support {

struct ScriptFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr std::chrono::milliseconds kUserPatience{10000};

// A shown dialog, seen from outside through its window.
class DialogWindow {
public:
    DialogWindow() = default;
    explicit DialogWindow(HWND window) noexcept : m_window(window) {}
    HWND Window() const noexcept { return m_window; }

    // What it shows.
    std::string Caption() const;
    bool HasControl(int id) const;
    std::string Text(int id) const;          // a control's window text
    bool IsChecked(int id) const;            // BM_GETCHECK is BST_CHECKED
    bool IsVisible(int id) const;
    bool IsEnabled(int id) const;
    RECT ControlRect(int id) const;          // in the dialog's client coordinates
    int FocusedControl() const;              // id of the control with the keyboard focus; 0 when none of its own
    bool IsOpen() const;                     // the window still exists

    // What the user does. Clicks and typing are handled by the dialog's thread before the call returns, or
    // that thread has entered another modal loop (a dialog opened by the click); keys and the close box are
    // queued input, so wait for their effect (WaitUntilClosed, WaitForDialog).
    void Click(int id) const;                     // a button, radio button or check box (BM_CLICK)
    void MouseClick(int id) const;                // left button down and up at the control's centre
    void MousePress(int id) const;                // left button down only
    void MouseRelease(int id) const;              // left button up only
    void Type(int id, const std::string& text) const; // focus the control, select all, type character by character
    void SetText(int id, const std::string& text) const; // replace the whole text at once (a paste)
    void PressEnter() const;
    void PressEscape() const;
    void CloseBox() const;
    void WaitUntilClosed(std::chrono::milliseconds patience = kUserPatience) const;

    // The whole window as it is on the screen (frame included) as a PNG file; needs a display driver that
    // draws (Xvfb with Wine's x11 driver). Throws ScriptFailure when the picture cannot be taken or written.
    void SavePicture(const std::string& pngPath) const;

private:
    HWND Control(int id) const;
    HWND m_window = nullptr;
};

class BasicScriptedUser {
public:
    using Script = std::function<void(BasicScriptedUser&)>;
    // Starts the script on a thread of its own at once. The probe, when given, is asked after the script has
    // returned whether it failed without throwing (a failed assertion that returned early).
    explicit BasicScriptedUser(Script script, std::function<bool()> failedQuietly = {});
    // Finishes (joins) if Finish was not called.
    ~BasicScriptedUser();
    BasicScriptedUser(const BasicScriptedUser&) = delete;
    BasicScriptedUser& operator=(const BasicScriptedUser&) = delete;

    // For the script: the visible, enabled dialog of this process with this caption, once it has appeared.
    DialogWindow WaitForDialog(const std::string& caption, std::chrono::milliseconds patience = kUserPatience);

    // Waits (bounded) for the script to end. False when it failed; FailureText says why (empty when it only
    // failed quietly).
    bool Finish(std::chrono::milliseconds patience = std::chrono::seconds(60));
    const std::string& FailureText() const noexcept { return m_failure; }

private:
    void Run(const Script& script);

    std::function<bool()> m_failedQuietly;
    std::thread m_thread;
    HANDLE m_done = nullptr;
    std::string m_failure;
    bool m_failed = false;
    bool m_finished = false;
};

// Waits until the condition holds, looking again every few milliseconds; false when the patience ends first.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience = kUserPatience);

// Closes every dialog of this process (the close box of each, newest first) until none is left or the
// patience ends; what a failed script does. True when none is left.
bool CloseAllDialogs(std::chrono::milliseconds patience = kUserPatience);

} // namespace testing_support
