#include "webservice/SigningText.h"

#include "mx/tokenizer.h"

#include <algorithm>

namespace signing {
namespace {

constexpr std::string_view Base64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool IsIgnorableInBase64(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsHighSurrogate(char16_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::string_view UpToFirstZero(std::string_view text) noexcept
{
    return text.substr(0, text.find('\0'));
}

} // namespace

std::string_view StripDynamicBrackets(std::string_view value)
{
    value.remove_prefix(std::min(value.find_first_not_of('['), value.size()));
    value.remove_suffix(value.size() - std::min(value.find_last_not_of(']') + 1, value.size()));
    return value;
}

SignatureRecipe ParseSignatureRecipe(std::string_view recipe)
{
    // Positions as signed numbers, -1 when absent: a ")" without "(" makes the field list start at 0.
    auto position = [&](char c) {
        auto found = recipe.find(c);
        return found == std::string_view::npos ? std::ptrdiff_t{-1} : static_cast<std::ptrdiff_t>(found);
    };
    std::ptrdiff_t open = position('(');
    std::ptrdiff_t close = position(')');
    std::ptrdiff_t count = close - open - 1;

    SignatureRecipe result;
    result.key = std::string(close < 0 ? recipe : recipe.substr(static_cast<std::size_t>(close + 1)));
    if (count > 0) {
        std::string fieldList(recipe.substr(static_cast<std::size_t>(open + 1), static_cast<std::size_t>(count)));
        mx::mxTokenizer tokenizer(fieldList, "|", 0);
        std::string field;
        while (tokenizer.Next(field))
            result.fields.push_back(field);
    }
    return result;
}

std::string SignatureMessage(const SignatureRecipe& recipe, std::string_view body, const HeaderMap& headers)
{
    std::string message;
    for (const auto& field : recipe.fields) {
        if (field == signDataName) {
            message += UpToFirstZero(body);
        } else if (auto header = headers.find(field); header != headers.end()) {
            message += header->second;
        }
    }
    return message;
}

bool IsBase64Text(std::string_view text)
{
    std::size_t characters = 0;
    std::size_t padding = 0;
    for (char c : text) {
        if (IsIgnorableInBase64(c))
            continue;
        if (c == '=') {
            ++padding;
        } else if (padding > 0 || Base64Alphabet.find(c) == std::string_view::npos) {
            return false;
        }
        ++characters;
    }
    return characters % 4 == 0 && padding <= 2;
}

void AddPkcs7Padding(std::vector<std::uint8_t>& data, std::size_t blockSize)
{
    std::size_t padLength = blockSize - data.size() % blockSize;
    data.insert(data.end(), padLength, static_cast<std::uint8_t>(padLength));
}

bool RemovePkcs7Padding(std::vector<std::uint8_t>& data, std::size_t blockSize)
{
    if (data.empty() || data.size() % blockSize != 0)
        return false;
    std::size_t padLength = data.back();
    if (padLength == 0 || padLength > blockSize)
        return false;
    for (std::size_t i = data.size() - padLength; i < data.size(); ++i) {
        if (data[i] != padLength)
            return false;
    }
    data.resize(data.size() - padLength);
    return true;
}

std::vector<std::uint8_t> EncodeUtf16Le(std::u16string_view text)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::optional<std::u16string> DecodeUtf16Le(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (unit == 0 || IsLowSurrogate(unit))
            return std::nullopt;
        if (IsHighSurrogate(unit)) {
            if (i + 1 == text.size() || !IsLowSurrogate(text[i + 1]))
                return std::nullopt;
            ++i;
        }
    }
    return text;
}

} // namespace signing
