#include "framework/dialog.h"

#include "framework/resources.h"
#include "framework/text.h"

#include <stdexcept>
#include <utility>

namespace {

HWND RequireControl(CDataExchange* pDX, int id)
{
    HWND control = pDX->m_pDlgWnd->GetDlgItem(id);
    if (control == nullptr)
        throw std::logic_error("dialog " + std::to_string(pDX->m_pDlgWnd->GetTemplateId()) + " has no control " +
                               std::to_string(id));
    return control;
}

std::wstring WindowTextW(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Messages whose dialog procedure answer is the result itself rather than TRUE with DWLP_MSGRESULT.
bool AnswersDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

} // namespace

void DDX_Text(CDataExchange* pDX, int id, std::wstring& value)
{
    HWND control = RequireControl(pDX, id);
    if (pDX->m_bSaveAndValidate)
        value = WindowTextW(control);
    else
        SetWindowTextW(control, value.c_str());
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value)
{
    std::wstring wide;
    if (!pDX->m_bSaveAndValidate)
        wide = fw::Widen(value);
    DDX_Text(pDX, id, wide);
    if (pDX->m_bSaveAndValidate)
        value = fw::Narrow(wide);
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    HWND control = RequireControl(pDX, id);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
    else
        SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

CDialog::CDialog(UINT templateId, HWND parent) noexcept : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal()
{
    m_failure = nullptr;
    INT_PTR result = DialogBoxParamW(fw::ResourceModule(), MAKEINTRESOURCEW(m_templateId), m_parent, &DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    return result;
}

void CDialog::EndDialog(INT_PTR result)
{
    ::EndDialog(m_hWnd, result);
}

HWND CDialog::GetDlgItem(int id) const noexcept
{
    return m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr;
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange exchange(*this, saveAndValidate);
    DoDataExchange(&exchange);
    return true;
}

void CDialog::SetWindowText(const std::string& text)
{
    SetWindowTextW(m_hWnd, fw::Widen(text).c_str());
}

void CDialog::SetDlgItemText(int id, const std::string& text)
{
    SetDlgItemText(id, fw::Widen(text));
}

void CDialog::SetDlgItemText(int id, const std::wstring& text)
{
    SetDlgItemTextW(m_hWnd, id, text.c_str());
}

std::wstring CDialog::GetDlgItemTextW(int id) const
{
    HWND control = GetDlgItem(id);
    return control ? WindowTextW(control) : std::wstring();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT notifyCode = HIWORD(wParam);
    UINT id = LOWORD(wParam);
    if (const fw::MessageMapEntry* entry = FindEntry(WM_COMMAND, notifyCode, id)) {
        if (entry->action)
            (this->*entry->action)();
        else
            (this->*entry->handler)(wParam, lParam);
        return TRUE;
    }
    if (notifyCode == BN_CLICKED && id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (notifyCode == BN_CLICKED && id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

const fw::MessageMapEntry* CDialog::FindEntry(UINT message, UINT notifyCode, UINT id) const
{
    for (const fw::MessageMapEntry& entry : GetMessageMap()) {
        if (entry.message != message)
            continue;
        if (message != WM_COMMAND || (entry.notifyCode == notifyCode && entry.id == id))
            return &entry;
    }
    return nullptr;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    struct Restore {
        CurrentMessage& slot;
        CurrentMessage saved;
        ~Restore() { slot = saved; }
    } restore{m_current, std::exchange(m_current, CurrentMessage{message, wParam, lParam})};

    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        break;
    }
    const fw::MessageMapEntry* entry = FindEntry(message == WM_PRINTCLIENT ? WM_PAINT : message, 0, 0);
    if (entry == nullptr)
        return FALSE;
    if (entry->handler) {
        LRESULT result = (this->*entry->handler)(wParam, lParam);
        if (AnswersDirectly(message))
            return static_cast<INT_PTR>(result);
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    (this->*entry->action)();
    // A handler that painted nothing (a minimised window, say) leaves the region to the default painting,
    // which validates it; otherwise WM_PAINT would come again at once.
    if (message == WM_PAINT && GetUpdateRect(m_hWnd, nullptr, FALSE))
        return FALSE;
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<CDialog*>(lParam)->m_hWnd = window;
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) find no dialog yet and get the default processing.
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr)
        return FALSE;
    INT_PTR answer = FALSE;
    // Once a handler has failed the dialog is ending: no more handlers run, except OnDestroy, whose clean-up
    // (shared link resources given back, workers stopped) is owed however the dialog ends. The first failure
    // is the one DoModal reports.
    if (!dialog->m_failure) {
        try {
            answer = dialog->Dispatch(message, wParam, lParam);
        } catch (...) {
            dialog->m_failure = std::current_exception();
            ::EndDialog(window, -1);
            answer = FALSE;
        }
    } else if (message == WM_DESTROY) {
        try {
            dialog->OnDestroy();
        } catch (...) {
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
        // A window destroyed without EndDialog (its owner went away) leaves the modal loop waiting for a
        // message; this one wakes it, it finds its window gone and DoModal returns.
        PostMessageW(nullptr, WM_NULL, 0, 0);
    }
    return answer;
}

CPaintDC::CPaintDC(CDialog& dialog) noexcept : m_window(dialog.GetSafeHwnd())
{
    const CDialog::CurrentMessage& current = dialog.GetCurrentMessage();
    if (current.message == WM_PRINTCLIENT) {
        m_hDC = reinterpret_cast<HDC>(current.wParam);
    } else {
        m_hDC = BeginPaint(m_window, &m_paint);
        m_began = true;
    }
}

CPaintDC::~CPaintDC()
{
    if (m_began)
        EndPaint(m_window, &m_paint);
}
