// Owners for what a paint or measure step borrows from GDI: a window's device context (GetDC/ReleaseDC) and
// an object selected into a DC, put back when the step ends. Owned GDI objects themselves are in handle.h.
#pragma once

#include <windows.h>

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

} // namespace fw
