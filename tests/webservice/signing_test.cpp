// Request signatures and UUIDs. Expected signatures were computed
// independently (HMAC-SHA256 of the system code page bytes, standard Base64).
#include "webservice/Signing.h"
#include "webservice/SigningText.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <set>

namespace {

const std::string date = "Mon, 01 Jan 2024 10:00:00 GMT";
const std::string body = "searchType=substructure&structure=CCO";
const HeaderMap headers = {{"X-Date", date}, {"Content-Type", "application/x-www-form-urlencoded"}};

} // namespace

TEST(Signature, FollowsTheFieldListAndTheKey)
{
    struct Case {
        const char* recipe;
        std::string body;
        const char* signature;
    };
    const Case cases[] = {
        // Exactly the body bytes.
        {"sign(Request_Body)secret", body, "AurQq+X1iVTXcPqWkdFRX7/a7sy0k2p5eJRW5KpLrg0="},
        // Field order decides the order in the message; blanks around names and quotes are removed.
        {"sign(X-Date|Request_Body)secret", body, "JbC2vdbw7zGqwHjdzlOd1yUMdTTl/pgm8tOr0QFj7WM="},
        {"sign( X-Date | 'Request_Body' )secret", body, "JbC2vdbw7zGqwHjdzlOd1yUMdTTl/pgm8tOr0QFj7WM="},
        {"sign(Request_Body|X-Date)secret", body, "e/s+00uEvFoEAU4IvsvjQ40fNhHJlrXW4+TsfOjtW0k="},
        // A repeated field contributes twice.
        {"sign(X-Date|X-Date)secret", body, "al265QwLgDDdJQcw/gnLyyrHgFwqNWnEdhAOqaVULbg="},
        // A header the map lacks contributes nothing.
        {"sign(X-Missing|Request_Body|X-Other)secret", body, "AurQq+X1iVTXcPqWkdFRX7/a7sy0k2p5eJRW5KpLrg0="},
        // An empty body contributes nothing; an empty message is signed like any other.
        {"sign(Request_Body)secret", "", "+eZuF5tnR65UEI+C+K3os8Jddv0wr95sOVgixTAZYWk="},
        {"sign()secret", body, "+eZuF5tnR65UEI+C+K3os8Jddv0wr95sOVgixTAZYWk="},
        // The body ends at its first zero byte.
        {"sign(Request_Body)secret", std::string("ab\0cd", 5), "nSyhuNpOFTJp+36l75I8ZSVbSH3lAw+E+jDYUcTTgBU="},
        // The key starts after the first ")"; later ones belong to it. It may be empty.
        {"sign(Request_Body)se)cret", body, "+z0GNpAoX/SzlNAspQhTqaET8yfZDL6/AlFGZk1Pgsc="},
        {"sign(Request_Body)", body, "g66uqc8c/grkikuDK3SMklrp2ldfPRU0UP6PsAtN+HQ="},
        // Without parentheses the empty message is signed with the whole text as key.
        {"signature", body, "SyJ+Ylfxb1ii7UCpGZiulDpepcx7uwiTIpPKb2E8zWU="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recipe);
        EXPECT_EQ(GenerateSignature(c.recipe, c.body, headers), c.signature);
    }
}

TEST(Signature, KeyLosesTrailingBracketsOnTheHeaderSide)
{
    // A header configured as "[sign(Request_Body)key]]" is signed with the key "key": the stripping of the
    // dynamic value's brackets takes the "]" that was meant to be part of the key.
    auto recipe = std::string(signing::StripDynamicBrackets("[sign(Request_Body)key]]"));
    EXPECT_EQ(recipe, "sign(Request_Body)key");
    EXPECT_EQ(GenerateSignature(recipe, body, {}), "ojnUX4I3rBtH/+ucDrbUD+t9E8vARkRha/ycc+aQWcw=");
    // Given without the brackets, the same key keeps its "]".
    EXPECT_EQ(GenerateSignature("sign(Request_Body)key]", body, {}), "2aD8mTdWb0j+01DFXhmSku2IHpDCTG1cusMTmokQDE8=");

    EXPECT_EQ(signing::StripDynamicBrackets("[[UUID]]"), "UUID");
    EXPECT_EQ(signing::StripDynamicBrackets("[]"), "");
    EXPECT_EQ(signing::StripDynamicBrackets("a[b]c"), "a[b]c");
}

TEST(Signature, AnyBodyBytesGiveAWholeSignature)
{
    // Bodies with every byte value (typed text is not ASCII), and recipes with other keys.
    std::mt19937 random(4231);
    for (int i = 0; i < 200; ++i) {
        std::string randomBody(random() % 300, '\0');
        for (auto& c : randomBody)
            c = static_cast<char>(1 + random() % 255);
        auto signature = GenerateSignature("sign(Request_Body|X-Date)k" + std::to_string(i), randomBody, headers);
        ASSERT_EQ(signature.size(), 44u) << signature;
        ASSERT_EQ(signature.back(), '=');
        ASSERT_NE(signature[42], '=');
    }
}

TEST(Uuid, IsUpperCaseHexInGroupsAndNewEachTime)
{
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        auto uuid = GenerateUUID();
        ASSERT_TRUE(std::regex_match(uuid, form)) << uuid;
        EXPECT_TRUE(seen.insert(uuid).second) << "repeated " << uuid;
    }
}

TEST(CipherText, Utf16LeKeepsPairsAndRefusesReversedHalves)
{
    // Odd lengths, lone surrogates and zero characters are refused in the cipher's tests.
    using Bytes = std::vector<std::uint8_t>;
    EXPECT_EQ(signing::DecodeUtf16Le(Bytes{0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE}), u"A\U0001F600");
    EXPECT_EQ(signing::EncodeUtf16Le(u"A\u20AC"), (Bytes{0x41, 0x00, 0xAC, 0x20}));
    EXPECT_FALSE(signing::DecodeUtf16Le(Bytes{0x00, 0xDE, 0x3D, 0xD8}).has_value());
}
