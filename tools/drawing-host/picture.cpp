#include "picture.h"

#include "framework/text.h"
#include "gdi.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace drawing_host {

Canvas::Canvas(int width, int height) : width(width), height(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc.reset(CreateCompatibleDC(nullptr));
    bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap)
        throw std::runtime_error("cannot make a picture of " + std::to_string(width) + " x " + std::to_string(height)
                                 + " pixels");
    previous = SelectObject(dc.get(), bitmap.get());
}

GdiplusSession::GdiplusSession()
{
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok)
        m_token = 0;
}

GdiplusSession::~GdiplusSession()
{
    if (m_token != 0)
        Gdiplus::GdiplusShutdown(m_token);
}

namespace {

bool PngEncoder(CLSID& encoder)
{
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok)
        return false;
    for (UINT index = 0; index < count; ++index)
        if (std::wstring_view(codecs[index].MimeType) == L"image/png") {
            encoder = codecs[index].Clsid;
            return true;
        }
    return false;
}

bool Save(const Canvas& canvas, const std::string& path, std::string* error)
{
    CLSID encoder{};
    if (!PngEncoder(encoder)) {
        *error = "no PNG encoder (is GDI+ available?)";
        return false;
    }
    GdiFlush();
    Gdiplus::Bitmap picture(canvas.width, canvas.height, canvas.width * 4, PixelFormat32bppRGB,
                            static_cast<BYTE*>(canvas.bits));
    if (picture.GetLastStatus() != Gdiplus::Ok
        || picture.Save(fw::Widen(path).c_str(), &encoder, nullptr) != Gdiplus::Ok) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace

bool CaptureWindow(HWND window, const std::string& path, std::string* error)
{
    RECT area{};
    GetWindowRect(window, &area);
    Canvas canvas(std::max(1L, area.right - area.left), std::max(1L, area.bottom - area.top));
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.dc.get(), 0, 0, canvas.width, canvas.height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    // A window on a screen has a frame and a background; all black means there is no screen to read.
    const auto* pixels = static_cast<const std::uint32_t*>(canvas.bits);
    if (std::all_of(pixels, pixels + std::size_t(canvas.width) * std::size_t(canvas.height),
                    [](std::uint32_t pixel) { return (pixel & 0xFFFFFF) == 0; })) {
        *error = "the screen shows nothing (no display, as with Wine's null driver): take a client picture, or run "
                 "on a display (Xvfb)";
        return false;
    }
    return Save(canvas, path, error);
}

bool CaptureClient(HWND window, const std::string& path, std::string* error)
{
    RECT area{};
    GetClientRect(window, &area);
    Canvas canvas(std::max(1L, area.right), std::max(1L, area.bottom));
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc.get()), PRF_CLIENT | PRF_ERASEBKGND);
    return Save(canvas, path, error);
}

} // namespace drawing_host
