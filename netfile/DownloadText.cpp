#include "netfile/DownloadText.h"

#include <algorithm>

namespace netfile {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view left, std::string_view right)
{
    if (left.size() != right.size())
        return false;
    for (std::size_t i = 0; i < left.size(); ++i)
        if (LowerAscii(left[i]) != LowerAscii(right[i]))
            return false;
    return true;
}

// Windows opens these as devices in any folder, with any extension and in any letter case.
bool IsDeviceName(std::string_view name)
{
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (EqualNoCase(stem, device))
            return true;
    if (stem.size() != 4 || !(EqualNoCase(stem.substr(0, 3), "COM") || EqualNoCase(stem.substr(0, 3), "LPT")))
        return false;
    // Digits 1 to 9, and the superscripts 1, 2, 3 of the Western code page, which Windows also takes.
    unsigned char digit = static_cast<unsigned char>(stem[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

const std::string_view kNotAvailable = "We're sorry, but the requested file is not available.";

} // namespace

bool SplitPostUrl(std::string_view url, std::string& host, std::string& path, std::string& query)
{
    constexpr std::string_view scheme = "http://";
    if (url.size() <= scheme.size() || !url.starts_with(scheme))
        return false;
    std::string_view rest = url.substr(scheme.size());
    std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos || slash < 2)
        return false;
    std::string_view object = rest.substr(slash);
    std::size_t question = object.find('?');
    if (question == std::string_view::npos || question < 2)
        return false;
    host = rest.substr(0, slash);
    path = object.substr(0, question);
    query = object.substr(question + 1);
    return true;
}

bool ContainsNoCase(std::string_view text, std::string_view pattern)
{
    if (pattern.size() > text.size())
        return false;
    for (std::size_t at = 0; at + pattern.size() <= text.size(); ++at)
        if (EqualNoCase(text.substr(at, pattern.size()), pattern))
            return true;
    return false;
}

std::string WithoutFramingHeaders(std::string_view headers)
{
    std::string kept;
    while (!headers.empty()) {
        std::size_t end = std::min(headers.find_first_of("\r\n"), headers.size());
        std::size_t next = std::min(headers.find_first_not_of("\r\n", end), headers.size());
        std::string_view name = headers.substr(0, std::min(headers.find(':'), end));
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
            name.remove_prefix(1);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.remove_suffix(1);
        if (!EqualNoCase(name, "Content-Length") && !EqualNoCase(name, "Transfer-Encoding"))
            kept.append(headers.substr(0, next));
        headers.remove_prefix(next);
    }
    return kept;
}

bool IsErrorPage(std::string_view firstBytes)
{
    firstBytes = firstBytes.substr(0, kErrorPageExamined);
    for (std::size_t start = 0; start < firstBytes.size(); start += kErrorPageWindow) {
        std::string_view window = firstBytes.substr(start, kErrorPageWindow);
        if (ContainsNoCase(window, "<html>") || window.find(kNotAvailable) != std::string_view::npos)
            return true;
    }
    return false;
}

std::string_view UrlObject(std::string_view url)
{
    std::size_t scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    std::size_t object = rest.find_first_of("/?");
    return object == std::string_view::npos ? std::string_view() : rest.substr(object);
}

std::string ResponseFileName(std::string_view object)
{
    std::size_t start = 0;
    for (std::size_t i = object.size(); i-- > 0;) {
        char c = object[i];
        if ((c == '/' || c == '\\' || c == ':') && i + 1 < object.size() && object[i + 1] != '/' && object[i + 1] != '\\') {
            start = i + 1;
            break;
        }
    }
    std::string_view name = object.substr(start);
    std::size_t question = name.find('?');
    if (question != std::string_view::npos && question > 0)
        name = name.substr(0, question);
    return std::string(name);
}

bool IsSafeFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ')
        return false;
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    }
    return !IsDeviceName(name);
}

void DownloadProgress::Add(std::uint64_t bytes)
{
    m_total += bytes;
    while (m_total >= m_estimate)
        m_estimate += 300'000;
}

} // namespace netfile
