#include "webservice/ChoiceDialog.h"

#include "netfile/PNGLogo.h"
#include "resources/resource.h"
#include "webservice/ProxySettingsDialog.h"

#include <utility>

CChoiceDialog::CChoiceDialog(UINT templateId, HWND parent, std::string note, VelmoraSelectionType initialChoice,
                             std::string proxyURL)
    : CDialog(templateId, parent),
      m_note(std::move(note)),
      m_choice(static_cast<std::uint32_t>(initialChoice)),
      m_proxyURL(std::move(proxyURL))
{
}

std::span<const fw::MessageMapEntry> CChoiceDialog::GetMessageMap() const
{
    static const fw::MessageMapEntry entries[] = {
        fw::map::Paint(&CChoiceDialog::OnPaint),
        fw::map::Command(IDC_PROXY_SETTINGS, &CChoiceDialog::OnProxySettings),
    };
    return entries;
}

BOOL CChoiceDialog::OnInitDialog()
{
    LoadPNGFromResourceId(IDB_LOGO, m_logo);
    CDialog::OnInitDialog();

    // An empty note hides the line rather than showing "Note:" alone.
    if (HWND note = GetDlgItem(IDC_NOTE)) {
        if (m_note.empty())
            ShowWindow(note, SW_HIDE);
        else
            SetDlgItemText(IDC_NOTE, "Note:\t" + m_note);
    }
    if (HWND initial = GetDlgItem(static_cast<int>(m_choice)))
        SendMessageW(initial, BM_SETCHECK, BST_CHECKED, 0);
    else
        m_choice = 1000;

    SetForegroundWindow(m_hWnd);
    return FALSE;
}

BOOL CChoiceDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // A click on an option makes its id the choice; every command then goes on as usual (OK and Cancel end
    // the dialog).
    if (HIWORD(wParam) == BN_CLICKED) {
        HWND control = GetDlgItem(LOWORD(wParam));
        if (control && (GetWindowLongW(control, GWL_STYLE) & 0xFF) == BS_AUTORADIOBUTTON)
            m_choice = LOWORD(wParam);
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CChoiceDialog::OnPaint()
{
    OnPaintPNGLogo(this, IDC_LOGO, &m_logo);
}

void CChoiceDialog::OnProxySettings()
{
    CProxySettingsDialog proxy(m_hWnd, m_proxyURL, &m_logo);
    if (proxy.DoModal() == IDOK)
        m_proxyURL = proxy.GetProxyURL();
}
