// Percent escapes read as UTF-8 (what Wine's UrlUnescapeW lacks), and cutting escaped text to a buffer's size
// without splitting an escape or a character.
#include "framework/url_unescape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Show(const std::u16string& text)
{
    std::string shown;
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown.push_back(static_cast<char>(c));
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            shown += escape;
        }
    }
    return shown;
}

} // namespace

TEST(UrlUnescapeAsUtf8, DecodesEscapedUtf8AndKeepsWhatIsNotAnEscape)
{
    const struct {
        std::u16string escaped;
        std::u16string text;
    } cases[] = {
        {u"http://p.example/Z%C3%BCrich%20campus", u"http://p.example/Zürich campus"},
        {u"%c3%bc", u"ü"},                                   // either case of hexadecimal digits
        {u"%F0%9F%A7%AA", u"\U0001F9EA"},                    // four bytes: a surrogate pair
        {u"%E2%82%AC%E2%82%AC", u"€€"},
        {u"a+b", u"a+b"},                                    // "+" is no blank in a URL
        {u"100%", u"100%"}, {u"%2", u"%2"}, {u"%zz%2g", u"%zz%2g"},
        {u"a%00b", u"a%00b"},                                // a zero would end the text at the window
        {u"Zürich", u"Zürich"},                              // unescaped text passes unchanged
        // Bytes that start no well-formed character stand for themselves, as without the flag.
        {u"%E4", u"ä"},                                      // an escaped Latin-1 letter
        {u"%C3", u"\u00C3"}, {u"%C3%28", u"\u00C3("},        // cut short
        {u"%C0%AF", u"\u00C0\u00AF"},                        // overlong "/"
        {u"%ED%A0%80", u"\u00ED\u00A0\u0080"},               // an encoded surrogate
        {u"%F4%90%80%80", u"\u00F4\u0090\u0080\u0080"},      // above U+10FFFF
        {u"%BC%C3%BC", u"\u00BCü"},                          // a stray continuation byte, then a whole letter
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.escaped));
        EXPECT_EQ(Show(fw::UrlUnescapeAsUtf8(c.escaped)), Show(c.text));
    }
}

TEST(UrlUnescapeAsUtf8, CutsKeepWholeEscapesCharactersAndSurrogatePairs)
{
    const struct {
        std::u16string text;
        std::size_t limit;
        std::u16string kept;
    } escapedCases[] = {
        {u"ab%C3%BC", 8, u"ab%C3%BC"},  // fits
        {u"ab%C3%BC", 7, u"ab"},        // inside the second escape
        {u"ab%C3%BC", 5, u"ab"},        // the first escape whole, but not the letter
        {u"ab%C3%BC", 3, u"ab"},        // inside the first escape
        {u"ab%20cd", 4, u"ab"},
        {u"ab%20cd", 5, u"ab%20"},
        {u"%F0%9F%A7%AAx", 12, u"%F0%9F%A7%AA"},
        {u"%F0%9F%A7%AAx", 11, u""},
        {u"a%BC%BCb", 7, u"a%BC%BC"},   // continuation bytes without a lead are characters of their own
        {u"a\U0001F9EAb", 2, u"a"},     // not between the two halves of a pair
        {u"100%", 3, u"100"},
    };
    for (const auto& c : escapedCases) {
        SCOPED_TRACE(Show(c.text) + " to " + std::to_string(c.limit));
        EXPECT_EQ(Show(std::u16string(fw::CutEscapedAtBoundary(c.text, c.limit))), Show(c.kept));
    }
    EXPECT_EQ(fw::CutAtCodePoint(u"a\U0001F9EA", 2), u"a");
    EXPECT_EQ(fw::CutAtCodePoint(u"a\U0001F9EA", 3), u"a\U0001F9EA");
    EXPECT_EQ(fw::CutAtCodePoint(u"abc", 2), u"ab");
}
