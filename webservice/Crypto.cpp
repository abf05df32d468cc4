#include "webservice/Crypto.h"

#include "framework/bcrypt.h"

#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

namespace crypto {
namespace {

void Check(NTSTATUS status, const char* operation)
{
    if (!BCRYPT_SUCCESS(status)) {
        char text[96];
        std::snprintf(text, sizeof text, "%s failed (NTSTATUS 0x%08lX)", operation,
                      static_cast<unsigned long>(status));
        throw std::runtime_error(text);
    }
}

ULONG CheckedSize(std::size_t size)
{
    if (size > std::numeric_limits<ULONG>::max())
        throw std::length_error("data too long for the cryptography services");
    return static_cast<ULONG>(size);
}

// CNG's input parameters are not const-qualified; it does not write through them.
PUCHAR Input(ByteView bytes) noexcept
{
    return const_cast<PUCHAR>(bytes.data());
}

fw::unique_bcrypt_algorithm OpenAlgorithm(LPCWSTR algorithmId, ULONG flags)
{
    fw::unique_bcrypt_algorithm algorithm;
    Check(BCryptOpenAlgorithmProvider(algorithm.put(), algorithmId, nullptr, flags), "BCryptOpenAlgorithmProvider");
    return algorithm;
}

// BCryptEncrypt and BCryptDecrypt share one signature.
using CbcOperation = decltype(&BCryptEncrypt);

Bytes RunCbc(CbcOperation operation, const char* operationName, ByteView key, ByteView initialisationVector,
             ByteView input)
{
    if (key.size() != aes256KeySize)
        throw std::invalid_argument("AES-256 needs a 32-byte key");
    if (initialisationVector.size() != aesBlockSize)
        throw std::invalid_argument("AES-CBC needs a 16-byte initialisation vector");
    if (input.size() % aesBlockSize != 0)
        throw std::invalid_argument("AES-CBC data must be a whole number of 16-byte blocks");
    if (input.empty())
        return {};
    auto algorithm = OpenAlgorithm(BCRYPT_AES_ALGORITHM, 0);
    static constexpr wchar_t chainingMode[] = BCRYPT_CHAIN_MODE_CBC;
    Check(BCryptSetProperty(algorithm.get(), BCRYPT_CHAINING_MODE,
                            reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chainingMode)), sizeof chainingMode, 0),
          "BCryptSetProperty(ChainingMode)");
    fw::unique_bcrypt_key aesKey; // destroyed before the algorithm that made it
    Check(BCryptGenerateSymmetricKey(algorithm.get(), aesKey.put(), nullptr, 0, Input(key), CheckedSize(key.size()), 0),
          "BCryptGenerateSymmetricKey");
    // CNG advances the vector it is given; work on a copy.
    Bytes vector(initialisationVector.begin(), initialisationVector.end());
    Bytes output(input.size());
    ULONG written = 0;
    Check(operation(aesKey.get(), Input(input), CheckedSize(input.size()), nullptr, vector.data(),
                    CheckedSize(vector.size()), output.data(), CheckedSize(output.size()), &written, 0),
          operationName);
    output.resize(written);
    return output;
}

} // namespace

std::array<std::uint8_t, 32> HmacSha256(ByteView key, ByteView message)
{
    // HMAC pads a key to the block size with zeros, so an empty key and a single zero byte are the same key;
    // the zero byte spares CNG a null secret pointer.
    static constexpr std::uint8_t zeroKey[1] = {0};
    if (key.empty())
        key = zeroKey;
    auto algorithm = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    fw::unique_bcrypt_hash hash;
    Check(BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, Input(key), CheckedSize(key.size()), 0),
          "BCryptCreateHash");
    if (!message.empty())
        Check(BCryptHashData(hash.get(), Input(message), CheckedSize(message.size()), 0), "BCryptHashData");
    std::array<std::uint8_t, 32> mac{};
    Check(BCryptFinishHash(hash.get(), mac.data(), CheckedSize(mac.size()), 0), "BCryptFinishHash");
    return mac;
}

Bytes Pbkdf2HmacSha1(ByteView password, ByteView salt, std::uint64_t iterations, std::size_t length)
{
    auto algorithm = OpenAlgorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    Bytes derived(length);
    Check(BCryptDeriveKeyPBKDF2(algorithm.get(), Input(password), CheckedSize(password.size()), Input(salt),
                                CheckedSize(salt.size()), iterations, derived.data(), CheckedSize(derived.size()), 0),
          "BCryptDeriveKeyPBKDF2");
    return derived;
}

Bytes Aes256CbcEncrypt(ByteView key, ByteView initialisationVector, ByteView plain)
{
    return RunCbc(&BCryptEncrypt, "BCryptEncrypt", key, initialisationVector, plain);
}

Bytes Aes256CbcDecrypt(ByteView key, ByteView initialisationVector, ByteView cipher)
{
    return RunCbc(&BCryptDecrypt, "BCryptDecrypt", key, initialisationVector, cipher);
}

} // namespace crypto
