#include "mx/utf8string.h"

#include <bit>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <type_traits>

#include <locale.h>
#include <wchar.h>
#include <wctype.h>

namespace {

constexpr const char* kInvalidUTF8 = "Invalid UTF-8 text";
constexpr const char* kInvalidUTF16 = "Invalid UTF-16 text";
constexpr const char* kInvalidCodePoint = "Invalid unicode code point";
constexpr const char* kInvalidTruncationLength = "Invalid code-point length for string truncation";

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr const char* kEllipsis = "\xE2\x80\xA6"; // U+2026

constexpr bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
constexpr bool IsSurrogate(char32_t value) { return value >= 0xD800 && value <= 0xDFFF; }
constexpr bool IsHighSurrogate(char32_t value) { return value >= 0xD800 && value <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t value) { return value >= 0xDC00 && value <= 0xDFFF; }

// Sequence length announced by a lead byte; 0 for bytes that cannot start a character.
constexpr unsigned SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

struct Decoded {
    char32_t codePoint;
    unsigned length; // 0: not a well-formed sequence
};

// Decodes the sequence at `at` (before `end`) when it is well-formed: the shortest form of a scalar value.
inline Decoded DecodeSequence(const unsigned char* at, const unsigned char* end) noexcept
{
    static constexpr char32_t kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    const unsigned length = SequenceLength(at[0]);
    if (length == 0 || end - at < static_cast<std::ptrdiff_t>(length))
        return {0, 0};
    char32_t codePoint = at[0] & kLeadBits[length];
    for (unsigned i = 1; i < length; ++i) {
        if (!IsContinuation(at[i]))
            return {0, 0};
        codePoint = codePoint << 6 | (at[i] & 0x3F);
    }
    if (codePoint < kShortest[length] || codePoint > kLastCodePoint || IsSurrogate(codePoint))
        return {0, 0};
    return {codePoint, length};
}

// Writes the UTF-8 form of a valid code point.
inline char* AppendUTF8(char* out, char32_t codePoint) noexcept
{
    if (codePoint < 0x80) {
        *out++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        *out++ = static_cast<char>(0xC0 | codePoint >> 6);
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        *out++ = static_cast<char>(0xE0 | codePoint >> 12);
        *out++ = static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | codePoint >> 18);
        *out++ = static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

// Number of ASCII bytes at the start of eight bytes loaded from memory.
inline std::size_t LeadingAsciiBytes(std::uint64_t word) noexcept
{
    const std::uint64_t highBits = word & 0x8080808080808080u;
    if (highBits == 0)
        return 8;
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<std::size_t>(std::countr_zero(highBits)) / 8;
    else
        return static_cast<std::size_t>(std::countl_zero(highBits)) / 8;
}

// UTF-8 to 16-bit (surrogate pairs above U+FFFF) or 32-bit units. The result is sized exactly first; every
// accepted sequence has one lead byte and four-byte leads are counted twice for 16-bit units, so writing can
// never pass the end even when the text turns out to be invalid half-way.
template <class Unit>
std::basic_string<Unit> DecodeUTF8(std::string_view text)
{
    constexpr bool sixteenBit = sizeof(Unit) == 2;
    const auto* at = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = at + text.size();
    std::size_t units = 0;
    for (const unsigned char* p = at; p != end; ++p)
        units += !IsContinuation(*p) + (sixteenBit && *p >= 0xF0);

    std::basic_string<Unit> result(units, Unit());
    Unit* out = result.data();
    while (at != end) {
        const unsigned char lead = *at;
        if (lead < 0x80) {
            // ASCII runs are most text: up to eight bytes at a time, as many as come before a non-ASCII byte.
            std::size_t ascii = 1;
            if (end - at >= 8) {
                std::uint64_t word;
                std::memcpy(&word, at, 8);
                ascii = LeadingAsciiBytes(word);
            }
            for (std::size_t i = 0; i < ascii; ++i)
                out[i] = static_cast<Unit>(at[i]);
            at += ascii;
            out += ascii;
            continue;
        }
        // Two- and three-byte forms (every script of the basic plane) inline; the rest by the general decoder.
        if (lead >= 0xC2 && lead < 0xE0 && end - at >= 2 && IsContinuation(at[1])) {
            *out++ = static_cast<Unit>((lead & 0x1F) << 6 | (at[1] & 0x3F));
            at += 2;
            continue;
        }
        if ((lead & 0xF0) == 0xE0 && end - at >= 3 && IsContinuation(at[1]) && IsContinuation(at[2])) {
            const char32_t codePoint = (lead & 0x0F) << 12 | (at[1] & 0x3F) << 6 | (at[2] & 0x3F);
            if (codePoint >= 0x800 && !IsSurrogate(codePoint)) {
                *out++ = static_cast<Unit>(codePoint);
                at += 3;
                continue;
            }
        }
        const Decoded decoded = DecodeSequence(at, end);
        if (decoded.length == 0)
            throw std::runtime_error(kInvalidUTF8);
        at += decoded.length;
        if (sixteenBit && decoded.codePoint >= 0x10000) {
            const char32_t offset = decoded.codePoint - 0x10000;
            *out++ = static_cast<Unit>(0xD800 + (offset >> 10));
            *out++ = static_cast<Unit>(0xDC00 + (offset & 0x3FF));
        } else {
            *out++ = static_cast<Unit>(decoded.codePoint);
        }
    }
    return result;
}

// 16-bit units (UTF-16) to UTF-8.
template <class Unit>
std::string EncodeUTF16(std::basic_string_view<Unit> text)
{
    std::size_t bytes = 0;
    for (Unit unit : text) {
        const char32_t value = static_cast<std::make_unsigned_t<Unit>>(unit);
        bytes += 1 + (value >= 0x80) + (value >= 0x800 && !IsSurrogate(value));
    }
    std::string result(bytes, '\0');
    char* out = result.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t value = static_cast<std::make_unsigned_t<Unit>>(text[i]);
        if (IsSurrogate(value)) {
            const char32_t low = i + 1 < text.size() ? static_cast<std::make_unsigned_t<Unit>>(text[i + 1]) : 0;
            if (!IsHighSurrogate(value) || !IsLowSurrogate(low))
                throw std::runtime_error(kInvalidUTF16);
            value = (value - 0xD800) * 1024 + (low - 0xDC00) + 0x10000;
            ++i;
        }
        out = AppendUTF8(out, value);
    }
    return result;
}

// 32-bit units (UTF-32) to UTF-8.
template <class Unit>
std::string EncodeUTF32(std::basic_string_view<Unit> text)
{
    std::size_t bytes = 0;
    for (Unit unit : text) {
        const char32_t value = static_cast<char32_t>(unit);
        if (value > kLastCodePoint || IsSurrogate(value))
            throw std::runtime_error(kInvalidCodePoint);
        bytes += UTF8Iterator::MeasureInternalUTF8CodeUnitsForCodePoint(value);
    }
    std::string result(bytes, '\0');
    char* out = result.data();
    for (Unit unit : text)
        out = AppendUTF8(out, static_cast<char32_t>(unit));
    return result;
}

// Case folding by the user's default LC_CTYPE locale, created for one comparison and released after it. An
// environment naming a locale that is not installed leaves no locale: the C library's current one folds then.
#if defined(_WIN32)
using LocaleHandle = _locale_t;
LocaleHandle CreateUserCharacterLocale() { return _create_locale(LC_CTYPE, ""); }
void FreeLocale(LocaleHandle locale) { _free_locale(locale); }
wint_t LowerCase(wchar_t c, LocaleHandle locale) { return locale ? _towlower_l(c, locale) : towlower(c); }
#else
using LocaleHandle = locale_t;
LocaleHandle CreateUserCharacterLocale() { return newlocale(LC_CTYPE_MASK, "", locale_t()); }
void FreeLocale(LocaleHandle locale) { freelocale(locale); }
wint_t LowerCase(wchar_t c, LocaleHandle locale)
{
    const auto value = static_cast<wint_t>(c);
    return locale ? towlower_l(value, locale) : towlower(value);
}
#endif

struct LocaleRelease {
    void operator()(LocaleHandle locale) const { FreeLocale(locale); }
};
using UniqueLocale = std::unique_ptr<std::remove_pointer_t<LocaleHandle>, LocaleRelease>;

UTF8String::CharacterSet MakeCharacterSet(std::u32string_view characters)
{
    UTF8String::CharacterSet set;
    for (char32_t c : characters)
        set.insert(UTF8String(std::u32string(1, c)).GetUTF8String());
    return set;
}

// Members matching at the start of `text`, in set order; empty members never match.
const std::string* MatchAtStart(std::string_view text, const UTF8String::CharacterSet& set)
{
    for (const std::string& member : set)
        if (!member.empty() && text.starts_with(member))
            return &member;
    return nullptr;
}

const std::string* MatchAtEnd(std::string_view text, const UTF8String::CharacterSet& set)
{
    for (const std::string& member : set)
        if (!member.empty() && text.ends_with(member))
            return &member;
    return nullptr;
}

std::string_view WithoutStarting(std::string_view text, const UTF8String::CharacterSet& set)
{
    while (const std::string* member = MatchAtStart(text, set))
        text.remove_prefix(member->size());
    return text;
}

std::string_view WithoutTrailing(std::string_view text, const UTF8String::CharacterSet& set)
{
    while (const std::string* member = MatchAtEnd(text, set))
        text.remove_suffix(member->size());
    return text;
}

// Byte index of the step `count` of an iterator over `text` (the text's size when it has fewer steps).
std::size_t ByteIndexOfStep(const std::string& text, std::size_t count)
{
    UTF8Iterator iterator(text);
    while (iterator.GetCharacterIndex() < count && iterator.Next()) {
    }
    return iterator.GetByteIndex();
}

} // namespace

