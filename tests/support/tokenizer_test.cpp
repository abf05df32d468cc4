// The tokenizer: delimiters and their absorption, empty tokens, quotes and their escaping, unwrapping and
// nest locations, unmatched openers, and unbalanced, deeply nested and very long text.
#include "mx/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using mx::mxTokenizer;

namespace {

struct Token {
    std::string text;
    char delimiter;
    char encloser;
    bool operator==(const Token&) const = default;
};

void PrintTo(const Token& token, std::ostream* out)
{
    *out << '[' << token.text << "] delimiter " << int(token.delimiter) << " encloser " << int(token.encloser);
}

// Every token up to the end, with sentinels in the outputs so an output left unwritten shows.
std::vector<Token> AllTokens(mxTokenizer& tokenizer)
{
    std::vector<Token> tokens;
    Token token{"sentinel", '?', '?'};
    while (tokenizer.Next(token.text, &token.delimiter, &token.encloser)) {
        tokens.push_back(token);
        token = {"sentinel", '?', '?'};
    }
    return tokens;
}

std::vector<Token> AllTokens(const char* text, const char* delimiters = nullptr, unsigned flags = 0)
{
    mxTokenizer tokenizer(text, delimiters, flags);
    auto tokens = AllTokens(tokenizer);
    EXPECT_EQ(tokenizer.GetError(), "") << text;
    return tokens;
}

struct Case {
    const char* text;
    const char* delimiters;
    unsigned flags;
    std::vector<Token> expected;
};

void Check(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text [") + c.text + "] flags " + std::to_string(c.flags));
        EXPECT_EQ(AllTokens(c.text, c.delimiters, c.flags), c.expected);
    }
}

} // namespace

TEST(Tokenizer, BlanksInFrontOfADelimiterAreAbsorbedAndInsideTrimmedOnRequest)
{
    Check({
        {"a, b", nullptr, 0, {{"a", ',', 0}, {"b", 0, 0}}},
        {"a , b", nullptr, 0, {{"a", ',', 0}, {"b", 0, 0}}},
        {"a   b", nullptr, 0, {{"a", ' ', 0}, {"b", 0, 0}}},
        {"a\tb\r\nc", nullptr, 0, {{"a", '\t', 0}, {"b", '\r', 0}, {"", '\n', 0}, {"c", 0, 0}}},
        {" x ; y ", ";", 0, {{"x", ';', 0}, {"y", 0, 0}}},
        {"one two", "", 0, {{"one two", 0, 0}}},
        {" a b  c ;d", ";", mxTokenizer::TrimInside, {{"abc", ';', 0}, {"d", 0, 0}}},
        {"'a b'", ";", mxTokenizer::TrimInside, {{"ab", 0, '\''}}},
    });
}

TEST(Tokenizer, EmptyTokensAtStartAndBetweenButNotAtTheEnd)
{
    Check({
        {",,", nullptr, 0, {{"", ',', 0}, {"", ',', 0}}},
        {",,", nullptr, mxTokenizer::SkipEmptyTokens, {}},
        {",a", nullptr, 0, {{"", ',', 0}, {"a", 0, 0}}},
        {"a,", nullptr, 0, {{"a", ',', 0}}},
        {"a,,b", nullptr, 0, {{"a", ',', 0}, {"", ',', 0}, {"b", 0, 0}}},
        // A skipped empty token leaves neither its delimiter nor its encloser to the next one.
        {"a,,b", nullptr, mxTokenizer::SkipEmptyTokens, {{"a", ',', 0}, {"b", 0, 0}}},
        {"'',a", nullptr, mxTokenizer::SkipEmptyTokens, {{"a", 0, 0}}},
        {"", nullptr, 0, {}},
        {"   ", nullptr, 0, {}},
    });
}

TEST(Tokenizer, QuotedTokensUnwrapUnlessKept)
{
    Check({
        {"'x y',z", nullptr, 0, {{"x y", ',', '\''}, {"z", 0, 0}}},
        {"'x y',z", nullptr, mxTokenizer::KeepEnclosers, {{"'x y'", ',', 0}, {"z", 0, 0}}},
        {"'a,b' c", nullptr, 0, {{"a,b", ' ', '\''}, {"c", 0, 0}}},
        {"pre'a b'post", nullptr, 0, {{"pre'a b'post", 0, 0}}},
        // Trailing blanks are trimmed before unwrapping, with or without a delimiter after them.
        {"x;'b c' ", ";", 0, {{"x", ';', 0}, {"b c", 0, '\''}}},
        {"x;'b c' ;", ";", 0, {{"x", ';', 0}, {"b c", ';', '\''}}},
        {"'a b'", nullptr, mxTokenizer::NoDefaultNesting, {{"'a", ' ', 0}, {"b'", 0, 0}}},
        // A delimiter that opens a group starts the next token.
        {"ab'c d'", "',", 0, {{"ab", '\'', 0}, {"c d", 0, '\''}}},
    });
    mxTokenizer tokenizer("  'x y'", nullptr, 0);
    std::string token;
    ASSERT_TRUE(tokenizer.Next(token));
    EXPECT_EQ(tokenizer.StartOfCurrentToken(true), 2);
    EXPECT_EQ(tokenizer.StartOfCurrentToken(false), 3);
}

