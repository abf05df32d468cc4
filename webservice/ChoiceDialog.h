// The search choice dialog: the chemist confirms or changes the kind of search the selection suggests and can
// open the proxy settings. Template IDD_CHOICE_STRUCTURE offers four options (substructure or exact
// substance search, reaction search with the selection as products or as reactants) and shows the selection
// check's warning as a note; IDD_CHOICE_REACTION only asks whether to search for the reaction.
#pragma once

#include "framework/dialog.h"
#include "framework/image.h"
#include "webservice/Selection.h"

#include <cstdint>
#include <string>

class CChoiceDialog : public CDialog {
public:
    // The initial choice is checked when the template has an option with that id; otherwise the choice is
    // 1000. The proxy address is URL-escaped UTF-8 text, as stored in the preferences.
    CChoiceDialog(UINT templateId, HWND parent, std::string note, VelmoraSelectionType initialChoice,
                  std::string proxyURL);

    // The chosen option's control id minus 1000: 0 (reaction) to 4 (reactants).
    int GetUserChoice() const noexcept { return static_cast<int>(m_choice) - 1000; }
    // The proxy address, as changed in the proxy settings (only when they ended with OK).
    const std::string& GetProxyURL() const noexcept { return m_proxyURL; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    std::span<const fw::MessageMapEntry> GetMessageMap() const override;

private:
    void OnPaint();
    void OnProxySettings();

    std::string m_note;
    std::uint32_t m_choice;
    std::string m_proxyURL;
    CImage m_logo;
};
