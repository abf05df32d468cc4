// The downloader's handling of outside text: the POST URL split, the error-page test on the first bytes of
// a response, the file name a URL yields and whether it is safe to create, and the progress figures.
// Portable C++ without platform calls, so it is fuzzed natively; CGetNetFile uses it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace netfile {

// "http://" host "/" path "?" query (the scheme in exactly that case), with a host of at least two
// characters and a path of "/" and at least one character. The query may be empty. False for anything
// else, and the outputs are then left as they were.
bool SplitPostUrl(std::string_view url, std::string& host, std::string& path, std::string& query);

// Whether text holds pattern, ASCII letters compared without case.
bool ContainsNoCase(std::string_view text, std::string_view pattern);

// Request header text (lines separated by CR, LF or both) without its lines that name Content-Length or
// Transfer-Encoding, in any letter case: the body sent is the downloader's own, framed by WinInet, and a
// length or coding from elsewhere would cut it short and leave the rest as the start of another request.
// Every other line stays as it was, with its separator.
std::string WithoutFramingHeaders(std::string_view headers);

// The error-page test looks at the first bytes of a response in windows of 512 bytes, each on its own (a
// marker across a window boundary does not count), as far as the window that starts at byte 1024.
inline constexpr std::size_t kErrorPageWindow = 512;
inline constexpr std::size_t kErrorPageExamined = 3 * kErrorPageWindow;
// Whether the first bytes of a response (up to kErrorPageExamined; more are ignored) are an error page:
// "<html>" in any letter case, or the download server's "file is not available" sentence.
bool IsErrorPage(std::string_view firstBytes);

// The requested object of a URL: its path and query, or "" when it has none.
std::string_view UrlObject(std::string_view url);
// The file name a requested object yields: the text after its last "/", "\" or ":" that is followed by a
// character other than "/" or "\", cut before its first "?" unless that is its first character.
std::string ResponseFileName(std::string_view object);
// Whether a name from a URL or a server can be created inside a chosen folder as a plain file there: not
// empty, ".", "..", or a name ending in "." or a blank (Windows drops those, so they would name something
// else); no path separator, drive or stream colon, wildcard, quote, angle bracket, bar or control
// character; not a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension).
bool IsSafeFileName(std::string_view name);

// Progress as the download notices report it. The real size is never asked for: the percentage is taken
// against an estimate that starts at 500,000 bytes and grows by 300,000 whenever the total reaches it, so
// it stays below 100 and falls back each time the estimate grows.
class DownloadProgress {
public:
    void Add(std::uint64_t bytes);
    std::uint64_t Total() const { return m_total; }
    std::uint64_t Estimate() const { return m_estimate; }
    // Kilobytes stored (total >> 10) and the percentage, before the notices cut them to 16 bits.
    std::uint64_t Kilobytes() const { return m_total >> 10; }
    unsigned Percent() const { return static_cast<unsigned>(m_total * 100 / m_estimate); }
    // Kilobytes per second over whole elapsed seconds; 0 while none has passed.
    std::uint64_t Speed(std::int64_t elapsedSeconds) const
    {
        return elapsedSeconds > 0 ? Kilobytes() / static_cast<std::uint64_t>(elapsedSeconds) : 0;
    }

private:
    std::uint64_t m_total = 0;
    std::uint64_t m_estimate = 500'000;
};

} // namespace netfile
