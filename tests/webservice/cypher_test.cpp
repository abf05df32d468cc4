// The header-list cipher: a fixed value of our own as a regression vector (computed independently from the
// documented recipe), round trips of code page text, and refusal of everything it cannot have produced.
#include "webservice/Cypher.h"

#include "mx/base64.h"
#include "webservice/Crypto.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <thread>
#include <vector>

namespace {

// PBKDF2-HMAC-SHA1 of "lantern across harbour" with the salt "brine&keel-19" and 1000 iterations, AES-256-CBC
// with PKCS#7 over the UTF-16LE text, Base64. A change of salt, pass phrase or derivation breaks it, and with
// it every header list administrators have stored.
const std::string storedPlain = "Content-Type:application/x-www-form-urlencoded;X-Request-Id:[UUID];"
                                "X-Signature:[sign(X-Request-Id|Request_Body)Gr\xFC\xDF" "e\x80]";
const std::string storedValue =
    "lUJM7NnO3xaeFA5RvFDTtvDgFOeD44tHqJUYYrVMGXxiqxTwuA+B4BWOUuSNy2EcZrA2ELJZ/DEBaDl9fzIg2eoT6CjKjFDvGAmjng6E5u4Y"
    "px+mY4MH/St6H6ncgm6rYzB0ERJs5dtnu61QHTXI03EgDjqYvzRap0XWmm++WbNdjfNLQ8CifjqbW01KyxzoNEJ8eE48XJWRJM1fZlCOSeGa"
    "wQGy/fuDkHoomuPmVqyG83MPQivxFqRzNVFzZRgM25oksocF3TDz6whCgA1DW97XVoxW7bRceiWseGUOlU8TCdhjR1KOJxVCnP4QHu6K";

// Enciphers bytes, padding included, the way the cipher does, so that a test can choose what deciphering yields.
std::string EncipherRaw(const crypto::Bytes& plain)
{
    auto material = crypto::Pbkdf2HmacSha1(crypto::AsBytes("lantern across harbour"), crypto::AsBytes("brine&keel-19"),
                                           1000, 48);
    auto cipher = crypto::Aes256CbcEncrypt(crypto::ByteView(material).first(32), crypto::ByteView(material).subspan(32),
                                           plain);
    return mxBinaryToBase64(std::string(cipher.begin(), cipher.end()), false, 0);
}

std::string DecryptError(const std::string& value)
{
    try {
        cypher.Decrypt(value);
    } catch (const CypherError& error) {
        return error.what();
    }
    return "(deciphered)";
}

} // namespace

TEST(Cypher, KeepsItsStoredRegressionValue)
{
    EXPECT_EQ(cypher.Encrypt(storedPlain), storedValue);
    EXPECT_EQ(cypher.Decrypt(storedValue), storedPlain);
    EXPECT_EQ(cypher.Encrypt(""), "EalqpQdCqZn6dOcLQveCXw==");
    EXPECT_EQ(lc_Cypher("lantern across harbour").Decrypt(storedValue), storedPlain);
}

TEST(Cypher, RoundTripsEveryCodePageCharacter)
{
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte += static_cast<char>(c);
    const std::string texts[] = {
        "",
        "X-Name:\xC6r\xF8;X-Unit:\xB5g/m\xB3;X-Price:\x80 5",
        everyByte,
        std::string(5000, 'h') + "\xE9",
    };
    for (const auto& text : texts) {
        SCOPED_TRACE(text.substr(0, 40));
        auto value = cypher.Encrypt(text);
        EXPECT_EQ(value.find_first_of("\r\n"), std::string::npos) << "no line breaks";
        EXPECT_EQ(cypher.Decrypt(value), text);
    }
    // Line breaks and blanks that an editor may add to a stored value do not matter.
    EXPECT_EQ(cypher.Decrypt(storedValue.substr(0, 100) + "\r\n " + storedValue.substr(100) + "\n"), storedPlain);
    EXPECT_THROW(cypher.Encrypt(std::string("a\0b", 3)), CypherError);
}

