#include "webservice/PromptTextDialog.h"

#include "resources/resource.h"

#include <utility>

PromptTextDialog::PromptTextDialog(UINT templateId, HWND parent, std::string title, std::string prompt,
                                   std::string text)
    : CDialog(templateId, parent), m_text(std::move(text)), m_title(std::move(title)), m_prompt(std::move(prompt))
{
}

void PromptTextDialog::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_TEXT, m_text);
}

BOOL PromptTextDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_title);
    SetDlgItemText(IDC_PROMPT, m_prompt);
    SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDC_TEXT)), TRUE);
    SetForegroundWindow(m_hWnd);
    return FALSE;
}
