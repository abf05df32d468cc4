// UTF-8 text values. UTF8String keeps text as UTF-8 bytes and converts it to and from UTF-16, the
// platform's wide strings and UTF-32; it counts, truncates, trims and replaces by whole code points.
//
// Conversions are exact and strict, and throw std::runtime_error with one fixed text:
// - "Invalid UTF-8 text": the bytes are not well-formed UTF-8 (RFC 3629): a continuation byte where a
//   character should start, a sequence cut short (at the end or by the next character), a byte 0xF8..0xFF,
//   an overlong form of any length, an encoded surrogate (U+D800..U+DFFF) or a value above U+10FFFF.
//   Overlong forms and encoded surrogates are refused because they would decode to text whose way back gives
//   other bytes (an overlong "/" or NUL slipping past a byte-wise check) or no valid UTF-16 at all.
// - "Invalid UTF-16 text": a low surrogate without a high one before it, or a high surrogate not followed
//   by a low one.
// - "Invalid unicode code point": a UTF-32 value (or a 32-bit wide character) above U+10FFFF or in the
//   surrogate range.
// - "Invalid code-point length for string truncation": see the truncating functions.
// A constructor that throws leaves nothing behind; construction from UTF-8 bytes never throws, invalid bytes
// surface when the text is converted.
//
// Wide strings (std::wstring) hold the platform's wide text: UTF-16 where wchar_t has 16 bits (Windows),
// UTF-32 where it has 32 bits (Linux). The same text therefore gives the same UTF-8 bytes on both.
//
// TCHAR: this library and the add-in are built with narrow characters, so a TCHAR string is a std::string.
// GetTCHARString returns the UTF-8 bytes unchanged (no system code page conversion happens here: the library
// is portable and code-page free; the add-in converts to and from its code page at its one conversion point).
// UI text is wide: GetUIString gives the wide form.
#pragma once

#include "mx/export.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>

class MX_API UTF8StringBase {
public:
    virtual ~UTF8StringBase();
    virtual std::wstring GetUnicodeString() const = 0;
    virtual bool Equals(const UTF8StringBase& other) const = 0;
    virtual bool EqualsIgnoreCase(const UTF8StringBase& other) const = 0;

    const std::string& GetUTF8String() const noexcept { return m_utf8; }
    operator std::string() const { return m_utf8; }
    const std::string& GetTCHARString() const noexcept { return m_utf8; }

    std::u16string GetUTF16String() const;
    operator std::u16string() const { return GetUTF16String(); }
    std::wstring GetUTF16WString() const; // the platform's wide form (see above)
    std::wstring GetUIString() const { return GetUnicodeString(); }
    std::u32string GetUTF32String() const;

    // Number of UTF8Iterator steps over the whole text: code points, each malformed byte run counting as one.
    std::size_t GetCodePointLength() const noexcept;

protected:
    UTF8StringBase() = default;
    UTF8StringBase(std::string utf8) noexcept;
    UTF8StringBase(const std::u16string& utf16);
    UTF8StringBase(const std::wstring& wide);
    UTF8StringBase(const std::u32string& utf32);
    UTF8StringBase(const UTF8StringBase&) = default;
    UTF8StringBase(UTF8StringBase&&) noexcept = default;
    UTF8StringBase& operator=(const UTF8StringBase&) = default;
    UTF8StringBase& operator=(UTF8StringBase&&) noexcept = default;

    static std::string UTF16ToUTF8(const std::u16string& utf16);
    static std::string UnicodeToUTF8(const std::wstring& wide);

    std::string m_utf8;
};

class MX_API UTF8String : public UTF8StringBase {
public:
    // An ordered set of texts, each one character in UTF-8. Members are tried in the set's (byte-wise) order;
    // empty members never match.
    using CharacterSet = std::set<std::string>;

    UTF8String() = default;
    UTF8String(std::string utf8) noexcept : UTF8StringBase(std::move(utf8)) {}
    UTF8String(const char* utf8) : UTF8StringBase(std::string(utf8 ? utf8 : "")) {} // null: empty text
    UTF8String(const std::u16string& utf16) : UTF8StringBase(utf16) {}
    UTF8String(const std::wstring& wide) : UTF8StringBase(wide) {}
    UTF8String(const std::u32string& utf32) : UTF8StringBase(utf32) {}

