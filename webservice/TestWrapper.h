// The exported entry through which callers outside the add-in (service operators' tools, tests of a service)
// compute the same request signature the add-in sends. Standard C++ types only, so the header stands alone.
#pragma once

#include "mx/export.h" // the add-in DLL's export macro: dllexport inside the DLL, dllimport for its callers

#include <cstdint>
#include <map>
#include <span>
#include <string>

class MX_API TestWrapper {
public:
    // recipe: the signature text without its surrounding brackets, e.g. L"sign(Date|Request_Body)key".
    // body: the request body's bytes; it ends at its first zero byte. headers: the headers defined before the
    // signature. Text is converted to the system code page. Returns the 44-character Base64 signature, or
    // empty text when the platform's cryptography fails.
    static std::wstring GenerateSignature(const std::wstring& recipe, std::span<const std::uint8_t> body,
                                          const std::map<std::wstring, std::wstring>& headers) noexcept;
};
