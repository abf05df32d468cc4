// The platform's cryptography services (CNG) in the shapes that request signing and the header-list cipher
// use. Each call opens what it needs and closes it again; nothing is cached. A failure of the platform throws
// std::runtime_error naming the call and its NTSTATUS.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace crypto {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

constexpr std::size_t aesBlockSize = 16;
constexpr std::size_t aes256KeySize = 32;

inline ByteView AsBytes(std::string_view text) noexcept
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// RFC 2104 HMAC over SHA-256. An empty key is valid (HMAC pads every key to the block size with zeros).
std::array<std::uint8_t, 32> HmacSha256(ByteView key, ByteView message);

// RFC 2898 PBKDF2 with HMAC-SHA1: `length` bytes of one continuous derived stream.
Bytes Pbkdf2HmacSha1(ByteView password, ByteView salt, std::uint64_t iterations, std::size_t length);

// AES-256 in CBC mode over whole blocks; padding is the caller's (see AddPkcs7Padding). Throws
// std::invalid_argument for a key that is not 32 bytes, a vector that is not 16 bytes or data that is not a
// whole number of blocks.
Bytes Aes256CbcEncrypt(ByteView key, ByteView initialisationVector, ByteView plain);
Bytes Aes256CbcDecrypt(ByteView key, ByteView initialisationVector, ByteView cipher);

} // namespace crypto
