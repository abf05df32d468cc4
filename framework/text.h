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

// The longest start of the narrow text that has at most maxBytes bytes and ends at a whole character of
// the code page (a double-byte character is never split); code page 0 is the system code page (CP_ACP).
// For text bound for a fixed-size buffer.
std::string_view CutToWholeCharacters(std::string_view narrow, std::size_t maxBytes, unsigned codePage = 0);

} // namespace fw
