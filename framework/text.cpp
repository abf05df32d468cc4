#include "framework/text.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace fw {
namespace {

int CheckedLength(std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("text too long to convert");
    return static_cast<int>(size);
}

std::string FromWide(UINT codePage, std::wstring_view wide)
{
    if (wide.empty())
        return {};
    int length = CheckedLength(wide.size());
    int needed = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), length, narrow.data(), needed, nullptr, nullptr);
    return narrow;
}

std::wstring ToWide(UINT codePage, std::string_view narrow)
{
    if (narrow.empty())
        return {};
    int length = CheckedLength(narrow.size());
    int needed = MultiByteToWideChar(codePage, 0, narrow.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, narrow.data(), length, wide.data(), needed);
    return wide;
}

} // namespace

std::wstring Widen(std::string_view narrow)
{
    return ToWide(CP_ACP, narrow);
}

std::string Narrow(std::wstring_view wide)
{
    return FromWide(CP_ACP, wide);
}

std::string ToUtf8(std::wstring_view wide)
{
    return FromWide(CP_UTF8, wide);
}

std::wstring FromUtf8(std::string_view utf8)
{
    return ToWide(CP_UTF8, utf8);
}

std::string_view CutToWholeCharacters(std::string_view narrow, std::size_t maxBytes, unsigned codePage)
{
    if (narrow.size() <= maxBytes)
        return narrow;
    // Walk from the start: only there is it known which bytes lead a double-byte character.
    std::size_t end = 0;
    while (end < narrow.size()) {
        const bool lead = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(narrow[end])) && end + 1 < narrow.size();
        const std::size_t next = end + (lead ? 2 : 1);
        if (next > maxBytes)
            break;
        end = next;
    }
    return narrow.substr(0, end);
}

} // namespace fw
