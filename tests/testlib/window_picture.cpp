#include "window_picture.h"

#include "framework/gdi.h"
#include "framework/image.h"
#include "framework/text.h"

#include <algorithm>
#include <cstdlib>

namespace testing_support {

Picture Picture::Printed(HWND window, bool clientOnly)
{
    RECT area{};
    if (clientOnly)
        GetClientRect(window, &area);
    else
        GetWindowRect(window, &area);
    int width = area.right - area.left, height = area.bottom - area.top;
    Picture picture;
    fw::Canvas canvas(width, height);
    if (!canvas)
        return picture;
    // Magenta, which no dialog paints, so what was left unpainted shows.
    std::fill_n(canvas.bits(), static_cast<std::size_t>(width) * height, 0x00FF00FFu);
    if (!PrintWindow(window, canvas.dc(), clientOnly ? PW_CLIENTONLY : 0))
        return picture;
    return FromBits(canvas.bits(), width, height);
}

Picture Picture::PrintedClient(HWND window, SIZE size)
{
    Picture picture;
    fw::Canvas canvas(size.cx, size.cy);
    if (!canvas)
        return picture;
    std::fill_n(canvas.bits(), static_cast<std::size_t>(size.cx) * size.cy, 0x00FF00FFu);
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT,
                             SMTO_NORMAL, 10000, &ignored))
        return picture;
    return FromBits(canvas.bits(), size.cx, size.cy);
}

Picture Picture::OfScreen(HWND window)
{
    // The window's own DC reads what was drawn into the window (frame included) at once; the screen's DC
    // would read the display, which Wine's x11 driver updates from the window a little later.
    RECT area{};
    GetWindowRect(window, &area);
    HDC windowDC = GetWindowDC(window);
    Picture picture = FromDC(windowDC, area.right - area.left, area.bottom - area.top, 0, 0);
    ReleaseDC(window, windowDC);
    return picture;
}

Picture Picture::FromBits(const std::uint32_t* bits, int width, int height)
{
    GdiFlush();
    Picture picture;
    picture.m_width = width;
    picture.m_height = height;
    picture.m_pixels.assign(bits, bits + static_cast<std::size_t>(width) * height);
    return picture;
}

Picture Picture::FromDC(HDC source, int width, int height, int sourceX, int sourceY)
{
    Picture picture;
    if (source == nullptr)
        return picture;
    fw::Canvas canvas(width, height);
    if (!canvas || !BitBlt(canvas.dc(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY))
        return picture;
    return FromBits(canvas.bits(), width, height);
}

COLORREF Picture::At(int x, int y) const noexcept
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return CLR_INVALID;
    std::uint32_t pixel = m_pixels[static_cast<std::size_t>(y) * m_width + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

int Picture::Count(const RECT& area, COLORREF color, int tolerance) const noexcept
{
    auto similar = [&](COLORREF pixel) {
        return std::abs(GetRValue(pixel) - GetRValue(color)) <= tolerance &&
               std::abs(GetGValue(pixel) - GetGValue(color)) <= tolerance &&
               std::abs(GetBValue(pixel) - GetBValue(color)) <= tolerance;
    };
    int count = 0;
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, m_height); ++y)
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, m_width); ++x)
            count += similar(At(x, y));
    return count;
}

bool Picture::SavePng(const std::string& path) const
{
    return !Empty() && fw::SavePng(m_pixels.data(), m_width, m_height, fw::Widen(path));
}

} // namespace testing_support
