// The one conversion point between narrow text (the system code page, which is what the add-in keeps
// inside) and wide text (the automation and window boundary).
#pragma once

#include <string>
#include <string_view>

namespace fw {

std::wstring Widen(std::string_view narrow);   // system code page (CP_ACP) to UTF-16
std::string Narrow(std::wstring_view wide);    // UTF-16 to the system code page; unmappable characters become '?'
std::string ToUtf8(std::wstring_view wide);    // UTF-16 to UTF-8 (for byte formats fixed to UTF-8, such as key derivation)
std::wstring FromUtf8(std::string_view utf8);  // UTF-8 to UTF-16 (for text files fixed to UTF-8)

} // namespace fw
