// CDialog: a modal dialog over a dialog template in the add-in's resources, the part of an application
// framework's dialog class that the add-in uses.
//
// - DoModal runs the dialog and answers what EndDialog was given (IDOK, IDCANCEL, ...), or -1 when the template
//   cannot be loaded or the window not made. An exception thrown by a handler ends the dialog at once and is
//   thrown again by DoModal, after the window is gone, so it never crosses the window procedure.
// - OnInitDialog (virtual) shows the members through DoDataExchange; its result says whether the dialog manager
//   should put the focus on the first control (TRUE) or the handler has set it (FALSE).
// - Messages reach handlers through the class's message map (GetMessageMap): a table of commands (a control's
//   notification) and messages, each with a member function. Commands not in the map go to OnOK (IDOK) and
//   OnCancel (IDCANCEL). OnCommand (virtual) sees every WM_COMMAND before the map does.
// - A paint handler also answers WM_PRINTCLIENT (CPaintDC draws into the DC the message brings), so a window
//   can be printed into a bitmap without a screen. When a paint handler leaves part of the window invalid,
//   the default processing paints and validates it.
// - Windows made at run time, posted messages (WM_USER and up) and moving or resizing controls go through the
//   usual window functions on GetSafeHwnd() and GetDlgItem(); the map takes any message number.
#pragma once

#include <windows.h>

#include <exception>
#include <span>
#include <string>

class CDialog;

namespace fw {

// One line of a message map. Commands (message WM_COMMAND) match on notification code and control id;
// other messages on the message number alone.
struct MessageMapEntry {
    UINT message = 0;
    UINT notifyCode = 0;
    UINT id = 0;
    void (CDialog::*action)() = nullptr;                  // commands and messages without parameters
    LRESULT (CDialog::*handler)(WPARAM, LPARAM) = nullptr; // messages that read their parameters
};

namespace map {

// A control's notification (BN_CLICKED by default): ON_BN_CLICKED, ON_CONTROL.
template <class Dialog>
MessageMapEntry Command(UINT id, void (Dialog::*action)(), UINT notifyCode = BN_CLICKED)
{
    return {WM_COMMAND, notifyCode, id, static_cast<void (CDialog::*)()>(action), nullptr};
}

// Any message with its parameters; the result is the message's answer: ON_MESSAGE.
template <class Dialog>
MessageMapEntry Message(UINT message, LRESULT (Dialog::*handler)(WPARAM, LPARAM))
{
    return {message, 0, 0, nullptr, static_cast<LRESULT (CDialog::*)(WPARAM, LPARAM)>(handler)};
}

// WM_PAINT (and WM_PRINTCLIENT): ON_WM_PAINT.
template <class Dialog>
MessageMapEntry Paint(void (Dialog::*action)())
{
    return {WM_PAINT, 0, 0, static_cast<void (CDialog::*)()>(action), nullptr};
}

} // namespace map
} // namespace fw

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate) noexcept
        : m_pDlgWnd(&dialog), m_bSaveAndValidate(saveAndValidate)
    {
    }
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate; // true: controls to members; false: members to controls
};

// Text of a control as narrow text (system code page; characters it cannot hold become '?') or wide text.
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
void DDX_Text(CDataExchange* pDX, int id, std::wstring& value);
// Check state of a button: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
void DDX_Check(CDataExchange* pDX, int id, int& value);

class CDialog {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) noexcept;
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    HWND GetDlgItem(int id) const noexcept;
    UINT GetTemplateId() const noexcept { return m_templateId; }
    HWND GetParentWindow() const noexcept { return m_parent; }
    bool UpdateData(bool saveAndValidate = true);

    // The window text of the dialog or of one control, wide and narrow (system code page).
    void SetWindowText(const std::string& text);
    void SetDlgItemText(int id, const std::string& text);
    void SetDlgItemText(int id, const std::wstring& text);
    std::wstring GetDlgItemTextW(int id) const;

    // The message being handled (for CPaintDC and handlers that need the raw parameters).
    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    const CurrentMessage& GetCurrentMessage() const noexcept { return m_current; }

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();
    // Every WM_COMMAND (wParam: notification code and control id; lParam: the control's window). TRUE when
    // handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Called while the window still exists, before it is destroyed.
    virtual void OnDestroy() {}
    virtual std::span<const fw::MessageMapEntry> GetMessageMap() const { return {}; }

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // The dialog procedure's answer for one message; throws what a handler throws.
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    const fw::MessageMapEntry* FindEntry(UINT message, UINT notifyCode, UINT id) const;

    UINT m_templateId;
    HWND m_parent;
    CurrentMessage m_current;
    std::exception_ptr m_failure;
};

// The device context of one paint cycle of a dialog: BeginPaint/EndPaint for WM_PAINT, or the DC that
// WM_PRINTCLIENT brings (which is not the dialog's to release).
class CPaintDC {
public:
    explicit CPaintDC(CDialog& dialog) noexcept;
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC GetSafeHdc() const noexcept { return m_hDC; }
    operator HDC() const noexcept { return m_hDC; }

private:
    HWND m_window = nullptr;
    HDC m_hDC = nullptr;
    PAINTSTRUCT m_paint{};
    bool m_began = false;
};
