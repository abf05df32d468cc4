// The .reg text reader: what administrators write, and what it must refuse.
#include "regtext.h"

#include <gtest/gtest.h>

using regtext::Action;
using regtext::Parse;
using regtext::ParseError;

TEST(RegText, ReadsKeysValuesAndContinuations)
{
    auto ops = Parse("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                     "; comment\r\n"
                     "[HKEY_CURRENT_USER\\Software\\A\\]\r\n"
                     "@=\"default\"\r\n"
                     "\"Quoted \\\"name\\\"\"=\"C:\\\\path\"\r\n"
                     "\"N\"=dword:ffffffff\r\n"
                     "\"Q\"=hex(b):01,00,00,00,\\\r\n"
                     "  00,00,00,00\r\n"
                     "\"Gone\"=-\r\n"
                     "[-HKLM\\Software\\B]\r\n");
    ASSERT_TRUE(ops);
    ASSERT_EQ(ops->size(), 7u);
    EXPECT_EQ((*ops)[0].action, Action::CreateKey);
    EXPECT_EQ((*ops)[0].hive, "HKEY_CURRENT_USER");
    EXPECT_EQ((*ops)[0].path, "Software\\A");
    EXPECT_EQ((*ops)[1].name, "");
    EXPECT_EQ((*ops)[1].text, "default");
    EXPECT_EQ((*ops)[2].name, "Quoted \"name\"");
    EXPECT_EQ((*ops)[2].text, "C:\\path");
    EXPECT_EQ((*ops)[3].data, (std::vector<std::uint8_t>{0xff, 0xff, 0xff, 0xff}));
    EXPECT_EQ((*ops)[4].type, regtext::kQword);
    EXPECT_EQ((*ops)[4].data.size(), 8u);
    EXPECT_EQ((*ops)[4].line, 8);
    EXPECT_EQ((*ops)[5].action, Action::DeleteValue);
    EXPECT_EQ((*ops)[5].name, "Gone");
    EXPECT_EQ((*ops)[6].action, Action::DeleteKey);
    EXPECT_EQ((*ops)[6].hive, "HKLM");
    EXPECT_EQ((*ops)[6].path, "Software\\B");
}

TEST(RegText, RefusesMalformedTextWithTheLine)
{
    struct Case {
        const char* text;
        int line;
        const char* message;
    } cases[] = {
        {"", 0, "empty text"},
        {"REGEDIT5\n", 1, "the first line must be REGEDIT4 or Windows Registry Editor Version 5.00"},
        {"REGEDIT4\n\"V\"=\"x\"\n", 2, "a value outside a key"},
        {"REGEDIT4\n[HKCU\\K\n", 2, "a key line must end with ]"},
        {"REGEDIT4\n[HKCU\\K]\n\"V\"=\"open\n", 3, "unterminated string"},
        {"REGEDIT4\n[HKCU\\K]\n\"V\"=dword:123456789\n", 3, "a dword needs 1 to 8 hexadecimal digits"},
        {"REGEDIT4\n[HKCU\\K]\n\"V\"=hex:0g\n", 3, "bad hexadecimal byte"},
        {"REGEDIT4\n[HKCU\\K]\n\"V\"=hex:01,\\\n", 3, "the text ends inside a continued line"},
        {"REGEDIT4\n[HKCU\\K]\nV=\"x\"\n", 3, "a value line must start with a quoted name or @"},
        {"REGEDIT4\n[HKCU\\K]\n\"V\"=str:x\n", 3, "unknown value data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ParseError error;
        EXPECT_FALSE(Parse(c.text, &error));
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.message, c.message);
    }
}

TEST(RegText, ReadsTheTextOfFilesAsRegeditAndEditorsSaveThem)
{
    using namespace std::string_literals;
    // "[K]" + U+00C4 + U+1F600 (a surrogate pair) + an unpaired low surrogate, then a stray odd byte.
    const std::string littleEndian = "\xFF\xFE[\0K\0]\0\xC4\0\x3D\xD8\x00\xDE\x00\xDC!"s;
    EXPECT_EQ(regtext::TextOfFile(littleEndian), "[K]\xC3\x84\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_EQ(regtext::TextOfFile("\xFE\xFF\0[\0K\0]\x00\xC4"s), "[K]\xC3\x84");
    EXPECT_EQ(regtext::TextOfFile("\xEF\xBB\xBFREGEDIT4"), "REGEDIT4");
    EXPECT_EQ(regtext::TextOfFile("REGEDIT4\r\n"), "REGEDIT4\r\n");
}
