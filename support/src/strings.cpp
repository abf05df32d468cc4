#include "mx/strings.h"

#include "mx/locale.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string_view>

namespace mx {

namespace {

char Upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool Contains(std::string_view set, char c)
{
    return set.find(c) != std::string_view::npos;
}

std::size_t Find(std::string_view text, std::string_view part, std::size_t from, mxMatchCase matchCase)
{
    if (matchCase != mxIgnoreCase)
        return text.find(part, from);
    if (from > text.size() || part.size() > text.size() - from)
        return std::string_view::npos;
    const auto found = std::search(text.begin() + from, text.end(), part.begin(), part.end(),
                                   [](char a, char b) { return Upper(a) == Upper(b); });
    return found == text.end() && !part.empty() ? std::string_view::npos
                                                : static_cast<std::size_t>(found - text.begin());
}

// The kinds of argument NumToStr hands to printf.
enum class Argument { Int, UnsignedInt, LongLong, UnsignedLongLong, Double };

// The format with the length modifier of its conversion set to fit the argument ("%X" and "%I64X" both
// become "%llX" for an unsigned long long), or nothing when the format has more than one conversion, a '*'
// width, or a conversion of another kind (printf would then read an argument that is not there).
std::optional<std::string> FitFormat(std::string_view format, Argument argument)
{
    const bool is64Bit = argument == Argument::LongLong || argument == Argument::UnsignedLongLong;
    std::string fitted;
    int conversions = 0;
    std::size_t i = 0;
    auto take = [&](std::string_view set) {
        while (i < format.size() && Contains(set, format[i]))
            fitted += format[i++];
    };
    while (i < format.size()) {
        const char c = format[i++];
        fitted += c;
        if (c != '%')
            continue;
        if (i < format.size() && format[i] == '%') {
            fitted += format[i++];
            continue;
        }
        take("-+ #0");
        take("0123456789");
        if (i < format.size() && format[i] == '.') {
            fitted += format[i++];
            take("0123456789");
        }
        // Length modifiers of either runtime library are dropped; the fitting one is added below.
        while (i < format.size()) {
            const std::string_view rest = format.substr(i);
            if (rest.starts_with("I64") || rest.starts_with("I32"))
                i += 3;
            else if (Contains("hlLqjztI", rest.front()))
                ++i;
            else
                break;
        }
        if (i == format.size())
            return std::nullopt;
        const char conversion = format[i++];
        const bool fits = argument == Argument::Double ? Contains("fFeEgGaA", conversion)
                                                       : Contains("diouxX", conversion);
        if (!fits || ++conversions > 1)
            return std::nullopt;
        if (is64Bit)
            fitted += "ll";
        fitted += conversion;
    }
    return fitted;
}

template <typename Number>
std::string StreamText(Number value)
{
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

template <typename Number>
std::string FormatNumber(Number value, const char* format, Argument argument)
{
    if (!format)
        return StreamText(value);
    const std::optional<std::string> fitted = FitFormat(format, argument);
    if (!fitted)
        return StreamText(value);
    mxPushLocale numeric(LC_NUMERIC, "C");
    // Measured first, so no format can overrun the buffer.
    const int length = std::snprintf(nullptr, 0, fitted->c_str(), value);
    if (length < 0)
        return StreamText(value);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), fitted->c_str(), value);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

} // namespace

std::string str_replace(const std::string& text, const char* find, const char* replacement, mxMatchCase matchCase,
                        bool firstOnly)
{
    if (!find || !*find)
        return text;
    const std::string_view findText(find);
    const std::string_view replacementText(replacement ? replacement : "");
    std::string result;
    std::size_t copied = 0;
    for (std::size_t found; (found = Find(text, findText, copied, matchCase)) != std::string::npos;) {
        result.append(text, copied, found - copied);
        result += replacementText;
        copied = found + findText.size();
        if (firstOnly)
            break;
    }
    if (copied == 0)
        return text;
    result.append(text, copied);
    return result;
}

int str_replaceString(std::string& text, const char* find, const char* replacement, mxMatchCase matchCase,
                      mxWholeWordOnly wholeWord, const char* wordCharacters, int maxCount)
{
    if (!find || !*find)
        return 0;
    const std::string_view findText(find);
    const std::string_view replacementText(replacement ? replacement : "");
    const std::string_view extraWordCharacters(wordCharacters ? wordCharacters : "_");
    const int limit = maxCount < 0 ? 0xFFFFFF : maxCount;
    auto isWordCharacter = [&](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               (c != '\0' && Contains(extraWordCharacters, c));
    };
    // The result is built beside the text; the character before a match is taken from what the in-place
    // replacement would have left there (possibly the end of the previous replacement).
    std::string result;
    std::size_t copied = 0;
    std::size_t from = 0;
    int count = 0;
    for (std::size_t found; count < limit && (found = Find(text, findText, from, matchCase)) != std::string::npos;) {
        if (wholeWord != mxAnyMatch) {
            const char before = found > copied ? text[found - 1] : (result.empty() ? '\0' : result.back());
            const std::size_t end = found + findText.size();
            const char after = end < text.size() ? text[end] : '\0';
            if (isWordCharacter(before) || isWordCharacter(after)) {
                from = found + 1;
                continue;
            }
        }
        result.append(text, copied, found - copied);
        result += replacementText;
        copied = from = found + findText.size();
        ++count;
    }
    if (count > 0) {
        result.append(text, copied);
        text = std::move(result);
    }
    return count;
}

bool str_contains(const std::string& text, const std::string& part, mxMatchCase matchCase)
{
    return Find(text, part, 0, matchCase) != std::string::npos;
}

bool str_startsWith(const char* text, const char* prefix, mxMatchCase matchCase)
{
    if (!prefix)
        return !text || !*text;
    if (!*prefix)
        return true;
    if (!text)
        return false;
    for (; *prefix; ++prefix, ++text) {
        if (!*text)
            return false;
        if (matchCase != mxIgnoreCase ? *text != *prefix : Upper(*text) != Upper(*prefix))
            return false;
    }
    return true;
}

std::string& str_removeNewLines(std::string& text, char replacement)
{
    auto isNewLine = [](char c) { return c == '\n' || c == '\r'; };
    if (replacement)
        std::replace_if(text.begin(), text.end(), isNewLine, replacement);
    else
        text.erase(std::remove_if(text.begin(), text.end(), isNewLine), text.end());
    return text;
}

int mxStrToInt(const char* text)
{
    if (!text || !*text)
        return 0;
    // strtoll reads what "%d" reads; unlike scanning into an int it has a defined result on overflow.
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text)
        return 0;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::string NumToStr(double value, const char* format)
{
    return FormatNumber(value, format, Argument::Double);
}

std::string NumToStr(long long value, const char* format)
{
    return FormatNumber(value, format, Argument::LongLong);
}

std::string NumToStr(unsigned long long value, const char* format)
{
    return FormatNumber(value, format, Argument::UnsignedLongLong);
}

std::string NumToStr(int value, const char* format)
{
    return FormatNumber(value, format, Argument::Int);
}

std::string NumToStr(unsigned int value, const char* format)
{
    return FormatNumber(value, format, Argument::UnsignedInt);
}

std::string NumToStr(const void* pointer)
{
    return NumToStr(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)), "%X");
}

} // namespace mx
