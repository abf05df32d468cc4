#include "framework/url_unescape.h"

#include <cstdint>
#include <vector>

namespace fw {
namespace {

int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The byte of the %XX escape at `at`, or -1 when there is none there.
int EscapedByte(std::u16string_view text, std::size_t at)
{
    if (at + 2 >= text.size() || text[at] != u'%')
        return -1;
    int high = HexValue(text[at + 1]), low = HexValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

// Length of the UTF-8 character a lead byte starts (2 to 4), or 0 for a byte that cannot start one.
int SequenceLength(std::uint8_t lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Decodes one well-formed character at bytes[at]; 0 when there is none (the caller takes the byte alone).
std::size_t DecodeCharacter(const std::vector<std::uint8_t>& bytes, std::size_t at, char32_t& codePoint)
{
    std::uint8_t lead = bytes[at];
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    int length = SequenceLength(lead);
    if (length == 0 || at + static_cast<std::size_t>(length) > bytes.size())
        return 0;
    // The second byte's range excludes overlong forms, surrogates and values above U+10FFFF (RFC 3629).
    std::uint8_t second = bytes[at + 1];
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (second < low || second > high)
        return 0;
    char32_t value = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        std::uint8_t next = bytes[at + static_cast<std::size_t>(i)];
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    codePoint = value;
    return static_cast<std::size_t>(length);
}

void AppendCodePoint(std::u16string& out, char32_t codePoint)
{
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
    } else {
        codePoint -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    }
}

} // namespace

std::u16string UrlUnescapeAsUtf8(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::vector<std::uint8_t> bytes;
    std::size_t at = 0;
    while (at < text.size()) {
        bytes.clear();
        for (int byte; (byte = EscapedByte(text, at)) > 0; at += 3)
            bytes.push_back(static_cast<std::uint8_t>(byte));
        if (bytes.empty()) {
            // Not an escape, or %00, which is kept as written.
            std::size_t keep = EscapedByte(text, at) == 0 ? 3 : 1;
            out.append(text.substr(at, keep));
            at += keep;
            continue;
        }
        for (std::size_t i = 0; i < bytes.size();) {
            char32_t codePoint = 0;
            std::size_t used = DecodeCharacter(bytes, i, codePoint);
            if (used == 0) {
                codePoint = bytes[i];
                used = 1;
            }
            AppendCodePoint(out, codePoint);
            i += used;
        }
    }
    return out;
}

std::u16string_view CutAtCodePoint(std::u16string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    if (end > 0 && IsHighSurrogate(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::u16string_view CutEscapedAtBoundary(std::u16string_view escaped, std::size_t limit)
{
    if (escaped.size() <= limit)
        return escaped;
    std::size_t end = CutAtCodePoint(escaped, limit).size();
    // Not inside an escape: an escape that starts one or two units before the cut would be split.
    for (std::size_t back = 1; back <= 2 && back <= end; ++back) {
        if (EscapedByte(escaped, end - back) >= 0) {
            end -= back;
            break;
        }
    }
    // Not inside one character's escapes: walk back over escaped continuation bytes to their lead byte, and
    // cut before the lead when the character needs more bytes than stand before the cut.
    std::size_t start = end;
    std::size_t continuations = 0;
    while (start >= 3) {
        int byte = EscapedByte(escaped, start - 3);
        if (byte < 0x80 || byte > 0xBF)
            break;
        start -= 3;
        ++continuations;
    }
    if (start >= 3) {
        int lead = EscapedByte(escaped, start - 3);
        if (lead >= 0 && SequenceLength(static_cast<std::uint8_t>(lead)) > 0 &&
            continuations + 1 < static_cast<std::size_t>(SequenceLength(static_cast<std::uint8_t>(lead))))
            end = start - 3;
    }
    return escaped.substr(0, end);
}

} // namespace fw
