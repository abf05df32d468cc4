// UTF-8 strings: exact conversions both ways, strict rejection of malformed text, code-point iteration,
// truncation, trimming, replacing and the character sets.
#include "mx/utf8string.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

template <class Function>
std::string ErrorText(Function function)
{
    try {
        function();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(no error)";
}

// Known answers: the compiler's own u"", U"" and L"" literals give the expected forms independently.
struct Sample {
    const char* name;
    std::string utf8;
    std::u16string utf16;
    std::u32string utf32;
    std::wstring wide;
};

const Sample kSamples[] = {
    {"empty", "", u"", U"", L""},
    {"ascii", "Hello, world", u"Hello, world", U"Hello, world", L"Hello, world"},
    {"two-byte bounds", "\xC2\x80\xDF\xBF", u"\u0080\u07FF", U"\u0080\u07FF", L"\u0080\u07FF"},
    {"three-byte bounds", "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", u"\u0800\uD7FF\uE000\uFFFF",
     U"\u0800\uD7FF\uE000\uFFFF", L"\u0800\uD7FF\uE000\uFFFF"},
    {"surrogate pairs", "\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", u"\U00010000\U0001F600\U0010FFFF",
     U"\U00010000\U0001F600\U0010FFFF", L"\U00010000\U0001F600\U0010FFFF"},
    {"mixed", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z", u"a\u00E9\u20AC\U0001F600z", U"a\u00E9\u20AC\U0001F600z",
     L"a\u00E9\u20AC\U0001F600z"},
    {"embedded NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3), std::u32string(U"a\0b", 3),
     std::wstring(L"a\0b", 3)},
};

TEST(UTF8String, ConvertsExactlyBetweenAllForms)
{
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        const UTF8String fromBytes(sample.utf8);
        EXPECT_EQ(fromBytes.GetUTF16String(), sample.utf16);
        EXPECT_EQ(fromBytes.GetUTF16WString(), sample.wide);
        EXPECT_EQ(fromBytes.GetUnicodeString(), sample.wide);
        EXPECT_EQ(fromBytes.GetUTF32String(), sample.utf32);
        EXPECT_EQ(fromBytes.GetCodePointLength(), sample.utf32.size());

        EXPECT_EQ(UTF8String(sample.utf16).GetUTF8String(), sample.utf8);
        EXPECT_EQ(UTF8String(sample.utf32).GetUTF8String(), sample.utf8);
        EXPECT_EQ(UTF8String(sample.wide).GetUTF8String(), sample.utf8);
        EXPECT_TRUE(UTF8String(sample.wide).Equals(fromBytes));
    }
    // Exported for callers that keep text in the library's internal form, which is UTF-8 itself.
    EXPECT_EQ(InternalUTF8ToUTF8(UTF8ToInternalUTF8("\xC3\xA9")), "\xC3\xA9");
}

// Malformed sequences after Markus Kuhn's "UTF-8 decoder capability and stress test".
TEST(UTF8String, RejectsEveryMalformedSequenceClass)
{
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"first continuation byte", "\x80"},
        {"last continuation byte", "a\xBF"},
        {"continuation after a complete character", "\xC3\xA9\xA9"},
        {"two-byte lead at the end", "ab\xC3"},
        {"three-byte sequence cut at the end", "\xE2\x82"},
        {"four-byte sequence cut at the end", "\xF0\x9F\x98"},
        {"two-byte lead before ASCII", "\xC3" "A"},
        {"three-byte sequence cut by ASCII", "\xE2\x82" "A"},
        {"four-byte sequence cut by a lead", "\xF0\x9F\xC3\xA9"},
        {"lead byte 0xF8", "\xF8\x88\x80\x80\x80"},
        {"lead byte 0xFC", "\xFC\x84\x80\x80\x80\x80"},
        {"byte 0xFE", "\xFE"},
        {"byte 0xFF", "a\xFF"},
        {"four-byte form below U+10000", "\xF0\x8F\xBF\xBF"},
        {"four-byte form of U+0041", "\xF0\x80\x81\x81"},
        {"overlong two-byte slash", "\xC0\xAF"},
        {"overlong two-byte NUL", "\xC0\x80"},
        {"overlong two-byte U+007F", "\xC1\xBF"},
        {"overlong three-byte slash", "\xE0\x80\xAF"},
        {"overlong three-byte U+07FF", "\xE0\x9F\xBF"},
        {"encoded high surrogate", "\xED\xA0\x80"},
        {"encoded low surrogate", "\xED\xBF\xBF"},
        {"encoded surrogate pair", "\xED\xA0\xBD\xED\xB8\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80"},
        {"lead byte 0xF7", "\xF7\xBF\xBF\xBF"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const UTF8String text(test.bytes); // construction keeps the bytes unchecked
        EXPECT_EQ(text.GetUTF8String(), test.bytes);
        EXPECT_EQ(ErrorText([&] { text.GetUTF16String(); }), "Invalid UTF-8 text");
        EXPECT_EQ(ErrorText([&] { text.GetUTF16WString(); }), "Invalid UTF-8 text");
        EXPECT_EQ(ErrorText([&] { text.GetUTF32String(); }), "Invalid UTF-8 text");
        EXPECT_EQ(ErrorText([&] { text.Equals(text); }), "Invalid UTF-8 text");

        // Iteration still covers every byte, one step per malformed run.
        UTF8Iterator iterator(text.GetUTF8String());
        while (iterator.Next()) {
        }
        EXPECT_EQ(iterator.GetByteIndex(), test.bytes.size());
    }
}

