#include "window_picture.h"

#include "framework/gdi.h"
#include "framework/handle.h"
#include "framework/image.h"
#include "framework/text.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace testing_support {
namespace {

namespace gp = Gdiplus::DllExports;

// A 32-bit top-down DIB section selected into a memory DC for its lifetime.
struct Canvas {
    fw::unique_hdc dc;
    fw::unique_hbitmap bitmap;
    HGDIOBJ previous = nullptr;
    std::uint32_t* bits = nullptr;

    Canvas(int width, int height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc.reset(CreateCompatibleDC(nullptr));
        void* memory = nullptr;
        bitmap.reset(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &memory, nullptr, 0));
        bits = static_cast<std::uint32_t*>(memory);
        if (dc && bitmap)
            previous = SelectObject(dc.get(), bitmap.get());
    }
    ~Canvas()
    {
        if (previous)
            SelectObject(dc.get(), previous);
    }
    explicit operator bool() const { return bits != nullptr && previous != nullptr; }
};

bool PngEncoder(CLSID& encoder)
{
    UINT count = 0, size = 0;
    if (gp::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<std::uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            encoder = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

} // namespace

Picture Picture::Printed(HWND window, bool clientOnly)
{
    RECT area{};
    if (clientOnly)
        GetClientRect(window, &area);
    else
        GetWindowRect(window, &area);
    int width = area.right - area.left, height = area.bottom - area.top;
    Picture picture;
    if (width <= 0 || height <= 0)
        return picture;
    Canvas canvas(width, height);
    if (!canvas)
        return picture;
    // Magenta, which no dialog paints, so what was left unpainted shows.
    std::fill_n(canvas.bits, static_cast<std::size_t>(width) * height, 0x00FF00FFu);
    if (!PrintWindow(window, canvas.dc.get(), clientOnly ? PW_CLIENTONLY : 0))
        return picture;
    return FromBits(canvas.bits, width, height);
}

Picture Picture::PrintedClient(HWND window, SIZE size)
{
    Picture picture;
    Canvas canvas(size.cx, size.cy);
    if (!canvas)
        return picture;
    std::fill_n(canvas.bits, static_cast<std::size_t>(size.cx) * size.cy, 0x00FF00FFu);
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc.get()), PRF_CLIENT,
                             SMTO_NORMAL, 10000, &ignored))
        return picture;
    return FromBits(canvas.bits, size.cx, size.cy);
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
    if (source == nullptr || width <= 0 || height <= 0)
        return picture;
    Canvas canvas(width, height);
    if (!canvas || !BitBlt(canvas.dc.get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY))
        return picture;
    return FromBits(canvas.bits, width, height);
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
    CLSID encoder{};
    if (Empty() || !fw::StartGdiplus() || !PngEncoder(encoder))
        return false;
    std::vector<std::uint32_t> pixels = m_pixels;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(m_width, m_height, m_width * 4, PixelFormat32bppRGB,
                                      reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
        return false;
    bool saved = gp::GdipSaveImageToFile(bitmap, fw::Widen(path).c_str(), &encoder, nullptr) == Gdiplus::Ok;
    gp::GdipDisposeImage(bitmap);
    return saved;
}

} // namespace testing_support