// ---- UTF8StringBase

UTF8StringBase::~UTF8StringBase() = default;

UTF8StringBase::UTF8StringBase(std::string utf8) noexcept : m_utf8(std::move(utf8)) {}
UTF8StringBase::UTF8StringBase(const std::u16string& utf16) : m_utf8(UTF16ToUTF8(utf16)) {}
UTF8StringBase::UTF8StringBase(const std::wstring& wide) : m_utf8(UnicodeToUTF8(wide)) {}
UTF8StringBase::UTF8StringBase(const std::u32string& utf32) : m_utf8(EncodeUTF32(std::u32string_view(utf32))) {}

std::string UTF8StringBase::UTF16ToUTF8(const std::u16string& utf16)
{
    return EncodeUTF16(std::u16string_view(utf16));
}

std::string UTF8StringBase::UnicodeToUTF8(const std::wstring& wide)
{
    if constexpr (sizeof(wchar_t) == 2)
        return EncodeUTF16(std::wstring_view(wide));
    else
        return EncodeUTF32(std::wstring_view(wide));
}

std::u16string UTF8StringBase::GetUTF16String() const
{
    return DecodeUTF8<char16_t>(m_utf8);
}

std::wstring UTF8StringBase::GetUTF16WString() const
{
    return DecodeUTF8<wchar_t>(m_utf8);
}

