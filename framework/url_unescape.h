// Percent escapes of URLs in UTF-16 text, read as UTF-8: what UrlUnescapeW does with URL_UNESCAPE_AS_UTF8 on
// Windows (Wine ignores that flag and gives one character per escaped byte). Portable: no Win32, no locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fw {

// Decodes every %XX (two hexadecimal digits, either case). A run of escaped bytes is read as UTF-8, character
// by character; a byte that does not start a well-formed character (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF) stands for itself as U+0080..U+00FF, as without the flag. %00 stays as
// it is: a zero would end the text at the window boundary and hide what follows. Everything else, a "%" without
// two hexadecimal digits included, is kept. "+" is not a blank here. The result is never longer than the text.
std::u16string UrlUnescapeAsUtf8(std::u16string_view text);

// The longest start of the text with at most `limit` units that does not split a surrogate pair.
std::u16string_view CutAtCodePoint(std::u16string_view text, std::size_t limit);

// The longest start of an escaped URL with at most `limit` units that does not split a surrogate pair, a %XX
// escape, or the escapes of one UTF-8 encoded character (so the cut text unescapes to a start of the whole).
std::u16string_view CutEscapedAtBoundary(std::u16string_view escaped, std::size_t limit);

} // namespace fw