TEST(UTF8String, RejectsInvalidUnitsAndKeepsNothing)
{
    const std::u16string badUTF16[] = {
        u"\xDC00", u"a\xD800", std::u16string{0xD800, u'A'}, std::u16string{0xD800, 0xD800, 0xDC00},
        std::u16string{0xDC00, 0xD800},
    };
    UTF8String kept("kept");
    for (const std::u16string& units : badUTF16) {
        SCOPED_TRACE(testing::PrintToString(units));
        EXPECT_EQ(ErrorText([&] { kept = UTF8String(units); }), "Invalid UTF-16 text");
        EXPECT_EQ(kept.GetUTF8String(), "kept");
        const std::wstring wide(units.begin(), units.end());
        // 16-bit wide strings are UTF-16; 32-bit ones are UTF-32, where a surrogate is no code point at all.
        EXPECT_EQ(ErrorText([&] { kept = UTF8String(wide); }),
                  sizeof(wchar_t) == 2 ? "Invalid UTF-16 text" : "Invalid unicode code point");
    }
    for (char32_t value : {char32_t(0x110000), char32_t(0xD800), char32_t(0xDFFF), char32_t(0xFFFFFFFF)}) {
        SCOPED_TRACE(static_cast<unsigned>(value));
        EXPECT_EQ(ErrorText([&] { kept = UTF8String(std::u32string{U'a', value}); }), "Invalid unicode code point");
    }
    EXPECT_EQ(kept.GetUTF8String(), "kept");
}

TEST(UTF8Iterator, StepsOverWholeCodePoints)
{
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "b";
    const struct {
        char32_t character;
        std::size_t byteIndex, utf8Length, utf16Index, utf16Length;
    } steps[] = {
        {U'a', 0, 1, 0, 1}, {0xE9, 1, 2, 1, 1}, {0x20AC, 3, 3, 2, 1}, {0x1F600, 6, 4, 3, 2}, {U'b', 10, 1, 5, 1},
    };
    UTF8Iterator iterator(text);
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(iterator.AtEnd());
        EXPECT_EQ(iterator.GetCharacterIndex(), i);
        EXPECT_EQ(iterator.GetCharacter(), steps[i].character);
        EXPECT_EQ(iterator.GetByteIndex(), steps[i].byteIndex);
        EXPECT_EQ(iterator.GetUTF8Length(), steps[i].utf8Length);
        EXPECT_EQ(iterator.GetUTF16Index(), steps[i].utf16Index);
        EXPECT_EQ(iterator.GetUTF16Length(), steps[i].utf16Length);
        EXPECT_EQ(UTF8Iterator::MeasureUTF8CodePointLengthInBytes(text.c_str() + steps[i].byteIndex),
                  steps[i].utf8Length);
        EXPECT_EQ(UTF8Iterator::MeasureInternalUTF8CodeUnitsForCodePoint(steps[i].character), steps[i].utf8Length);
        EXPECT_EQ(iterator.Next(), i + 1 < std::size(steps));
    }
    EXPECT_TRUE(iterator.AtEnd());
    EXPECT_EQ(iterator.GetUTF16Index(), 6u);
    EXPECT_EQ(iterator.GetCharacter(), 0u);
    EXPECT_EQ(iterator.GetUTF8Length(), 0u);
    EXPECT_FALSE(iterator.Next()); // no effect at the end
    EXPECT_EQ(iterator.GetByteIndex(), text.size());
    EXPECT_EQ(iterator.GetCharacterIndex(), 5u);

    UTF8Iterator copy(text.c_str());
    EXPECT_EQ((copy++).GetCharacterIndex(), 0u);
    EXPECT_EQ((++copy).GetCharacter(), 0x20AC);

    for (const auto& [character, length] : {std::pair<char32_t, std::size_t>{0x7F, 1}, {0x7FF, 2}, {0xFFFF, 3},
                                            {0x10FFFF, 4}, {0x110000, 0}})
        EXPECT_EQ(UTF8Iterator::MeasureInternalUTF8CodeUnitsForCodePoint(character), length) << unsigned(character);
}

