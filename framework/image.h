// CImage: a decoded picture (PNG, BMP, ... whatever GDI+ reads) kept as 32-bit ARGB pixels, drawn stretched
// into a device context. The part of an image class the add-in uses for its logo.
//
// GDI+ is started on first use and left running until the process ends: it must not be shut down from a
// library's unload, and a host may load and unload the add-in several times.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fw {
// Starts GDI+ for the process on the first call; false when it cannot be started.
bool StartGdiplus();
// Writes 32-bit pixels (0x00RRGGBB, rows top to bottom) as a PNG file; false when GDI+ cannot.
bool SavePng(const std::uint32_t* pixels, int width, int height, const std::wstring& path);
} // namespace fw

class CImage {
public:
    CImage() noexcept = default;

    // Decodes the whole picture from the stream at once, so the stream may go right after. S_OK, or E_FAIL
    // when it is not a picture GDI+ reads; the image is then null.
    HRESULT Load(IStream* stream);
    void Destroy() noexcept;
    bool IsNull() const noexcept { return m_pixels.empty(); }
    int GetWidth() const noexcept { return m_width; }
    int GetHeight() const noexcept { return m_height; }
    // Pixel (x, y) as 0xAARRGGBB; 0 outside the picture.
    std::uint32_t GetPixelARGB(int x, int y) const noexcept;

    // Draws the picture stretched into the rectangle. Pixels of the transparent colour (COLORREF, 0x00BBGGRR)
    // and the picture's own transparent parts leave the destination as it was.
    bool TransparentBlt(HDC dc, const RECT& destination, COLORREF transparent) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels; // rows top to bottom, 0xAARRGGBB
};
