#include "webservice/Cypher.h"

#include "framework/text.h"
#include "mx/base64.h"
#include "webservice/Crypto.h"
#include "webservice/SigningText.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

// The key derivation of the stored values: changing any of these makes every stored header list unreadable.
constexpr std::uint64_t keyDerivationIterations = 1000;
constexpr std::size_t saltLength = 13;

// The salt "brine&keel-19" is kept in the binary only masked; it is rebuilt for a derivation and wiped again
// afterwards, so that it stands neither in the file nor in memory as plain text.
constexpr std::uint8_t SaltMask(std::size_t index)
{
    return static_cast<std::uint8_t>(0xA5 + 29 * index);
}

consteval std::array<std::uint8_t, saltLength> MaskSalt(const char (&salt)[saltLength + 1])
{
    std::array<std::uint8_t, saltLength> masked{};
    for (std::size_t i = 0; i < saltLength; ++i)
        masked[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(salt[i]) ^ SaltMask(i));
    return masked;
}

constexpr auto maskedSalt = MaskSalt("brine&keel-19");

// The unmasked salt, wiped when it goes.
class Salt {
public:
    Salt()
    {
        for (std::size_t i = 0; i < saltLength; ++i)
            m_bytes[i] = static_cast<std::uint8_t>(maskedSalt[i] ^ SaltMask(i));
    }
    ~Salt() { SecureZeroMemory(m_bytes.data(), m_bytes.size()); }
    Salt(const Salt&) = delete;
    Salt& operator=(const Salt&) = delete;
    crypto::ByteView Bytes() const { return m_bytes; }

private:
    std::array<std::uint8_t, saltLength> m_bytes{};
};

// One PBKDF2 stream: the AES-256 key, then the initialisation vector.
crypto::ByteView Key(crypto::ByteView keyMaterial)
{
    return keyMaterial.first(crypto::aes256KeySize);
}

crypto::ByteView InitialisationVector(crypto::ByteView keyMaterial)
{
    return keyMaterial.subspan(crypto::aes256KeySize, crypto::aesBlockSize);
}

[[noreturn]] void Refuse(const char* reason)
{
    throw CypherError(std::string("The stored header list cannot be deciphered: ") + reason);
}

// The library's Base64 functions count in int.
void CheckBase64Size(std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("header list too long for Base64");
}

crypto::Bytes DecodeBase64(const std::string& text)
{
    CheckBase64Size(text.size());
    char* output = nullptr;
    long long length = mxBase64Decode_Ext(text.c_str(), static_cast<int>(text.size()), &output);
    crypto::Bytes bytes(output, output + (length > 0 ? length : 0));
    mxBase64FreeOutput(output);
    return bytes;
}

} // namespace

lc_Cypher::lc_Cypher(std::string passPhrase) : m_passPhrase(std::move(passPhrase)) {}

// The lock makes the first users wait for one derivation; afterwards the material is only read.
const lc_Cypher::KeyMaterial& lc_Cypher::DerivedKeyMaterial() const
{
    std::lock_guard lock(m_derivation);
    if (!m_derived) {
        const std::string password = fw::ToUtf8(fw::Widen(m_passPhrase));
        const Salt salt;
        crypto::Bytes derived =
            crypto::Pbkdf2HmacSha1(crypto::AsBytes(password), salt.Bytes(), keyDerivationIterations, m_keyMaterial.size());
        std::copy(derived.begin(), derived.end(), m_keyMaterial.begin());
        SecureZeroMemory(derived.data(), derived.size());
        m_derived = true;
    }
    return m_keyMaterial;
}

std::string lc_Cypher::Encrypt(const std::string& plainText) const
{
    if (plainText.find('\0') != std::string::npos)
        throw CypherError("A header list cannot contain a zero character");
    std::wstring wide = fw::Widen(plainText);
    auto bytes = signing::EncodeUtf16Le(std::u16string(wide.begin(), wide.end()));
    signing::AddPkcs7Padding(bytes, crypto::aesBlockSize);
    const KeyMaterial& material = DerivedKeyMaterial();
    auto cipher = crypto::Aes256CbcEncrypt(Key(material), InitialisationVector(material), bytes);
    CheckBase64Size(cipher.size());
    return mxBinaryToBase64(std::string(cipher.begin(), cipher.end()), false, 0);
}

std::string lc_Cypher::Decrypt(const std::string& cipherText) const
{
    if (!signing::IsBase64Text(cipherText))
        Refuse("it is not Base64 text");
    auto cipher = DecodeBase64(cipherText);
    if (cipher.empty())
        Refuse("it is empty");
    if (cipher.size() % crypto::aesBlockSize != 0)
        Refuse("it is not a whole number of cipher blocks");
    const KeyMaterial& material = DerivedKeyMaterial();
    auto plain = crypto::Aes256CbcDecrypt(Key(material), InitialisationVector(material), cipher);
    if (!signing::RemovePkcs7Padding(plain, crypto::aesBlockSize))
        Refuse("it was not enciphered with this pass phrase (bad padding)");
    auto text = signing::DecodeUtf16Le(plain);
    if (!text)
        Refuse("it was not enciphered with this pass phrase (not UTF-16 text)");
    return fw::Narrow(std::wstring(text->begin(), text->end()));
}

const lc_Cypher cypher("lantern across harbour");
