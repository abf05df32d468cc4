// Known-answer tests of the cryptography primitives that signing and the header-list cipher use, with the
// published vectors of RFC 4231 (HMAC-SHA256), RFC 6070 (PBKDF2-HMAC-SHA1) and NIST SP 800-38A (AES-256-CBC).
#include "webservice/Crypto.h"

#include <gtest/gtest.h>

#include <string>

namespace {

crypto::Bytes FromHex(std::string_view hex)
{
    crypto::Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

std::string ToHex(crypto::ByteView bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (auto byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

} // namespace

TEST(HmacSha256, MatchesRfc4231)
{
    crypto::Bytes countingKey;
    for (std::uint8_t i = 1; i <= 25; ++i)
        countingKey.push_back(i);
    struct Case {
        const char* name;
        crypto::Bytes key;
        std::string message;
        const char* mac;
    };
    const Case cases[] = {
        {"test case 1", crypto::Bytes(20, 0x0b), "Hi There",
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"test case 2", {'J', 'e', 'f', 'e'}, "what do ya want for nothing?",
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {"test case 3", crypto::Bytes(20, 0xaa), std::string(50, '\xdd'),
         "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {"test case 4", countingKey, std::string(50, '\xcd'),
         "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
        {"test case 6", crypto::Bytes(131, 0xaa), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {"test case 7", crypto::Bytes(131, 0xaa),
         "This is a test using a larger than block-size key and a larger than block-size data. The key needs to "
         "be hashed before being used by the HMAC algorithm.",
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
        // Not in RFC 4231: an empty key and an empty message, both of which a signature may have.
        {"empty key and message", {}, "", "b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ToHex(crypto::HmacSha256(c.key, crypto::AsBytes(c.message))), c.mac);
    }
}

TEST(Pbkdf2HmacSha1, MatchesRfc6070)
{
    struct Case {
        std::string password;
        std::string salt;
        std::uint64_t iterations;
        const char* derived;
    };
    // RFC 6070's case with 16777216 iterations is left out for its running time.
    const Case cases[] = {
        {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password + " / " + std::to_string(c.iterations));
        std::size_t length = std::string_view(c.derived).size() / 2;
        EXPECT_EQ(ToHex(crypto::Pbkdf2HmacSha1(crypto::AsBytes(c.password), crypto::AsBytes(c.salt), c.iterations,
                                               length)),
                  c.derived);
    }
}

TEST(Aes256Cbc, MatchesNistSp800_38a)
{
    // NIST SP 800-38A, F.2.5 CBC-AES256.Encrypt and F.2.6 CBC-AES256.Decrypt.
    const auto key = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const auto vector = FromHex("000102030405060708090a0b0c0d0e0f");
    const auto plain = FromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                               "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    const auto cipher = FromHex("f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
                                "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b");
    EXPECT_EQ(crypto::Aes256CbcEncrypt(key, vector, plain), cipher);
    EXPECT_EQ(crypto::Aes256CbcDecrypt(key, vector, cipher), plain);
    // The vector is copied, not advanced: a second call gives the same result.
    EXPECT_EQ(crypto::Aes256CbcEncrypt(key, vector, plain), cipher);
}
