#include "framework/gdi.h"

fw::Canvas::Canvas(int width, int height) : m_width(width), m_height(height)
{
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_dc.reset(CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    m_bitmap.reset(CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!m_dc || !m_bitmap)
        return;
    m_selected.emplace(m_dc.get(), m_bitmap.get());
    if (GetCurrentObject(m_dc.get(), OBJ_BITMAP) == m_bitmap.get())
        m_bits = static_cast<std::uint32_t*>(bits);
}