TEST(Cypher, RefusesWhatItCannotHaveProduced)
{
    using Bytes = crypto::Bytes;
    auto withPadding = [](Bytes text, std::uint8_t value, std::size_t count) {
        text.insert(text.end(), count, value);
        return text;
    };
    const Bytes ab = {'A', 0, 'B', 0};
    struct Case {
        std::string value;
        const char* reason;
    };
    const Case cases[] = {
        {"", "empty"},
        {"  \r\n", "empty"},
        {"not base64!", "not Base64"},
        {"QUJD-_==", "not Base64"},
        {"QU=JD", "not Base64"},
        {"QQ==QUJD", "not Base64"},
        {"QUJDRA===", "not Base64"},
        {"#123QUJDRA==", "not Base64"},
        {"QUJD", "whole number of cipher blocks"},
        {storedValue.substr(0, 20), "whole number of cipher blocks"},
        {EncipherRaw(withPadding(ab, 0, 12)), "bad padding"},
        {EncipherRaw(withPadding(ab, 17, 12)), "bad padding"},
        {EncipherRaw(withPadding(withPadding(ab, 12, 11), 11, 1)), "bad padding"},
        {EncipherRaw(withPadding(Bytes(32, 'A'), 0x20, 16)), "bad padding"},
        // Valid padding around bytes that are not UTF-16 text.
        {EncipherRaw(withPadding(Bytes(15, 'A'), 1, 1)), "not UTF-16 text"},
        {EncipherRaw(withPadding({0x3D, 0xD8}, 14, 14)), "not UTF-16 text"},
        {EncipherRaw(withPadding({0, 0}, 14, 14)), "not UTF-16 text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        auto message = DecryptError(c.value);
        EXPECT_NE(message.find("cannot be deciphered"), std::string::npos) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
    EXPECT_EQ(cypher.Decrypt(EncipherRaw(withPadding(ab, 12, 12))), "AB") << "the raw recipe is the cipher's";
}

TEST(Cypher, ValueOfAnotherKeyNeverDeciphersToText)
{
    // About one wrong key in 256 still yields valid padding; those must be refused as text instead. Each try
    // derives a key afresh (several milliseconds under Wine), which bounds the count.
    const auto value = cypher.Encrypt("X-Api-Key:[sign(Request_Body)k];Accept:text/plain");
    std::mt19937 random(6070);
    std::map<std::string, int> reasons;
    for (int i = 0; i < 600; ++i) {
        std::string passPhrase(8 + random() % 24, ' ');
        for (auto& c : passPhrase)
            c = static_cast<char>(' ' + random() % 95);
        try {
            auto text = lc_Cypher(passPhrase).Decrypt(value);
            ADD_FAILURE() << "pass phrase \"" << passPhrase << "\" deciphered to " << text.size() << " bytes";
        } catch (const CypherError& error) {
            std::string message = error.what();
            reasons[message.substr(message.find('('))]++;
        }
    }
    EXPECT_EQ(reasons["(bad padding)"] + reasons["(not UTF-16 text)"], 600);
    EXPECT_GT(reasons["(not UTF-16 text)"], 0) << "this seed gives some keys with valid padding";
}

TEST(Cypher, KeepsItsKeyAcrossThreadsAndCalls)
{
    // A fresh cipher first used by several threads at once: every call of every thread deciphers alike.
    const lc_Cypher fresh("lantern across harbour");
    std::vector<std::string> texts(6);
    {
        std::vector<std::thread> threads;
        for (std::string& text : texts)
            threads.emplace_back([&fresh, &text] {
                for (int call = 0; call < 3; ++call)
                    text += fresh.Decrypt(storedValue) + "|";
            });
        for (std::thread& thread : threads)
            thread.join();
    }
    for (const std::string& text : texts)
        EXPECT_EQ(text, storedPlain + "|" + storedPlain + "|" + storedPlain + "|");
    EXPECT_EQ(fresh.Encrypt(storedPlain), storedValue);
    // Each cipher keeps the key of its own pass phrase.
    EXPECT_THROW(cypher.Decrypt(lc_Cypher("lantern across harbour!").Encrypt(storedPlain)), CypherError);
}
