#include "picture.h"

#include "framework/gdi.h"
#include "framework/image.h"
#include "framework/text.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace drawing_host {
namespace {

bool Save(const fw::Canvas& canvas, const std::string& path, std::string* error)
{
    GdiFlush();
    if (!fw::SavePng(canvas.bits(), canvas.width(), canvas.height(), fw::Widen(path))) {
        *error = "cannot write " + path + " as PNG (is GDI+ available?)";
        return false;
    }
    return true;
}

bool Made(const fw::Canvas& canvas, std::string* error)
{
    if (!canvas)
        *error = "cannot make a picture of " + std::to_string(canvas.width()) + " x " + std::to_string(canvas.height())
                 + " pixels";
    return static_cast<bool>(canvas);
}

} // namespace

bool CaptureWindow(HWND window, const std::string& path, std::string* error)
{
    RECT area{};
    GetWindowRect(window, &area);
    fw::Canvas canvas(std::max(1L, area.right - area.left), std::max(1L, area.bottom - area.top));
    if (!Made(canvas, error))
        return false;
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    // A window on a screen has a frame and a background; all black means there is no screen to read.
    const std::uint32_t* pixels = canvas.bits();
    if (std::all_of(pixels, pixels + std::size_t(canvas.width()) * std::size_t(canvas.height()),
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
    fw::Canvas canvas(std::max(1L, area.right), std::max(1L, area.bottom));
    if (!Made(canvas, error))
        return false;
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    return Save(canvas, path, error);
}

} // namespace drawing_host
