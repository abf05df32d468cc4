// Owners for what a paint or measure step borrows from GDI: a window's device context (GetDC/ReleaseDC) and
// an object selected into a DC, put back when the step ends; and a canvas to draw off screen. Owned GDI
// objects themselves are in handle.h.
#pragma once

#include "framework/handle.h"

#include <windows.h>

#include <cstdint>
#include <optional>

namespace fw {

// The DC of a window's client area, or of the screen for a null window.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : m_window(window), m_hDC(GetDC(window)) {}
    ~WindowDC()
    {
        if (m_hDC)
            ReleaseDC(m_window, m_hDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const noexcept { return m_hDC; }
    operator HDC() const noexcept { return m_hDC; }

private:
    HWND m_window;
    HDC m_hDC;
};

// Selects an object into a DC and selects the previous one back when it goes.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_previous(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A 32-bit top-down DIB section selected into a memory DC for the canvas's lifetime: draw into `dc`, read
// `bits` (width * height pixels, 0x00RRGGBB) after GdiFlush. False when GDI could not make it.
class Canvas {
public:
    Canvas(int width, int height);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    explicit operator bool() const noexcept { return m_bits != nullptr; }
    HDC dc() const noexcept { return m_dc.get(); }
    std::uint32_t* bits() const noexcept { return m_bits; }   // null when the canvas could not be made
    int width() const noexcept { return m_width; }
    int height() const noexcept { return m_height; }

private:
    int m_width, m_height;
    unique_hdc m_dc;
    unique_hbitmap m_bitmap;
    std::uint32_t* m_bits = nullptr;
    std::optional<SelectedObject> m_selected;
};

} // namespace fw
