// The proxy settings dialog: edits the address of the chemist's institutional proxy. The address is kept as
// UTF-8 text, URL-escaped (a blank as %20, a non-ASCII letter as its UTF-8 bytes), and shown unescaped.
#pragma once

#include "framework/dialog.h"
#include "framework/image.h"

#include <string>

class CProxySettingsDialog : public CDialog {
public:
    // The logo is borrowed (it belongs to the dialog that opens this one); null leaves the logo area blank.
    CProxySettingsDialog(HWND parent, std::string proxyURL, const CImage* logo);

    // The address after OK; as given when the dialog was cancelled.
    const std::string& GetProxyURL() const noexcept { return m_proxyURL; }

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    std::span<const fw::MessageMapEntry> GetMessageMap() const override;

private:
    void OnPaint();
    void OnOkButtonClick();

    std::string m_proxyURL;
    const CImage* m_pLogo;
    bool m_linkMade = false; // this run converted the instructions link and holds its share of font and cursor
};
