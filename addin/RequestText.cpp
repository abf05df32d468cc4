#include "addin/RequestText.h"

namespace {

void AppendPercentEncoded(std::string& out, unsigned char byte)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out += '%';
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
}

// Bytes that would end a URL or split it on a command line or a request line.
bool EndsURL(unsigned char byte)
{
    return byte <= 0x20 || byte == 0x7F || byte == '"' || byte == '<' || byte == '>';
}

// "..", also with either dot written "%2E" (URL parsers decode it before they remove dot segments).
bool IsParentSegment(std::string_view segment)
{
    auto dropDot = [&segment] {
        const bool escaped = segment.starts_with("%2E") || segment.starts_with("%2e");
        const std::size_t length = segment.starts_with('.') ? 1 : escaped ? 3 : 0;
        segment.remove_prefix(length);
        return length != 0;
    };
    return dropDot() && dropDot() && segment.empty();
}

// The bytes EndsURL names, and "#" when escapeHash, as %XX.
std::string EscapeAnswer(std::string_view answer, bool escapeHash)
{
    std::string escaped;
    escaped.reserve(answer.size());
    for (char c : answer) {
        const auto byte = static_cast<unsigned char>(c);
        if (EndsURL(byte) || (escapeHash && c == '#'))
            AppendPercentEncoded(escaped, byte);
        else
            escaped += c;
    }
    return escaped;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::string EscapeTypedText(std::string_view typed, bool formEncoded)
{
    constexpr std::string_view formSpecial = "%&+=#";
    std::string sent;
    sent.reserve(typed.size());
    for (char c : typed) {
        if (c == ' ' || (formEncoded && formSpecial.find(c) != std::string_view::npos))
            AppendPercentEncoded(sent, static_cast<unsigned char>(c));
        else
            sent += c;
    }
    return sent;
}

void EncodeStructureForForm(std::string& body, std::size_t from)
{
    std::string encoded = body.substr(0, from);
    encoded.reserve(body.size());
    for (std::size_t at = from; at < body.size(); ++at) {
        const char c = body[at];
        if (c == '+')
            encoded += "%2b";
        else if (c == '%' || c == '&')
            AppendPercentEncoded(encoded, static_cast<unsigned char>(c));
        else
            encoded += c;
    }
    body = std::move(encoded);
}

std::string EscapeForURL(std::string_view answer)
{
    return EscapeAnswer(answer, false);
}

std::string EscapeForRequestPath(std::string_view answer)
{
    return EscapeAnswer(answer, true);
}

bool LeavesPath(std::string_view path, std::string_view answer)
{
    const std::string joined = std::string(path) + std::string(answer);
    std::string_view rest = std::string_view(joined).substr(0, joined.find_first_of("?#"));
    // Only the segments that the answer reaches into count: the configured path is the administrator's.
    for (std::size_t start = 0;;) {
        const std::size_t end = rest.find_first_of("/\\", start);
        const std::size_t segmentEnd = end == std::string_view::npos ? rest.size() : end;
        if (segmentEnd > path.size() && IsParentSegment(rest.substr(start, segmentEnd - start)))
            return true;
        if (end == std::string_view::npos)
            return false;
        start = end + 1;
    }
}

std::string AppendTypedText(std::string answer, std::string_view typed)
{
    if (!answer.empty() && IsAsciiLetter(answer.back()))
        answer += ':';
    answer += ' ';
    answer += typed;
    return answer;
}
