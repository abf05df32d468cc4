// String functions: search and replace, prefix tests, line breaks, integer reading, number formatting.
#include "mx/strings.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdint>
#include <string>

using namespace mx;

TEST(Strings, ReplaceScansLeftToRightWithoutRescanning)
{
    EXPECT_EQ(str_replace("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(str_replace("a-b-c", "-", "+", mxCaseSensitive, true), "a+b-c");
    EXPECT_EQ(str_replace("Hello hello", "HELLO", "bye", mxIgnoreCase), "bye bye");
    EXPECT_EQ(str_replace("Hello hello", "HELLO", "bye", mxCaseSensitive), "Hello hello");
    EXPECT_EQ(str_replace("keep", "", "x"), "keep");
    EXPECT_EQ(str_replace("keep", nullptr, "x"), "keep");
    EXPECT_EQ(str_replace("drop me", " me", nullptr), "drop");
}

TEST(Strings, ReplaceStringCountsWholeWordsAndStopsAtTheLimit)
{
    struct Case {
        const char* text;
        const char* find;
        mxMatchCase matchCase;
        mxWholeWordOnly wholeWord;
        const char* wordCharacters;
        int maxCount;
        const char* expected;
        int count;
    };
    const Case cases[] = {
        {"cat concat cat_x cat.", "cat", mxCaseSensitive, mxWholeWords, "_", -1, "dog concat cat_x dog.", 2},
        {"cat concat cat_x cat.", "cat", mxCaseSensitive, mxWholeWords, "", -1, "dog concat dog_x dog.", 3},
        {"cat concat cat_x cat.", "cat", mxCaseSensitive, mxAnyMatch, "_", -1, "dog condog dog_x dog.", 4},
        {"CAT cat", "cat", mxIgnoreCase, mxWholeWords, "_", 1, "dog cat", 1},
        {"cat cat", "cat", mxCaseSensitive, mxAnyMatch, "_", 0, "cat cat", 0},
        {"cat", "", mxCaseSensitive, mxAnyMatch, "_", -1, "cat", 0},
        // The character before a match is what the replacement left there.
        {"--", "-", mxCaseSensitive, mxWholeWords, "_", -1, "dog-", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.find);
        std::string text = c.text;
        EXPECT_EQ(str_replaceString(text, c.find, "dog", c.matchCase, c.wholeWord, c.wordCharacters, c.maxCount),
                  c.count);
        EXPECT_EQ(text, c.expected);
    }
}

TEST(Strings, ContainsAndStartsWith)
{
    EXPECT_TRUE(str_contains("Content-Type", "type", mxIgnoreCase));
    EXPECT_FALSE(str_contains("Content-Type", "type", mxCaseSensitive));
    EXPECT_TRUE(str_contains("x", ""));

    struct Case {
        const char* text;
        const char* prefix;
        mxMatchCase matchCase;
        bool expected;
    };
    const Case cases[] = {
        {"Velmora", "vel", mxIgnoreCase, true}, {"Velmora", "vel", mxCaseSensitive, false},
        {"Vel", "Velmora", mxCaseSensitive, false}, {"abc", "", mxCaseSensitive, true},
        {nullptr, nullptr, mxCaseSensitive, true},  {nullptr, "", mxCaseSensitive, true},
        {nullptr, "a", mxCaseSensitive, false},     {"", nullptr, mxCaseSensitive, true},
        {"a", nullptr, mxCaseSensitive, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text ? c.text : "(null)") + " / " + (c.prefix ? c.prefix : "(null)"));
        EXPECT_EQ(str_startsWith(c.text, c.prefix, c.matchCase), c.expected);
    }
}

TEST(Strings, RemoveNewLines)
{
    std::string text = "a\r\nb\nc\r";
    EXPECT_EQ(str_removeNewLines(text), "abc");
    text = "a\r\nb";
    EXPECT_EQ(&str_removeNewLines(text, ' '), &text);
    EXPECT_EQ(text, "a  b");
}

TEST(Strings, StrToIntReadsLikeScanf)
{
    const std::pair<const char*, int> cases[] = {
        {nullptr, 0}, {"", 0}, {"abc", 0}, {"42abc", 42}, {" \t-7", -7}, {"+5", 5}, {"0x10", 0},
        {"99999999999", INT_MAX}, {"-99999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(mxStrToInt(text), value) << (text ? text : "(null)");
}

TEST(Strings, NumToStrFitsTheFormatToTheNumber)
{
    EXPECT_EQ(NumToStr(0xFEDCBA9876543210ull, "%X"), "FEDCBA9876543210");
    EXPECT_EQ(NumToStr(0xFEDCBA9876543210ull, "%I64X"), "FEDCBA9876543210");
    EXPECT_EQ(NumToStr(0xABCull, "%08x"), "00000abc");
    EXPECT_EQ(NumToStr(1ll << 40, "%d"), "1099511627776");
    EXPECT_EQ(NumToStr(-5ll, "%I64d"), "-5");
    EXPECT_EQ(NumToStr(-12, "[%5d]"), "[  -12]");
    EXPECT_EQ(NumToStr(4000000000u, "%u"), "4000000000");
    EXPECT_EQ(NumToStr(50, "%d%%"), "50%");
    EXPECT_EQ(NumToStr(2.5, "%.3lf"), "2.500");
    EXPECT_EQ(NumToStr(1.0, "%.300f").size(), 302u); // longer than any fixed buffer would be
    // Formats that do not fit the number are not handed to printf.
    EXPECT_EQ(NumToStr(5, "%f"), "5");
    EXPECT_EQ(NumToStr(2.5, "%d"), "2.5");
    for (const char* unfit : {"%d %d", "%s", "%n", "%*d"})
        EXPECT_EQ(NumToStr(7, unfit), "7") << unfit;
    // Without a format: a default output string stream.
    EXPECT_EQ(NumToStr(3.0), "3");
    EXPECT_EQ(NumToStr(1234567.0), "1.23457e+06");
    EXPECT_EQ(NumToStr(-9223372036854775807ll - 1), "-9223372036854775808");
    EXPECT_EQ(NumToStr(18446744073709551615ull), "18446744073709551615");
    EXPECT_EQ(NumToStr(static_cast<const void*>(nullptr)), "0");
    EXPECT_EQ(NumToStr(reinterpret_cast<const void*>(std::uintptr_t(0xFFFF800012345678ull))), "FFFF800012345678");
}

TEST(Strings, NumToStrUsesAPointWhateverTheNumericLocale)
{
    std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const char* commaLocales[] = {"de_DE.UTF-8", "de_DE", "German_Germany.1252", "German"};
    const char* switched = nullptr;
    for (const char* name : commaLocales)
        if ((switched = std::setlocale(LC_NUMERIC, name)))
            break;
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma here";
    EXPECT_EQ(NumToStr(2.5, "%.1f"), "2.5");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), switched);
    std::setlocale(LC_NUMERIC, before.c_str());
}
