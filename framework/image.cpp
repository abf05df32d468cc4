#include "framework/image.h"

#include <gdiplus.h>

#include <cstring>
#include <cwchar>

bool fw::StartGdiplus()
{
    static const bool started = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

namespace {

namespace gp = Gdiplus::DllExports;

template <typename Object, Gdiplus::GpStatus (*Free)(Object*)>
struct GdiplusOwner {
    Object* object = nullptr;
    GdiplusOwner() = default;
    GdiplusOwner(const GdiplusOwner&) = delete;
    GdiplusOwner& operator=(const GdiplusOwner&) = delete;
    ~GdiplusOwner()
    {
        if (object)
            Free(object);
    }
};

Gdiplus::GpStatus DisposeBitmap(Gdiplus::GpBitmap* bitmap)
{
    return gp::GdipDisposeImage(bitmap);
}

using BitmapOwner = GdiplusOwner<Gdiplus::GpBitmap, &DisposeBitmap>;
using GraphicsOwner = GdiplusOwner<Gdiplus::GpGraphics, &gp::GdipDeleteGraphics>;
using AttributesOwner = GdiplusOwner<Gdiplus::GpImageAttributes, &gp::GdipDisposeImageAttributes>;

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

bool fw::SavePng(const std::uint32_t* pixels, int width, int height, const std::wstring& path)
{
    CLSID encoder{};
    if (pixels == nullptr || width <= 0 || height <= 0 || !StartGdiplus() || !PngEncoder(encoder))
        return false;
    // GDI+ only reads the pixels while saving; the bitmap over them lives for this call.
    BitmapOwner bitmap;
    if (gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB,
                                      reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels)),
                                      &bitmap.object) != Gdiplus::Ok)
        return false;
    return gp::GdipSaveImageToFile(bitmap.object, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
}

HRESULT CImage::Load(IStream* stream)
{
    Destroy();
    if (stream == nullptr || !fw::StartGdiplus())
        return E_FAIL;
    BitmapOwner bitmap;
    if (gp::GdipCreateBitmapFromStream(stream, &bitmap.object) != Gdiplus::Ok)
        return E_FAIL;
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(bitmap.object, &width);
    gp::GdipGetImageHeight(bitmap.object, &height);
    if (width == 0 || height == 0 || width > 0x4000 || height > 0x4000)
        return E_FAIL;
    Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap.object, &whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok)
        return E_FAIL;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (UINT row = 0; row < height; ++row) {
        const auto* source = static_cast<const std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(row) * data.Stride;
        std::memcpy(&pixels[static_cast<std::size_t>(row) * width], source, width * sizeof(std::uint32_t));
    }
    gp::GdipBitmapUnlockBits(bitmap.object, &data);
    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
    m_pixels = std::move(pixels);
    return S_OK;
}

void CImage::Destroy() noexcept
{
    m_pixels.clear();
    m_width = m_height = 0;
}

std::uint32_t CImage::GetPixelARGB(int x, int y) const noexcept
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return m_pixels[static_cast<std::size_t>(y) * m_width + x];
}

bool CImage::TransparentBlt(HDC dc, const RECT& destination, COLORREF transparent) const
{
    if (IsNull() || dc == nullptr || !fw::StartGdiplus())
        return false;
    // GDI+ only reads the pixels while drawing; the bitmap over them lives for this call.
    BitmapOwner bitmap;
    if (gp::GdipCreateBitmapFromScan0(m_width, m_height, m_width * 4, PixelFormat32bppARGB,
                                      reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(m_pixels.data())),
                                      &bitmap.object) != Gdiplus::Ok)
        return false;
    GraphicsOwner graphics;
    AttributesOwner attributes;
    if (gp::GdipCreateFromHDC(dc, &graphics.object) != Gdiplus::Ok ||
        gp::GdipCreateImageAttributes(&attributes.object) != Gdiplus::Ok)
        return false;
    Gdiplus::ARGB key = 0xFF000000u | (static_cast<Gdiplus::ARGB>(GetRValue(transparent)) << 16) |
                        (static_cast<Gdiplus::ARGB>(GetGValue(transparent)) << 8) | GetBValue(transparent);
    gp::GdipSetImageAttributesColorKeys(attributes.object, Gdiplus::ColorAdjustTypeDefault, TRUE, key, key);
    gp::GdipSetInterpolationMode(graphics.object, Gdiplus::InterpolationModeHighQualityBicubic);
    gp::GdipSetPixelOffsetMode(graphics.object, Gdiplus::PixelOffsetModeHalf);
    return gp::GdipDrawImageRectRectI(graphics.object, bitmap.object, destination.left, destination.top,
                                      destination.right - destination.left, destination.bottom - destination.top, 0,
                                      0, m_width, m_height, Gdiplus::UnitPixel, attributes.object, nullptr,
                                      nullptr) == Gdiplus::Ok;
}
