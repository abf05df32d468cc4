// Base64: known answers, the line layout, round trips, the scrambled variant and bad input to the decoder.
// Version numbers: reading, printing and ordering.
#include "mx/base64.h"
#include "mx/version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

namespace {

// Encoded text, checked to be exactly as long as the encoder says.
std::string Encode(const std::string& data, unsigned lineLength, bool scramble = false)
{
    char* output = nullptr;
    const long long length = mxBase64Encode_Ext(data.data(), int(data.size()), &output, scramble, lineLength);
    EXPECT_NE(output, nullptr);
    std::string text = output ? output : "";
    EXPECT_EQ(length, (long long)text.size()) << "returned length differs from the characters written";
    mxBase64FreeOutput(output);
    return text;
}

struct Decoded {
    bool ok;
    std::string bytes;
};

Decoded Decode(const std::string& text)
{
    char* output = reinterpret_cast<char*>(1);
    const long long length = mxBase64Decode_Ext(text.data(), int(text.size()), &output);
    Decoded decoded{output != nullptr, output ? std::string(output, size_t(length)) : ""};
    if (output) {
        EXPECT_EQ(output[length], '\0');
    } else {
        EXPECT_EQ(length, 0);
    }
    mxBase64FreeOutput(output);
    return decoded;
}

// Every line ends in CR LF and holds at most width characters; only the last may be shorter.
void ExpectLines(const std::string& text, size_t width)
{
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "line without CR LF";
        const size_t line = end - start;
        EXPECT_LE(line, width);
        if (end + 2 < text.size()) {
            EXPECT_EQ(line, width) << "short line before the last";
        }
        start = end + 2;
    }
}

class ScrambledTextAllowed {
public:
    ScrambledTextAllowed() { mxBase64AllowScrambled(true); }
    ~ScrambledTextAllowed() { mxBase64AllowScrambled(false); }
};

} // namespace

TEST(Base64, Rfc4648TestVectors)
{
    // RFC 4648, section 10 (Test Vectors).
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},       {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [data, text] : vectors) {
        SCOPED_TRACE(data);
        EXPECT_EQ(Encode(data, 0), text);
        const Decoded decoded = Decode(text);
        EXPECT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.bytes, data);
    }
}

TEST(Base64, LinesOf72EndInCrLf)
{
    EXPECT_EQ(Encode("abc", 72), "YWJj\r\n");
    EXPECT_EQ(Encode("", 72), "");
    const std::string bytes54(54, 'x');
    const std::string line = Encode(bytes54, 0);
    ASSERT_EQ(line.size(), 72u);
    EXPECT_EQ(Encode(bytes54, 72), line + "\r\n");
    EXPECT_EQ(Encode(bytes54 + "y", 72), line + "\r\n" + "eQ==\r\n");
    for (unsigned width : {73u, 74u, 75u, 65536u + 72u}) {
        SCOPED_TRACE(width);
        EXPECT_EQ(Encode(bytes54 + "y", width), line + "\r\n" + "eQ==\r\n");
    }
    for (unsigned width : {1u, 2u, 3u, 65536u})
        EXPECT_EQ(Encode(bytes54, width), line) << width;
}

TEST(Base64, RoundTripsEveryLengthUpTo300)
{
    std::mt19937 random(20240611);
    for (int length = 0; length <= 300; ++length) {
        std::string data(size_t(length), '\0');
        for (char& c : data)
            c = char(random());
        for (unsigned width : {0u, 4u, 72u}) {
            SCOPED_TRACE("length " + std::to_string(length) + " width " + std::to_string(width));
            const std::string text = Encode(data, width);
            if (width)
                ExpectLines(text, width);
            else
                EXPECT_EQ(text.find('\n'), std::string::npos);
            const Decoded decoded = Decode(text);
            EXPECT_TRUE(decoded.ok);
            EXPECT_EQ(decoded.bytes, data);
        }
    }
}

