#include "webservice/ProxySettingsDialog.h"

#include "framework/resources.h"
#include "framework/text.h"
#include "framework/url_unescape.h"
#include "mx/utf8string.h"
#include "netfile/PNGLogo.h"
#include "netfile/URLControl.h"
#include "resources/resource.h"

#include <shlwapi.h>

#include <stdexcept>

namespace {

// The address buffers hold 2084 characters, the terminator included.
constexpr std::size_t kProxyBuffer = 2084;

std::wstring ToWide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

// The stored address as it is shown: UTF-8 text unescaped. A value that is not UTF-8 (written by hand in the
// system code page) is read in the code page rather than refused, so the chemist can still see and mend it.
std::wstring AddressForDisplay(const std::string& stored)
{
    std::u16string text;
    try {
        text = UTF8String(stored).GetUTF16String();
    } catch (const std::runtime_error&) {
        std::wstring wide = fw::Widen(stored);
        text.assign(wide.begin(), wide.end());
    }
    return ToWide(fw::CutAtCodePoint(fw::UrlUnescapeAsUtf8(text), kProxyBuffer - 1));
}

// What the edit holds, escaped for storage: non-ASCII characters as their UTF-8 bytes, blanks and the other
// characters URLs may not carry as %XX. A result longer than the buffer is cut before a whole escape or
// character, never inside one.
std::string AddressForStorage(std::wstring typed)
{
    if (typed.empty())
        return {};
    // One UTF-16 unit becomes at most three UTF-8 bytes of three characters each.
    std::wstring escaped(typed.size() * 9 + 1, L'\0');
    DWORD length = static_cast<DWORD>(escaped.size());
    if (FAILED(UrlEscapeW(typed.c_str(), escaped.data(), &length, URL_ESCAPE_AS_UTF8)))
        throw std::runtime_error("The proxy address cannot be escaped.");
    escaped.resize(length);
    // Control characters (a pasted line break, say) would end a header that carries the address.
    std::u16string safe;
    for (wchar_t c : escaped) {
        if (c < 0x20 || c == 0x7F) {
            static constexpr char16_t digits[] = u"0123456789ABCDEF";
            safe += {u'%', digits[c >> 4], digits[c & 0xF]};
        } else {
            safe.push_back(static_cast<char16_t>(c));
        }
    }
    std::u16string_view kept = fw::CutEscapedAtBoundary(safe, kProxyBuffer - 1);
    return fw::ToUtf8(ToWide(kept));
}

} // namespace

CProxySettingsDialog::CProxySettingsDialog(HWND parent, std::string proxyURL, const CImage* logo)
    : CDialog(IDD_PROXY_SETTINGS, parent), m_proxyURL(std::move(proxyURL)), m_pLogo(logo)
{
}

std::span<const fw::MessageMapEntry> CProxySettingsDialog::GetMessageMap() const
{
    static const fw::MessageMapEntry entries[] = {
        fw::map::Paint(&CProxySettingsDialog::OnPaint),
        fw::map::Command(IDOK, &CProxySettingsDialog::OnOkButtonClick),
    };
    return entries;
}

BOOL CProxySettingsDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (HWND link = GetDlgItem(IDC_PROXY_HELP)) {
        StaticToURLControl(link, fw::LoadResourceString(IDS_PROXY_INSTRUCTIONS).c_str(), kDefaultLinkColor);
        m_linkMade = true;
    }
    SetForegroundWindow(m_hWnd);
    HWND edit = GetDlgItem(IDC_PROXY_URL);
    // What the edit takes is what the buffers hold; the user sees the limit instead of losing the end later.
    SendMessageW(edit, EM_SETLIMITTEXT, kProxyBuffer - 1, 0);
    SetFocus(edit);
    SetDlgItemText(IDC_PROXY_URL, AddressForDisplay(m_proxyURL));
    return FALSE;
}

void CProxySettingsDialog::OnDestroy()
{
    if (m_linkMade)
        CleanupURLControl();
    m_linkMade = false;
}

void CProxySettingsDialog::OnPaint()
{
    OnPaintPNGLogo(this, IDC_LOGO, m_pLogo);
}

void CProxySettingsDialog::OnOkButtonClick()
{
    // At most what the buffer holds, cut before a character rather than inside one.
    std::wstring typed = GetDlgItemTextW(IDC_PROXY_URL);
    std::u16string text(typed.begin(), typed.end());
    m_proxyURL = AddressForStorage(ToWide(fw::CutAtCodePoint(text, kProxyBuffer - 1)));
    EndDialog(IDOK);
}