std::u32string UTF8StringBase::GetUTF32String() const
{
    return DecodeUTF8<char32_t>(m_utf8);
}

std::size_t UTF8StringBase::GetCodePointLength() const noexcept
{
    UTF8Iterator iterator(m_utf8);
    while (iterator.Next()) {
    }
    return iterator.GetCharacterIndex();
}

// ---- UTF8String

std::wstring UTF8String::GetUnicodeString() const
{
    return GetUTF16WString();
}

bool UTF8String::Equals(const UTF8StringBase& other) const
{
    return GetUTF16String() == other.GetUTF16String();
}

bool UTF8String::EqualsIgnoreCase(const UTF8StringBase& other) const
{
    const std::wstring left = GetUnicodeString();
    const std::wstring right = other.GetUnicodeString();
    if (left.size() != right.size())
        return false;
    const UniqueLocale locale(CreateUserCharacterLocale());
    for (std::size_t i = 0; i < left.size(); ++i)
        if (left[i] != right[i] && LowerCase(left[i], locale.get()) != LowerCase(right[i], locale.get()))
            return false;
    return true;
}

UTF8String UTF8String::StringByRemovingStartingCharactersInSet(const UTF8String& text, const CharacterSet& set)
{
    return std::string(WithoutStarting(text.m_utf8, set));
}

UTF8String UTF8String::StringByRemovingTrailingCharactersInSet(const UTF8String& text, const CharacterSet& set)
{
    return std::string(WithoutTrailing(text.m_utf8, set));
}

UTF8String UTF8String::StringByReplacingCharactersInSet(const UTF8String& text, const CharacterSet& set,
                                                        const UTF8String& replacement)
{
    const std::string& source = text.m_utf8;
    std::string result;
    result.reserve(source.size());
    std::size_t at = 0;
    while (at < source.size()) {
        const std::string_view rest = std::string_view(source).substr(at);
        if (const std::string* member = MatchAtStart(rest, set)) {
            result += replacement.m_utf8;
            at += member->size();
        } else {
            // Unmatched text is copied a whole character at a time, so no member matches inside a character.
            const std::size_t bytes = UTF8Iterator::MeasureUTF8CodePointLengthInBytes(source.c_str() + at);
            result.append(rest.substr(0, bytes));
            at += bytes;
        }
    }
    return result;
}

void UTF8String::TrimCharactersInSet(const CharacterSet& set)
{
    m_utf8 = std::string(WithoutStarting(WithoutTrailing(m_utf8, set), set));
}

UTF8String UTF8String::StringByLeftTruncatingToCodePointLength(std::size_t length) const
{
    if (length < 2)
        throw std::runtime_error(kInvalidTruncationLength);
    UTF8Iterator iterator(m_utf8);
    std::size_t keptBytes = 0;
    while (!iterator.AtEnd() && iterator.GetCharacterIndex() < length) {
        if (iterator.GetCharacterIndex() == length - 1)
            keptBytes = iterator.GetByteIndex();
        ++iterator;
    }
    if (iterator.AtEnd())
        return *this;
    return m_utf8.substr(0, keptBytes) + kEllipsis;
}

