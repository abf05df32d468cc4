#include "netfile/URLControl.h"

#include "framework/gdi.h"
#include "framework/text.h"
#include "framework/ui_seams.h"

#include <array>
#include <cstring>
#include <string>

namespace {

// The hand cursor's planes, one row of 32 pixels per entry, the highest bit the leftmost pixel. AND 1 and
// XOR 0 leave the screen; AND 0 gives black with XOR 0 and white with XOR 1.
struct CursorRow {
    std::uint32_t andBits;
    std::uint32_t xorBits;
};
constexpr std::array<CursorRow, 32> kHandRows = [] {
    std::array<CursorRow, 32> rows{};
    for (auto& row : rows)
        row = {0xFFFFFFFF, 0x00000000};
    rows[1] = {0xF9FFFFFF, 0x00000000};
    for (int i = 2; i <= 5; ++i)
        rows[i] = {0xF0FFFFFF, 0x06000000};
    rows[6] = {0xF024FFFF, 0x06000000};
    rows[7] = {0xF0007FFF, 0x06DB0000};
    rows[8] = {0xC0007FFF, 0x06DB0000};
    rows[9] = rows[10] = {0x80007FFF, 0x36DB0000};
    rows[11] = {0x80007FFF, 0x37FF0000};
    rows[12] = rows[13] = {0x80007FFF, 0x3FFF0000};
    rows[14] = {0xC0007FFF, 0x1FFF0000};
    rows[15] = {0xE0007FFF, 0x0FFF0000};
    rows[16] = {0xF000FFFF, 0x07FE0000};
    rows[17] = rows[18] = {0xF000FFFF, 0x00000000};
    return rows;
}();

constexpr COLORREF kLinkBlue = RGB(0, 0, 255);       // 0xFF0000
constexpr COLORREF kLinkVisited = RGB(128, 0, 128);  // 0x800080
constexpr int kLinkTextMax = 259;

std::wstring WindowTextW(HWND window)
{
    wchar_t text[kLinkTextMax + 1] = {};
    int length = GetWindowTextW(window, text, kLinkTextMax + 1);
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

void PaintLink(HWND window, const URLCtrl& record, HDC printDC)
{
    PAINTSTRUCT paint{};
    HDC dc = printDC ? printDC : BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    LONG style = GetWindowLongW(window, GWL_STYLE);
    UINT format = DT_SINGLELINE;
    if ((style & SS_TYPEMASK) == SS_CENTER)
        format |= DT_CENTER;
    else if ((style & SS_TYPEMASK) == SS_RIGHT)
        format |= DT_RIGHT;
    if (style & SS_CENTERIMAGE)
        format |= DT_VCENTER;
    // The face is filled first: a text change invalidates without erasing, and the old text must not show
    // through the new one.
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, record.textColor);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    {
        fw::SelectedObject font(dc, URLControlFont().Get());
        int previousMode = SetBkMode(dc, TRANSPARENT);
        std::wstring text = WindowTextW(window);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, format);
        SetBkMode(dc, previousMode);
    }
    if (!printDC)
        EndPaint(window, &paint);
}

void OpenLink(HWND window, const URLCtrl& record)
{
    std::string target = record.url[0] ? std::string(record.url) : fw::Narrow(WindowTextW(window));
    fw::ShellOpen(nullptr, target, "open");
}

} // namespace

HFONT AutoFont::Create()
{
    Dispose();
    LOGFONTW logFont{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    logFont.lfUnderline = TRUE;
    m_handle = CreateFontIndirectW(&logFont);
    return m_handle;
}

void AutoFont::Dispose()
{
    if (m_handle)
        DeleteObject(m_handle);
    m_handle = nullptr;
}

HCURSOR AutoCursor::Create()
{
    Dispose();
    std::array<BYTE, 32 * 4> andPlane{}, xorPlane{};
    for (std::size_t row = 0; row < kHandRows.size(); ++row) {
        for (std::size_t byte = 0; byte < 4; ++byte) {
            andPlane[row * 4 + byte] = static_cast<BYTE>(kHandRows[row].andBits >> (24 - 8 * byte));
            xorPlane[row * 4 + byte] = static_cast<BYTE>(kHandRows[row].xorBits >> (24 - 8 * byte));
        }
    }
    m_handle = CreateCursor(GetModuleHandleW(nullptr), 5, 2, 32, 32, andPlane.data(), xorPlane.data());
    return m_handle;
}

void AutoCursor::Dispose()
{
    if (m_handle)
        DestroyCursor(m_handle);
    m_handle = nullptr;
}

AutoFont& URLControlFont()
{
    static AutoFont font;
    return font;
}

AutoCursor& URLControlCursor()
{
    static AutoCursor cursor;
    return cursor;
}

int StaticToURLControl(HWND control, const char* url, COLORREF color)
{
    URLControlFont().AddRef();
    URLControlCursor().AddRef();
    // The references are taken even without a control, so the caller's one clean-up stays in balance.
    if (!IsWindow(control))
        return 1;

    std::wstring text = WindowTextW(control);
    SIZE extent{};
    {
        fw::WindowDC screen(nullptr);
        fw::SelectedObject font(screen, URLControlFont().Get());
        GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    }
    SetWindowPos(control, nullptr, 0, 0, extent.cx, extent.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);

    // A control converted before keeps its record (and its procedure chain) and only takes the new target.
    bool converted = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC)) == &URLCtrlProc;
    URLCtrl* record = converted ? reinterpret_cast<URLCtrl*>(GetWindowLongPtrW(control, GWLP_USERDATA)) : new URLCtrl{};
    SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);
    record->url[0] = '\0';
    if (url)
        std::strncat(record->url, url, kLinkTextMax);
    record->textColor = color == kDefaultLinkColor ? kLinkBlue : color;
    record->visitedColor = kLinkVisited;
    record->clicking = false;
    if (!converted) {
        record->oldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
        SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&URLCtrlProc));
    }
    return 1;
}

LRESULT CALLBACK URLCtrlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* record = reinterpret_cast<URLCtrl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (record == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    WNDPROC oldProc = record->oldProc;
    try {
        switch (message) {
        case WM_SETCURSOR:
            SetCursor(URLControlCursor().Get());
            return TRUE;
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            PaintLink(window, *record, message == WM_PRINTCLIENT ? reinterpret_cast<HDC>(wParam) : nullptr);
            return 0;
        case WM_SETTEXT:
            InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_LBUTTONDOWN:
            record->clicking = true;
            break;
        case WM_LBUTTONUP:
            // Only a press on this very link opens it: a press on another link and a release here does not.
            if (record->clicking) {
                record->clicking = false;
                record->textColor = record->visitedColor;
                InvalidateRect(window, nullptr, FALSE);
                UpdateWindow(window);
                OpenLink(window, *record);
            }
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            delete record;
            break;
        default:
            break;
        }
    } catch (...) {
        // Nothing may leave a window procedure; a link that cannot be opened stays as it is.
    }
    return CallWindowProcW(oldProc, window, message, wParam, lParam);
}

void CleanupURLControl()
{
    URLControlFont().ReduceRef();
    URLControlCursor().ReduceRef();
}
