// UTF-8 strings: any bytes, read as UTF-8, as 16-bit and as 32-bit units, go through every conversion. The
// conversions agree on what is valid, whatever converts converts back to the same input, and iteration,
// truncation and trimming keep valid text valid.
#include "mx/utf8string.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

template <class Function>
auto Attempt(Function function) -> std::optional<decltype(function())>
{
    try {
        return function();
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

template <class Unit>
std::basic_string<Unit> UnitsOf(const std::string& bytes)
{
    std::basic_string<Unit> units(bytes.size() / sizeof(Unit), Unit());
    std::memcpy(units.data(), bytes.data(), units.size() * sizeof(Unit));
    return units;
}

bool IsValid(const UTF8String& text)
{
    return Attempt([&] { return text.GetUTF32String(); }).has_value();
}

void CheckBytes(const std::string& bytes)
{
    const UTF8String text(bytes);
    const auto utf16 = Attempt([&] { return text.GetUTF16String(); });
    const auto wide = Attempt([&] { return text.GetUTF16WString(); });
    const auto utf32 = Attempt([&] { return text.GetUTF32String(); });
    Require(utf16.has_value() == utf32.has_value() && wide.has_value() == utf32.has_value());

    UTF8Iterator iterator(bytes);
    std::u32string characters;
    for (; !iterator.AtEnd(); ++iterator)
        characters += iterator.GetCharacter();
    Require(iterator.GetByteIndex() == bytes.size() && iterator.GetCharacterIndex() == text.GetCodePointLength());
    if (!utf32)
        return;
    Require(characters == *utf32 && iterator.GetUTF16Index() == utf16->size());
    Require(UTF8String(*utf16).GetUTF8String() == bytes);
    Require(UTF8String(*wide).GetUTF8String() == bytes);
    Require(UTF8String(*utf32).GetUTF8String() == bytes);
    Require(text.Equals(UTF8String(*utf16)) && text.EqualsIgnoreCase(UTF8String(*utf16)));
}

template <class Unit>
void CheckUnits(const std::string& bytes)
{
    const std::basic_string<Unit> units = UnitsOf<Unit>(bytes);
    const auto text = Attempt([&] { return UTF8String(units); });
    if (!text)
        return;
    Require(IsValid(*text));
    if constexpr (sizeof(Unit) == 2)
        Require(text->GetUTF16String() == units);
    else
        Require(text->GetUTF32String() == units);
    if constexpr (sizeof(Unit) == sizeof(wchar_t))
        Require(UTF8String(UnitsOf<wchar_t>(bytes)).GetUTF16WString() == UnitsOf<wchar_t>(bytes));
}

void CheckEditing(const std::string& bytes)
{
    if (bytes.empty())
        return;
    const std::size_t length = 3 + static_cast<unsigned char>(bytes[0]) % 16;
    const UTF8String text(bytes.substr(1));
    const bool valid = IsValid(text);
    const std::size_t codePoints = text.GetCodePointLength();
    for (const UTF8String& truncated : {text.StringByLeftTruncatingToCodePointLength(length),
                                        text.StringByCenterTruncatingToCodePointLength(length)}) {
        Require(truncated.GetCodePointLength() == std::min(length, codePoints));
        Require(!valid || IsValid(truncated));
    }
    UTF8String trimmed = text;
    trimmed.TrimCharactersInSet(UTF8String::GetWhitespaceAndNewlineCharacterSet());
    Require(text.GetUTF8String().find(trimmed.GetUTF8String()) != std::string::npos);
    Require(!valid || IsValid(trimmed));
    const UTF8String replaced =
        UTF8String::StringByReplacingCharactersInSet(text, UTF8String::GetDoubleQuoteCharacterSet(), "\"");
    Require(!valid || IsValid(replaced));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckBytes(bytes);
    CheckUnits<char16_t>(bytes);
    CheckUnits<char32_t>(bytes);
    CheckEditing(bytes);
    return 0;
}
