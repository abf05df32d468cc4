#include "netfile/PNGLogo.h"

#include "framework/com.h"
#include "framework/handle.h"
#include "framework/resources.h"

#include <cstring>

bool LoadPNGFromResourceId(UINT resourceId, CImage& image)
{
    image.Destroy();
    HMODULE module = fw::ResourceModule();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"PNG");
    if (resource == nullptr)
        return false;
    DWORD size = SizeofResource(module, resource);
    const void* bytes = size ? LockResource(LoadResource(module, resource)) : nullptr;
    if (bytes == nullptr)
        return false;
    fw::unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    void* copy = block ? GlobalLock(block.get()) : nullptr;
    if (copy == nullptr)
        return false;
    std::memcpy(copy, bytes, size);
    GlobalUnlock(block.get());
    // The stream does not own the block; the image is decoded completely before both go.
    fw::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(block.get(), FALSE, &stream)))
        return false;
    return SUCCEEDED(image.Load(stream.Get()));
}

void OnPaintPNGLogo(CDialog* dialog, int placeholderId, const CImage* image)
{
    if (dialog == nullptr || image == nullptr || image->IsNull())
        return;
    HWND window = dialog->GetSafeHwnd();
    HWND placeholder = dialog->GetDlgItem(placeholderId);
    if (window == nullptr || IsIconic(window) || placeholder == nullptr)
        return;
    ShowWindow(placeholder, SW_HIDE);
    RECT area{};
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    CPaintDC dc(*dialog);
    image->TransparentBlt(dc, area, RGB(255, 255, 255));
}