TEST(UTF8Iterator, TreatsMalformedRunsAsSingleReplacementCharacters)
{
    const std::string text = "\x80\xE2\x82" "A\xF0\x9F\x98";
    UTF8Iterator iterator(text);
    const std::size_t lengths[] = {1, 2, 1, 3};
    const char32_t characters[] = {0xFFFD, 0xFFFD, U'A', 0xFFFD};
    for (std::size_t i = 0; i < 4; ++i, ++iterator) {
        SCOPED_TRACE(i);
        EXPECT_EQ(iterator.GetUTF8Length(), lengths[i]);
        EXPECT_EQ(iterator.GetCharacter(), characters[i]);
    }
    EXPECT_TRUE(iterator.AtEnd());
    EXPECT_EQ(iterator.GetByteIndex(), text.size()); // the cut-short sequence at the end stops at the end

    // A std::string is walked to its end, a pointer to its NUL; a null pointer is empty text.
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(UTF8String(withNul).GetCodePointLength(), 3u);
    UTF8Iterator pointer(withNul.c_str());
    EXPECT_FALSE(pointer.Next());
    EXPECT_TRUE(UTF8Iterator(static_cast<const char*>(nullptr)).AtEnd());
    EXPECT_TRUE(UTF8Iterator(reinterpret_cast<const unsigned char*>("")).AtEnd());
}

// Counting and truncating must not depend on the code page: each character is one step and is kept whole.
TEST(UTF8String, CountsAndTruncatesByCodePointsWhateverTheLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    const UTF8String text("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9\xE2\x82\xAC"); // é€😀é€
    EXPECT_EQ(text.GetCodePointLength(), 5u);
    EXPECT_EQ(text.GetUTF32String(), U"\u00E9\u20AC\U0001F600\u00E9\u20AC");
    EXPECT_EQ(text.StringByLeftTruncatingToCodePointLength(4).GetUTF8String(),
              "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xE2\x80\xA6");
    EXPECT_EQ(text.StringByCenterTruncatingToCodePointLength(4).GetUTF32String(), U"\u00E9\u20AC\u2026\u20AC");
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(UTF8String, TruncatesToTheRequestedLength)
{
    const UTF8String text("abcdefgh");
    const std::function<void()> tooShort[] = {
        [&] { text.StringByLeftTruncatingToCodePointLength(1); },
        [&] { text.StringByLeftTruncatingToCodePointLength(0); },
        [&] { text.StringByCenterTruncatingToCodePointLength(2); },
        [] { UTF8String().StringByCenterTruncatingToCodePointLength(2); }};
    for (const auto& truncate : tooShort)
        EXPECT_EQ(ErrorText(truncate), "Invalid code-point length for string truncation");

    const struct {
        std::size_t length;
        const char* left;
        const char* center;
    } cases[] = {
        {100, "abcdefgh", "abcdefgh"},
        {8, "abcdefgh", "abcdefgh"},
        {7, "abcdef\xE2\x80\xA6", "abc\xE2\x80\xA6" "fgh"},
        {6, "abcde\xE2\x80\xA6", "abc\xE2\x80\xA6" "gh"},
        {3, "ab\xE2\x80\xA6", "a\xE2\x80\xA6h"},
        {2, "a\xE2\x80\xA6", nullptr},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.length);
        EXPECT_EQ(text.StringByLeftTruncatingToCodePointLength(test.length).GetUTF8String(), test.left);
        if (test.center) {
            EXPECT_EQ(text.StringByCenterTruncatingToCodePointLength(test.length).GetUTF8String(), test.center);
        }
    }
    EXPECT_EQ(UTF8String().StringByLeftTruncatingToCodePointLength(2).GetUTF8String(), "");
    EXPECT_EQ(UTF8String().StringByCenterTruncatingToCodePointLength(3).GetUTF8String(), "");
}

