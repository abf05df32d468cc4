// The text handling of request signing and of the header-list cipher, kept free of platform calls so that it
// can be fuzzed natively: reading a signature recipe, composing the signed message, and checking
// what comes out of Base64 decoding and deciphering before it is trusted.
#pragma once

#include "webservice/HeaderMap.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace signing {

// The field name that stands for the request body.
inline constexpr char signDataName[] = "Request_Body";

struct SignatureRecipe {
    std::vector<std::string> fields; // in the order given, repetitions kept
    std::string key;
};

// A dynamic header value without all its leading "[" and all its trailing "]" characters: "[[UUID]]" gives
// "UUID", and a signature key written as "key]" inside the brackets loses its "]".
std::string_view StripDynamicBrackets(std::string_view value);

// "sign(" fields separated by "|" ")" key. The field list lies between the first "(" and the first ")",
// the key is everything after the first ")" (the whole text when there is none).
SignatureRecipe ParseSignatureRecipe(std::string_view recipe);

// The body for each "Request_Body" field and the header's value for any other field the map holds, in field
// order, without separators. The body ends at its first zero byte.
std::string SignatureMessage(const SignatureRecipe& recipe, std::string_view body, const HeaderMap& headers);

// Standard Base64 (RFC 4648 alphabet, not the URL-safe one) in whole groups of four, "=" only as the last
// one or two characters. Blanks and line breaks between characters are ignored, as the decoder ignores them.
bool IsBase64Text(std::string_view text);

// PKCS#7: pads to a whole number of blocks, always adding 1 to blockSize bytes of the pad length.
void AddPkcs7Padding(std::vector<std::uint8_t>& data, std::size_t blockSize);
// Removes valid padding and returns true; returns false and leaves the data alone when it is empty, not whole
// blocks, or does not end in n bytes of value n with 1 <= n <= blockSize.
bool RemovePkcs7Padding(std::vector<std::uint8_t>& data, std::size_t blockSize);

// UTF-16LE bytes of the text.
std::vector<std::uint8_t> EncodeUtf16Le(std::u16string_view text);
// The text, or nothing unless the bytes are whole code units of valid UTF-16 (every surrogate paired)
// without a zero character. Deciphering under a wrong key gives random bytes that still pass the padding
// check about once in 256 tries; this check turns almost all of those into a refusal instead of garbage.
std::optional<std::u16string> DecodeUtf16Le(std::span<const std::uint8_t> bytes);

} // namespace signing
