#include "addin/RequestText.h"

namespace {

void AppendPercentEncoded(std::string& out, unsigned char byte)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out += '%';
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
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

void EncodePlusSigns(std::string& body, std::size_t from)
{
    for (std::size_t at = body.find('+', from); at != std::string::npos; at = body.find('+', at + 3))
        body.replace(at, 1, "%2b");
}

std::string EscapeForURL(std::string_view answer)
{
    std::string escaped;
    escaped.reserve(answer.size());
    for (char c : answer) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '"' || c == '<' || c == '>')
            AppendPercentEncoded(escaped, byte);
        else
            escaped += c;
    }
    return escaped;
}

std::string AppendTypedText(std::string answer, std::string_view typed)
{
    if (!answer.empty() && IsAsciiLetter(answer.back()))
        answer += ':';
    answer += ' ';
    answer += typed;
    return answer;
}