    std::wstring GetUnicodeString() const override;
    bool Equals(const UTF8StringBase& other) const override; // identical UTF-16 forms
    // Equal wide forms after case folding by the user's default locale (LC_CTYPE), character by character.
    bool EqualsIgnoreCase(const UTF8StringBase& other) const override;

    static UTF8String StringByRemovingStartingCharactersInSet(const UTF8String& text, const CharacterSet& set);
    static UTF8String StringByRemovingTrailingCharactersInSet(const UTF8String& text, const CharacterSet& set);
    static UTF8String StringByReplacingCharactersInSet(const UTF8String& text, const CharacterSet& set,
                                                       const UTF8String& replacement);
    void TrimCharactersInSet(const CharacterSet& set); // trailing members first, then leading ones

    // At most `length` code points: a longer text keeps its first length - 1 and ends with U+2026.
    // Throws for a length below 2.
    UTF8String StringByLeftTruncatingToCodePointLength(std::size_t length) const;
    // At most `length` code points: a longer text keeps its beginning and its end around U+2026; the
    // beginning gets the odd one of the kept characters. Throws for a length below 3.
    UTF8String StringByCenterTruncatingToCodePointLength(std::size_t length) const;

    static const CharacterSet& GetWhitespaceCharacterSet();
    static const CharacterSet& GetNewlineCharacterSet();
    static const CharacterSet& GetWhitespaceAndNewlineCharacterSet();
    static const CharacterSet& GetDoubleQuoteCharacterSet(); // typographic double quotes, not '"'
    static const CharacterSet& GetSingleQuoteCharacterSet(); // typographic single quotes, not '\''
};

// The library's internal text is UTF-8 itself: both return a copy.
MX_API std::string UTF8ToInternalUTF8(const std::string& utf8);
MX_API std::string InternalUTF8ToUTF8(const std::string& internalUtf8);

// Walks UTF-8 text one code point at a time. A malformed run (a stray continuation byte, a byte 0xF8..0xFF, a
// sequence cut short, an overlong or surrogate form) is one step whose character is U+FFFD. The text is not
// owned: it must outlive the iterator. A std::string is walked to its end (embedded NULs are characters),
// a pointer to its terminating NUL.
class MX_API UTF8Iterator {
public:
    explicit UTF8Iterator(const std::string& text) noexcept;
    explicit UTF8Iterator(std::string&&) = delete; // would point into a destroyed temporary
    explicit UTF8Iterator(const char* text) noexcept;
    explicit UTF8Iterator(const unsigned char* text) noexcept;

    bool AtEnd() const noexcept { return m_current == m_end; }
    bool Next() noexcept; // steps over one character; true when another follows
    UTF8Iterator& operator++() noexcept
    {
        Next();
        return *this;
    }
    UTF8Iterator operator++(int) noexcept
    {
        UTF8Iterator before = *this;
        Next();
        return before;
    }

    char32_t GetCharacter() const noexcept; // 0 at the end
    std::size_t GetByteIndex() const noexcept { return m_byteIndex; }
    std::size_t GetCharacterIndex() const noexcept { return m_characterIndex; }
    std::size_t GetUTF16Index() const noexcept { return m_utf16Index; }
    std::size_t GetUTF8Length() const noexcept;  // bytes of the current character, 0 at the end
    std::size_t GetUTF16Length() const noexcept; // 2 above U+FFFF, 0 at the end, otherwise 1

    // Bytes of the character at `character` by its lead byte (1 to 4), stopping early at the first byte that
    // does not continue it, so it never reaches past a terminating NUL; 1 for a byte that cannot lead.
    static std::size_t MeasureUTF8CodePointLengthInBytes(const char* character) noexcept;
    // 1 below U+0080, 2 below U+0800, 3 below U+10000, 4 up to U+10FFFF, 0 above.
    static std::size_t MeasureInternalUTF8CodeUnitsForCodePoint(char32_t codePoint) noexcept;

private:
    const unsigned char* m_current;
    std::uint64_t m_characterIndex = 0;
    std::uint64_t m_byteIndex = 0;
    std::uint64_t m_utf16Index = 0;
    const unsigned char* m_end;
};
