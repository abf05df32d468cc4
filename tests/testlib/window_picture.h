// Pictures of windows for tests and for people to look at: a 32-bit top-down bitmap of what a window shows,
// read pixel by pixel or written as PNG.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class Picture {
public:
    // What the window paints into a bitmap when asked to print itself (WM_PRINT, WM_PRINTCLIENT): needs no
    // display, so it works with Wine's null driver. Frame and caption only when the window draws them itself.
    static Picture Printed(HWND window, bool clientOnly = true);
    // What the window paints for WM_PRINTCLIENT into a bitmap of the given size, first filled with magenta
    // (which no dialog paints), so what stays magenta was not painted.
    static Picture PrintedClient(HWND window, SIZE size);
    // The window with its frame as it is on the screen. Needs a driver that draws (Xvfb, Wine's x11 driver).
    static Picture OfScreen(HWND window);

    bool Empty() const noexcept { return m_pixels.empty(); }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    COLORREF At(int x, int y) const noexcept;   // CLR_INVALID outside
    // Pixels within the rectangle (clipped to the picture) whose red, green and blue each differ from the
    // colour's by at most the tolerance.
    int Count(const RECT& area, COLORREF color, int tolerance = 0) const noexcept;
    bool SavePng(const std::string& path) const;

private:
    static Picture FromDC(HDC source, int width, int height, int sourceX, int sourceY);
    // The picture of what was drawn into a canvas's bits (drawing flushed first).
    static Picture FromBits(const std::uint32_t* bits, int width, int height);

    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels; // 0x00RRGGBB, rows top to bottom
};

} // namespace testing_support