UTF8String UTF8String::StringByCenterTruncatingToCodePointLength(std::size_t length) const
{
    if (length < 3)
        throw std::runtime_error(kInvalidTruncationLength);
    const std::size_t total = GetCodePointLength();
    if (total <= length)
        return *this;
    const std::size_t tail = (length - 1) / 2;
    const std::size_t head = length - 1 - tail;
    return m_utf8.substr(0, ByteIndexOfStep(m_utf8, head)) + kEllipsis +
           m_utf8.substr(ByteIndexOfStep(m_utf8, total - tail));
}

const UTF8String::CharacterSet& UTF8String::GetWhitespaceCharacterSet()
{
    static const CharacterSet set = MakeCharacterSet(U"\u0020\u0009\u00A0\u1680\u2000\u2001\u2002\u2003\u2004"
                                                     U"\u2005\u2006\u2007\u2008\u2009\u200A\u202F\u205F\u3000");
    return set;
}

const UTF8String::CharacterSet& UTF8String::GetNewlineCharacterSet()
{
    static const CharacterSet set = MakeCharacterSet(U"\u000A\u000B\u000C\u000D");
    return set;
}

const UTF8String::CharacterSet& UTF8String::GetWhitespaceAndNewlineCharacterSet()
{
    static const CharacterSet set = [] {
        CharacterSet both = GetWhitespaceCharacterSet();
        both.insert(GetNewlineCharacterSet().begin(), GetNewlineCharacterSet().end());
        return both;
    }();
    return set;
}

const UTF8String::CharacterSet& UTF8String::GetDoubleQuoteCharacterSet()
{
    static const CharacterSet set = MakeCharacterSet(U"\u201C\u201D\u201E\u00AB\u00BB");
    return set;
}

const UTF8String::CharacterSet& UTF8String::GetSingleQuoteCharacterSet()
{
    static const CharacterSet set = MakeCharacterSet(U"\u2018\u2019\u201A\u2039\u203A");
    return set;
}

std::string UTF8ToInternalUTF8(const std::string& utf8)
{
    return utf8;
}

std::string InternalUTF8ToUTF8(const std::string& internalUtf8)
{
    return internalUtf8;
}

// ---- UTF8Iterator

UTF8Iterator::UTF8Iterator(const std::string& text) noexcept
    : m_current(reinterpret_cast<const unsigned char*>(text.c_str())), m_end(m_current + text.size())
{
}

UTF8Iterator::UTF8Iterator(const char* text) noexcept : UTF8Iterator(reinterpret_cast<const unsigned char*>(text)) {}

UTF8Iterator::UTF8Iterator(const unsigned char* text) noexcept
    : m_current(text ? text : reinterpret_cast<const unsigned char*>("")),
      m_end(m_current + std::strlen(reinterpret_cast<const char*>(m_current)))
{
}

bool UTF8Iterator::Next() noexcept
{
    if (AtEnd())
        return false;
    const std::size_t bytes = GetUTF8Length();
    m_utf16Index += GetUTF16Length();
    m_byteIndex += bytes;
    m_characterIndex += 1;
    m_current += bytes;
    return !AtEnd();
}

char32_t UTF8Iterator::GetCharacter() const noexcept
{
    if (AtEnd())
        return 0;
    const Decoded decoded = DecodeSequence(m_current, m_end);
    return decoded.length ? decoded.codePoint : kReplacementCharacter;
}

std::size_t UTF8Iterator::GetUTF8Length() const noexcept
{
    // The text ends with a NUL (also a std::string's), which stops a sequence cut short.
    return AtEnd() ? 0 : MeasureUTF8CodePointLengthInBytes(reinterpret_cast<const char*>(m_current));
}

std::size_t UTF8Iterator::GetUTF16Length() const noexcept
{
    if (AtEnd())
        return 0;
    return GetCharacter() > 0xFFFF ? 2 : 1;
}

std::size_t UTF8Iterator::MeasureUTF8CodePointLengthInBytes(const char* character) noexcept
{
    const auto* at = reinterpret_cast<const unsigned char*>(character);
    const unsigned announced = SequenceLength(at[0]);
    if (announced <= 1)
        return 1;
    unsigned length = 1;
    while (length < announced && IsContinuation(at[length]))
        ++length;
    return length;
}

std::size_t UTF8Iterator::MeasureInternalUTF8CodeUnitsForCodePoint(char32_t codePoint) noexcept
{
    if (codePoint < 0x80)
        return 1;
    if (codePoint < 0x800)
        return 2;
    if (codePoint < 0x10000)
        return 3;
    return codePoint <= kLastCodePoint ? 4 : 0;
}
