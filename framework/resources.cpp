#include "framework/resources.h"

#include "framework/text.h"

namespace fw {

HMODULE ResourceModule() noexcept
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ResourceModule), &module);
    return module;
}

std::string LoadResourceString(UINT id)
{
    // A buffer size of 0 asks for a pointer into the resource itself, so no text is cut at a buffer's end.
    const wchar_t* text = nullptr;
    int length = LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr)
        return {};
    return Narrow(std::wstring_view(text, static_cast<std::size_t>(length)));
}

} // namespace fw
