// Owners of the GDI objects the drawing host makes, and a selection into a DC that is undone when it goes.
#pragma once

#include "framework/handle.h"

namespace drawing_host {

using unique_hpen = fw::unique_handle<HPEN, &DeleteObject>;
using unique_hbrush = fw::unique_handle<HBRUSH, &DeleteObject>;
using unique_hdc = fw::unique_handle<HDC, &DeleteDC>;

class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~ScopedSelect() { SelectObject(m_dc, m_previous); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A 32-bit top-down DIB section of the size, selected into a memory DC compatible with the screen.
struct Canvas {
    Canvas(int width, int height);
    unique_hdc dc;
    fw::unique_hbitmap bitmap;
    HGDIOBJ previous = nullptr;
    void* bits = nullptr;   // width * height pixels, 4 bytes each (blue, green, red, unused)
    int width, height;
    ~Canvas() { if (dc) SelectObject(dc.get(), previous); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
};

} // namespace drawing_host
