// The text dialog: asks for one line of text (template IDD_PROMPT) or shows a text read-only
// (IDD_RESULTS), under a title and a prompt.
#pragma once

#include "framework/dialog.h"

#include <string>

class PromptTextDialog : public CDialog {
public:
    // Title, prompt and text are narrow text (system code page).
    PromptTextDialog(UINT templateId, HWND parent, std::string title, std::string prompt, std::string text);

    // The text as the user left it after OK; the initial text otherwise.
    const std::string& GetText() const noexcept { return m_text; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    std::string m_text;
    std::string m_title;
    std::string m_prompt;
};
