// The fetch's text handling: answer files as the download server writes them (and as it writes them
// badly), token and file type lists, request URLs and templates, and the version in key paths.
#include "netfile/FetchText.h"

#include <gtest/gtest.h>

using namespace netfile;

TEST(AnswerLines, EndAtLineFeedAndTooLongOrBadLinesAreUnusable)
{
    const std::string longest(kMaxAnswerLine, 'a');
    struct Case {
        std::string text;
        std::vector<std::string> lines;
        std::vector<bool> unusable;
    };
    const Case cases[] = {
        {"", {}, {}},
        {"SUCD", {"SUCD"}, {false}},
        {"SUCD\r\nx=1\n", {"SUCD", "x=1", ""}, {false, false, false}},
        {"\n\r\n", {"", "", ""}, {false, false, false}},
        {longest + "\nb", {longest, "b"}, {false, false}},
        // A line cut at the limit blanks the rest of the answer.
        {longest + "aa\r\nb\nc", {longest, "", ""}, {true, false, false}},
        {std::string("a\0b\nc\rd\ne\r\n", 11), {std::string("a\0b", 3), "c\rd", "e", ""}, {true, true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        AnswerLineReader reader(c.text);
        std::vector<std::string> lines;
        std::vector<bool> unusable;
        for (std::string line = "sentinel"; reader.ReadOneLine(line);) {
            lines.push_back(line);
            unusable.push_back(reader.LastLineUnusable());
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(unusable, c.unusable);
    }
}

TEST(InitAnswer, CountsOnlyWithFourRightLines)
{
    struct Case {
        std::string text;
        bool counts;
        const char* tokens; // what the outputs hold afterwards
        const char* caption;
    };
    const std::string overlong = "tkns=ID:" + std::string(kMaxAnswerLine, 'x');
    const Case cases[] = {
        {"SUCD\r\ntkns=ID:PDB ID\r\ncptn=Protein Data Bank\r\nflxt=pdb:PDB file\r\n", true, "ID:PDB ID",
         "Protein Data Bank"},
        // An empty caption fails the file, but the token text before it has been taken.
        {"SUCD\ntkns=ID:PDB ID\ncptn=\nflxt=pdb:PDB file\n", false, "ID:PDB ID", "old"},
        {"FAIL\ntkns=ID:PDB ID\ncptn=PDB\nflxt=pdb:PDB file\n", false, "old", "old"},
        {"sucd\ntkns=ID:PDB ID\ncptn=PDB\nflxt=pdb:PDB file\n", false, "old", "old"},
        {"SUCD\ncptn=PDB\ntkns=ID:PDB ID\nflxt=pdb:PDB file\n", false, "old", "old"},
        // A token list cut at the line limit is not what the server meant; nothing is taken from it.
        {"SUCD\n" + overlong + "\ncptn=PDB\nflxt=pdb:PDB file\n", false, "old", "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        std::string tokens = "old", caption = "old", fileTypes = "old";
        EXPECT_EQ(ReadInitAnswer(c.text, tokens, caption, fileTypes), c.counts);
        EXPECT_EQ(tokens, c.tokens);
        EXPECT_EQ(caption, c.caption);
        if (c.counts) {
            EXPECT_EQ(fileTypes, "pdb:PDB file");
        }
    }
}

TEST(LinkAnswer, GetCountsFromThreeLinesPostNeedsHeaders)
{
    struct Case {
        std::string text;
        bool counts;
        const char* method;
        const char* headers;
        bool fourth;
        const char* saveAs;
    };
    const Case cases[] = {
        {"SUCD\nmthd=GET\nlink=http://files.example/1ABC.pdb", true, "GET", "", false, ""},
        {"SUCD\r\nmthd=GET\r\nlink=http://files.example/x\r\nrqhd=Ignored: yes\r\nsvas=1abc.pdb\r\n", true, "GET",
         "", true, "1abc.pdb"},
        // The fourth line of a GET may be anything; it lets the fifth be read.
        {"SUCD\nmthd=GET\nlink=http://files.example/x\n\nsvas=1abc.pdb\n", true, "GET", "", true, "1abc.pdb"},
        {"SUCD\nmthd=POST\nlink=http://files.example/q?id=1\nrqhd=Content-Type: text/plain\n", true, "POST",
         "Content-Type: text/plain", true, ""},
        // A POST without headers does not count, yet its fifth line still names the file.
        {"SUCD\nmthd=POST\nlink=http://files.example/q?id=1\nnone=\nsvas=entry.pdb\n", false, "POST", "", true,
         "entry.pdb"},
        {"SUCD\nmthd=POST\nlink=http://files.example/q?id=1", false, "POST", "", false, ""},
        {"SUCD\nmthd=PUT\nlink=http://files.example/x\n", false, "PUT", "", false, ""},
        {"SUCD\nmthd=GET\nlink=\n", false, "GET", "", false, ""},
        {"SUCD\nmthd=GET\nlink=http://files.example/x\nrqhd=\nsvas=\n", true, "GET", "", true, ""},
        // A link cut at the line limit, or with a CR of its own, would fetch something else.
        {"SUCD\nmthd=GET\nlink=http://files.example/" + std::string(kMaxAnswerLine, 'x') + "\n", false, "GET", "",
         false, ""},
        {"SUCD\nmthd=GET\nlink=http://files.example/x\rHost: elsewhere\n", false, "GET", "", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 80));
        LinkAnswer answer = ReadLinkAnswer(c.text);
        EXPECT_EQ(answer.counts, c.counts);
        EXPECT_EQ(answer.method, c.method);
        EXPECT_EQ(answer.headers, c.headers);
        EXPECT_EQ(answer.fourthLineRead, c.fourth);
        EXPECT_EQ(answer.saveAs, c.saveAs);
    }
}

TEST(Lists, EntriesNeedAKeyBeforeTheirColon)
{
    StringPairs list = {{"stale", "entry"}};
    ParseArray("ID:PDB ID;:x;;CHAIN:Chain", list);
    EXPECT_EQ(list, (StringPairs {{"ID", "PDB ID"}, {"CHAIN", "Chain"}}));

    // Trimming comes after the test, so a blank before the colon leaves an empty key; the first colon splits.
    ParseArray(" :x; \tpdb : Protein Data Bank ;url:http://a.example/x;plain", list);
    EXPECT_EQ(list, (StringPairs {{"", "x"}, {"pdb", "Protein Data Bank"}, {"url", "http://a.example/x"}}));

    ParseArray("", list);
    EXPECT_TRUE(list.empty());

    std::string key = "k", value = "v";
    EXPECT_FALSE(SeparateStr(":x", key, value));
    EXPECT_EQ(key + value, "kv");
}

TEST(Urls, InputValuesFillTokensInOrderAndEscaped)
{
    const StringPairs tokens = {{"ID", "PDB ID"}, {"CHAIN", "Chain"}, {"MODEL", "Model"}};
    EXPECT_EQ(TokenQuery(tokens, {"1ABC", "A"}), "&ID=1ABC&CHAIN=A");
    EXPECT_EQ(TokenQuery(tokens, {"1ABC&task=x", "A B", "..", "1.2"}), "&ID=1ABC%26task%3Dx&CHAIN=A%20B&MODEL=%2E%2E");
    EXPECT_EQ(FillURLTemplate("http://files.example/download/ID.pdb", tokens, {"../../etc/x"}),
              "http://files.example/download/..%2F..%2Fetc%2Fx.pdb");
    EXPECT_EQ(EscapeInputValue("1abc-_.~\xe9"), "1abc-_.~%E9");
}

TEST(Urls, ReplacementNeverExpandsItsOwnValue)
{
    EXPECT_EQ(ReplaceToken("http://a.example/%ID%/%ID%.pdb", "%ID%", "x%ID%y"), "http://a.example/x%ID%y/x%ID%y.pdb");
    EXPECT_EQ(ReplaceToken("ID-ID", "ID", "IDID"), "IDID-IDID");
    EXPECT_EQ(ReplaceToken("ab", "ab", "a much longer value"), "a much longer value");
    EXPECT_EQ(ReplaceToken("http://a.example/", "", "x"), "http://a.example/");
}

TEST(Urls, TemplateValuesAreNotExpandedByOtherTokens)
{
    const StringPairs tokens = {{"ID", "PDB ID"}, {"CHAIN", "Chain"}};
    // A value that is another token's name stays the user's value.
    EXPECT_EQ(FillURLTemplate("http://a.example/ID/CHAIN.pdb", tokens, {"CHAIN", "A"}), "http://a.example/CHAIN/A.pdb");
    // Nor does a value joined to the template text after it make a token.
    EXPECT_EQ(FillURLTemplate("http://a.example/IDAIN", {{"ID", "x"}, {"CHAIN", "y"}}, {"1CH", "B"}),
              "http://a.example/1CHAIN");
    // Where one token name holds another, the longer one at a place is that token, whatever their order.
    EXPECT_EQ(FillURLTemplate("http://a.example/PDBID/ID", {{"ID", "x"}, {"PDBID", "y"}}, {"1abc", "2def"}),
              "http://a.example/2def/1abc");
}

TEST(Configuration, VersionFromTheElementBeforeExtensions)
{
    EXPECT_EQ(VersionFromKeyPath("SOFTWARE\\Quennardix\\Velmora\\19.0\\Extensions\\Fetch\\PDB"), "19.0");
    EXPECT_EQ(VersionFromKeyPath("Software\\Q\\Korvane\\20.1\\EXTENSIONS\\x"), "20.1");
    EXPECT_EQ(VersionFromKeyPath("SOFTWARE\\Quennardix\\Velmora\\19.0\\Menus\\PDB"), "0");
    EXPECT_EQ(VersionFromKeyPath("\\Extensions\\x"), "0");
    EXPECT_EQ(VersionFromKeyPath("19.0\\Extensions\\x"), "0");
    EXPECT_EQ(VersionFromKeyPath("a\\\\Extensions"), "0");
}