TEST(UTF8String, TrimsAndReplacesWholeCharacters)
{
    const auto& whitespace = UTF8String::GetWhitespaceCharacterSet();
    UTF8String padded("\xC2\xA0\t \xE3\x80\x80" "a b\xC2\xA0\n\xC2\xA0 \t");
    padded.TrimCharactersInSet(whitespace);
    EXPECT_EQ(padded.GetUTF8String(), "a b\xC2\xA0\n"); // the newline is not whitespace
    padded.TrimCharactersInSet(UTF8String::GetWhitespaceAndNewlineCharacterSet());
    EXPECT_EQ(padded.GetUTF8String(), "a b");

    const UTF8String text(" \xC2\xA0x\xC2\xA0 ");
    EXPECT_EQ(UTF8String::StringByRemovingStartingCharactersInSet(text, whitespace).GetUTF8String(), "x\xC2\xA0 ");
    EXPECT_EQ(UTF8String::StringByRemovingTrailingCharactersInSet(text, whitespace).GetUTF8String(), " \xC2\xA0x");
    UTF8String blank(" \t\xC2\xA0");
    blank.TrimCharactersInSet(whitespace);
    EXPECT_EQ(blank.GetUTF8String(), "");

    // Typographic quotes to ASCII; a replacement is not searched again.
    const UTF8String quoted("\xE2\x80\x9Cof\xE2\x80\x9D \xC2\xAB" "x\xC2\xBB");
    EXPECT_EQ(UTF8String::StringByReplacingCharactersInSet(quoted, UTF8String::GetDoubleQuoteCharacterSet(), "\"")
                  .GetUTF8String(),
              "\"of\" \"x\"");
    EXPECT_EQ(UTF8String::StringByReplacingCharactersInSet("aXa", {"a"}, "aa").GetUTF8String(), "aaXaa");
    for (const auto* quotes : {&UTF8String::GetDoubleQuoteCharacterSet(), &UTF8String::GetSingleQuoteCharacterSet()})
        EXPECT_FALSE(quotes->count("\"") || quotes->count("'")) << "the ASCII quotes are not typographic";
    EXPECT_EQ(UTF8String::GetSingleQuoteCharacterSet().count("\xE2\x80\xB9"), 1u); // U+2039
    // A member never matches inside a character; empty members are ignored rather than looping.
    EXPECT_EQ(UTF8String::StringByReplacingCharactersInSet("\xC3\xA9\xA9", {"\xA9", ""}, "-").GetUTF8String(),
              "\xC3\xA9-");
    EXPECT_EQ(UTF8String::StringByRemovingStartingCharactersInSet("ab", {""}).GetUTF8String(), "ab");
    EXPECT_EQ(UTF8String::StringByReplacingCharactersInSet("", whitespace, "-").GetUTF8String(), "");
}

TEST(UTF8String, ComparesUTF16FormsWithAndWithoutCase)
{
    const UTF8String upper("HELLO \xC3\xA9");
    const UTF8StringBase& lower = UTF8String(L"hello \u00E9");
    EXPECT_FALSE(upper.Equals(lower));
    EXPECT_TRUE(upper.EqualsIgnoreCase(lower));
    EXPECT_TRUE(lower.Equals(UTF8String(u"hello \u00E9")));
    EXPECT_FALSE(upper.EqualsIgnoreCase(UTF8String("HELLO \xC3\xA9!")));
    EXPECT_FALSE(upper.EqualsIgnoreCase(UTF8String("HELLO \xC3\xA8")));
    EXPECT_TRUE(UTF8String().EqualsIgnoreCase(UTF8String()));
}

} // namespace