TEST(Base64, ScrambledTextIsReadOnlyWhenAllowed)
{
    const std::string data = "structure data \x01\x02\xff";
    const std::string text = Encode(data, 72, true);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text[0], '#');
    const int number = (text[1] - '0') + 10 * (text[2] - '0') + 100 * (text[3] - '0'); // digits reversed
    EXPECT_GE(number, 101);
    EXPECT_LT(number, 1000);
    ExpectLines(text, 72);

    EXPECT_FALSE(Decode(text).ok);
    {
        ScrambledTextAllowed allowed;
        for (int length = 0; length <= 100; ++length) {
            const std::string bytes(size_t(length), char(length * 37));
            for (unsigned width : {0u, 4u, 8u, 72u}) {
                SCOPED_TRACE("length " + std::to_string(length) + " width " + std::to_string(width));
                const std::string scrambled = Encode(bytes, width, true);
                if (width)
                    ExpectLines(scrambled, width); // with lines of 4 the prefix is a line of its own
                EXPECT_EQ(Decode(scrambled).bytes, bytes);
            }
        }
    }
    EXPECT_FALSE(Decode(text).ok);
}

TEST(Base64, DecoderRefusesOrSkipsBadInput)
{
    struct Case {
        std::string text;
        bool ok;
        std::string bytes;
    };
    const std::string valid256(256, 'A');
    const Case cases[] = {
        {"!!!!", false, ""},
        {"Zm9v!", false, ""},
        {"#12", false, ""},             // too short to be scrambled: '#' is not Base64
        {"#123Zm9v", false, ""},        // scrambled, not allowed
        {"#12aZm9v", false, ""},
        {std::string("Zm\0v", 4), false, ""},
        {"Zg", true, "f"},              // truncated groups
        {"Zm8", true, "fo"},
        {"Z", true, ""},
        {"Zm9vY", true, "foo"},
        {" Zm 9v\r\nYmFy\t", true, "foobar"},
        {"Zm9v====YmFy", true, "foobar"},
        {valid256.substr(1) + "!", false, ""},
        {valid256 + "!Zm9v", true, std::string(192, '\0') + "foo"}, // past the checked prefix, skipped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        const Decoded decoded = Decode(c.text);
        EXPECT_EQ(decoded.ok, c.ok);
        EXPECT_EQ(decoded.bytes, c.bytes);
    }
    char* output = reinterpret_cast<char*>(1);
    EXPECT_EQ(mxBase64Decode_Ext(nullptr, 5, &output), 0);
    mxBase64FreeOutput(output);
    EXPECT_EQ(mxBase64Decode_Ext("Zm9v", -1, &output), 0);
    mxBase64FreeOutput(output);
    mxBase64FreeOutput(nullptr);
}

TEST(Base64, BinaryToBase64OwnsTheText)
{
    const std::string data("\0\xfe\x10", 3);
    EXPECT_EQ(std::string(mxBinaryToBase64(data, false, 72)), "AP4Q\r\n");
    EXPECT_EQ(std::string(mxBinaryToBase64(std::string(), false, 72)), "");
    const std::string scrambled = mxBinaryToBase64(data, true, 0);
    EXPECT_EQ(scrambled.size(), 8u);
}

TEST(Version, ReadsTwoPartsAroundAPoint)
{
    for (const auto& [text, read] : {std::pair{" 3 . 14 ", "3.14"}, {"a.b", "0.0"}, {"2.05", "2.5"}, {".5", "0.5"}})
        EXPECT_EQ(mxVersion(text).ToString(), read) << text;
    for (const char* bad : {"3", "1.2.3", "", "1.", "'1.2", "1..2"}) {
        SCOPED_TRACE(bad);
        try {
            mxVersion version(bad);
            ADD_FAILURE() << "read as " << version.ToString();
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "mxVersion: Invalid version string");
        }
    }
}

TEST(Version, PrintsComparesAndIncrements)
{
    EXPECT_EQ(mxVersion().ToString(), "1.0");
    EXPECT_LT(mxVersion(1, 9), mxVersion(1, 10));
    EXPECT_FALSE(mxVersion(1, 10) < mxVersion(1, 9));
    EXPECT_LT(mxVersion(1, 99), mxVersion(2, 0));
    EXPECT_EQ(mxVersion("1.10"), mxVersion(1, 10));
    EXPECT_NE(mxVersion(1, 1), mxVersion(1, 0));

    mxVersion version(2, 5);
    version.IncrementMajorVersionNumber();
    EXPECT_EQ(version.ToString(), "3.5");
    version.SetMajorVersionNumber(-1);
    version.SetMinorVersionNumber(7);
    EXPECT_EQ(version.ToString(), "-1.7");
    EXPECT_LT(version, mxVersion(0, 0)); // majors compare signed
}