TEST(Tokenizer, DoubledQuoteInsideQuotesIsOneQuote)
{
    Check({
        {R"("a""b")", nullptr, 0, {{R"(a"b)", 0, '"'}}},
        {R"("""")", nullptr, 0, {{R"(")", 0, '"'}}},
        {R"("")", nullptr, 0, {{"", 0, '"'}}},
        {"'it''s'", nullptr, 0, {{"it's", 0, '\''}}},
        // Without escaping the first closing quote ends the group: two groups, nothing unwrapped.
        {R"("a""b")", nullptr, mxTokenizer::NoDoubledQuoteEscape, {{R"("a""b")", 0, 0}}},
    });
    mxTokenizer tokenizer(R"("a""b")", nullptr, mxTokenizer::NoDoubledQuoteEscape);
    std::string token;
    ASSERT_TRUE(tokenizer.Next(token));
    EXPECT_EQ(tokenizer.GetNestCharacterLocations(), (mxTokenizer::NestLocations{{0, 3}, {3, 6}}));
}

TEST(Tokenizer, UnmatchedOpenerIsAnErrorUnlessOrdinary)
{
    mxTokenizer tokenizer(R"(a "bcdefghijkl)", nullptr, 0);
    std::string token;
    ASSERT_TRUE(tokenizer.Next(token));
    EXPECT_EQ(token, "a");
    token = "sentinel";
    EXPECT_FALSE(tokenizer.Next(token));
    EXPECT_EQ(tokenizer.GetError(), R"(Unmatched " at ""bcdefgh")");
    EXPECT_EQ(token, "");
    // After the error the text counts as exhausted.
    EXPECT_FALSE(tokenizer.Next(token));
    EXPECT_EQ(tokenizer.GetError(), "");

    Check({
        {"a 'bc", nullptr, mxTokenizer::UnmatchedOpenerIsOrdinary, {{"a", ' ', 0}, {"'bc", 0, 0}}},
        {"'x", ";", mxTokenizer::UnmatchedOpenerIsOrdinary, {{"'x", 0, 0}}},
        {"'x;'y'", ";", mxTokenizer::UnmatchedOpenerIsOrdinary, {{"'x;'y'", 0, 0}}},
    });
}

TEST(Tokenizer, NestedGroupsUnwrapCompletelyAndReportTheirLocations)
{
    struct NestCase {
        const char* text;
        const char* expected;
        char encloser;
        mxTokenizer::NestLocations locations;
        int tokenStart;
    };
    const NestCase cases[] = {
        {"((x))", "x", '(', {}, 2},
        {"[(a b)]", "a b", '[', {}, 2},
        {"(a)(b)", "(a)(b)", 0, {{0, 3}, {3, 6}}, 0},
        {"((a)b)", "(a)b", '(', {{0, 3}}, 1},
        {"x(a[b])y", "x(a[b])y", 0, {{3, 6}, {1, 7}}, 0},
        {"('a)')", "a)", '(', {}, 2}, // quotes inside brackets are groups; brackets inside quotes are not
        {"[a,b],c", "a,b", '[', {}, 1},
    };
    for (const NestCase& c : cases) {
        SCOPED_TRACE(c.text);
        mxTokenizer tokenizer(c.text, ",", 0);
        tokenizer.SetNestingCharacters("()[]''");
        std::string token;
        char encloser = '?';
        ASSERT_TRUE(tokenizer.Next(token, nullptr, &encloser));
        EXPECT_EQ(token, c.expected);
        EXPECT_EQ(encloser, c.encloser);
        EXPECT_EQ(tokenizer.StartOfCurrentToken(false), c.tokenStart);
        EXPECT_EQ(tokenizer.StartOfCurrentToken(true), 0);
        EXPECT_EQ(tokenizer.GetNestCharacterLocations(), c.locations);
    }
}

// Trimming moves or removes characters after the groups were found: the locations follow their groups.
TEST(Tokenizer, NestLocationsFollowTrimming)
{
    std::string token;
    mxTokenizer inside("a (b) c", ",", mxTokenizer::TrimInside);
    inside.SetNestingCharacters("()");
    ASSERT_TRUE(inside.Next(token));
    EXPECT_EQ(token, "a(b)c");
    EXPECT_EQ(inside.GetNestCharacterLocations(), (mxTokenizer::NestLocations{{1, 4}}));

    // A closer that is also a trim character goes with the trailing blanks, and its group with it.
    mxTokenizer trimmed("x<y>", ",", 0);
    trimmed.SetNestingCharacters("<>");
    trimmed.SetTrimCharacters(" >");
    ASSERT_TRUE(trimmed.Next(token));
    EXPECT_EQ(token, "x<y");
    EXPECT_TRUE(trimmed.GetNestCharacterLocations().empty());
}

TEST(Tokenizer, DelimiterStrings)
{
    const char* strings[] = {"::", ";", ""};
    mxTokenizer tokenizer("a::b ; c:d", nullptr, 0);
    tokenizer.SetDelimiters(3, strings);
    EXPECT_EQ(AllTokens(tokenizer), (std::vector<Token>{{"a", ':', 0}, {"b", ';', 0}, {"c:d", 0, 0}}));

    // The first string in list order wins at a position; an empty string never matches.
    const char* overlapping[] = {"", "a", "ab"};
    mxTokenizer first("xaby", nullptr, 0);
    first.SetDelimiters(3, overlapping);
    EXPECT_EQ(AllTokens(first), (std::vector<Token>{{"x", 'a', 0}, {"by", 0, 0}}));

    const char* onlyEmpty[] = {""};
    mxTokenizer none("p q", nullptr, mxTokenizer::SkipEmptyTokens);
    none.SetDelimiters(1, onlyEmpty);
    EXPECT_EQ(AllTokens(none), (std::vector<Token>{{"p q", 0, 0}}));
}

TEST(Tokenizer, CursorResidueAndCopies)
{
    mxTokenizer tokenizer("a,  b c", nullptr, 0);
    std::string token;
    ASSERT_TRUE(tokenizer.Next(token));
    EXPECT_EQ(tokenizer.GetCursor(), 2);
    mxTokenizer copy(tokenizer);
    EXPECT_EQ(tokenizer.GetResidue(), "b c");
    EXPECT_EQ(tokenizer.GetCursor(), 4);
    ASSERT_TRUE(copy.Next(token));
    EXPECT_EQ(token, "b");

    tokenizer.SetCursor(-5);
    ASSERT_TRUE(tokenizer.Next(token));
    EXPECT_EQ(token, "a");
    tokenizer.SetCursor(1000);
    EXPECT_FALSE(tokenizer.Next(token));
    EXPECT_EQ(tokenizer.GetResidue(), "");

    tokenizer.SetTrimCharacters(nullptr);
    EXPECT_EQ(tokenizer.GetTrimCharacters(), "");
    tokenizer.SetDelimiters(",");
    tokenizer.SetCursor(0);
    EXPECT_EQ(AllTokens(tokenizer), (std::vector<Token>{{"a", ',', 0}, {"  b c", 0, 0}}));
}

TEST(Tokenizer, UnbalancedNestedAndVeryLongText)
{
    constexpr int depth = 100000;
    const std::string open(depth, '(');
    const std::string close(depth, ')');
    std::string token;

    mxTokenizer balanced(open + "x" + close, ",", 0);
    balanced.SetNestingCharacters("()");
    ASSERT_TRUE(balanced.Next(token));
    EXPECT_EQ(token, "x");
    EXPECT_EQ(balanced.StartOfCurrentToken(false), depth);

    mxTokenizer unbalanced(open, ",", 0);
    unbalanced.SetNestingCharacters("()");
    EXPECT_FALSE(unbalanced.Next(token));
    EXPECT_EQ(unbalanced.GetError(), R"x(Unmatched ( at "(")x"); // the innermost open group

    // Every opener runs to the end of the text; each is scanned once, not once per enclosing opener.
    mxTokenizer ordinary(open + "," + open + ")", ",", mxTokenizer::UnmatchedOpenerIsOrdinary);
    ordinary.SetNestingCharacters("()");
    ASSERT_TRUE(ordinary.Next(token));
    EXPECT_EQ(token, open);
    ASSERT_TRUE(ordinary.Next(token));
    EXPECT_EQ(token.size(), size_t(depth) + 1);
    EXPECT_FALSE(ordinary.Next(token));

    const std::string quotes(depth + 2, '"'); // opener, doubled quotes, closer
    EXPECT_EQ(AllTokens(quotes.c_str()), (std::vector<Token>{{std::string(depth / 2, '"'), 0, '"'}}));

    std::string list;
    for (int i = 0; i < 50000; ++i)
        list += "name" + std::to_string(i) + ":'v;" + std::to_string(i) + "';";
    mxTokenizer many(list, ";:", 0);
    int count = 0;
    while (many.Next(token))
        ++count;
    EXPECT_EQ(count, 100000);
    EXPECT_EQ(token, "");
}
