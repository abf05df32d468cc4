// Percent escapes read as UTF-8 and cuts of escaped text: any UTF-16 text unescapes to no more units than it
// has; valid UTF-8 escaped byte by byte unescapes to itself; a cut escaped text is a start of the whole that
// unescapes to a start of the whole text.
#include "framework/url_unescape.h"
#include "mx/utf8string.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    std::size_t limit = size ? data[0] * 4u : 0;
    if (fw::UrlUnescapeAsUtf8(units).size() > units.size())
        std::abort();
    std::u16string_view kept = fw::CutAtCodePoint(units, limit);
    if (kept.size() > limit && kept.size() != units.size())
        std::abort();

    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.find('\0') != std::string::npos)
        return 0;
    std::u16string text;
    try {
        text = UTF8String(bytes).GetUTF16String();
    } catch (const std::runtime_error&) {
        return 0;
    }
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    std::u16string escaped;
    for (unsigned char byte : bytes)
        escaped += {u'%', digits[byte >> 4], digits[byte & 0xF]};
    if (fw::UrlUnescapeAsUtf8(escaped) != text)
        std::abort();
    std::u16string_view cut = fw::CutEscapedAtBoundary(escaped, limit);
    if (cut.size() > limit || escaped.compare(0, cut.size(), cut) != 0)
        std::abort();
    std::u16string start = fw::UrlUnescapeAsUtf8(cut);
    if (text.compare(0, start.size(), start) != 0)
        std::abort();
    return 0;
}
