// The fetch's text handling: any bytes as an answer file, a list, a URL template with a token and a value,
// a key path. What is accepted must be usable as it is used: answer values non-empty and free of line
// breaks and zero bytes, escaped values free of URL delimiters.
#include "netfile/FetchText.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool Usable(const std::string& value)
{
    return !value.empty() && value.size() <= netfile::kMaxAnswerLine &&
           value.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::string tokens, caption, fileTypes;
    if (netfile::ReadInitAnswer(text, tokens, caption, fileTypes))
        Check(Usable(tokens) && Usable(caption) && Usable(fileTypes));
    const netfile::LinkAnswer link = netfile::ReadLinkAnswer(text);
    if (link.counts) {
        Check((link.method == "GET" || link.method == "POST") && Usable(link.link));
        Check(link.method == "GET" ? link.headers.empty() : Usable(link.headers));
    }
    if (!link.saveAs.empty())
        Check(link.fourthLineRead && Usable(link.saveAs));

    netfile::StringPairs pairs;
    netfile::ParseArray(text, pairs);
    std::string filter, defaultExt;
    Check(netfile::FileExtsFilter(pairs, filter, defaultExt) == !pairs.empty());
    constexpr std::string_view whiteSpace = " \t\r\n\v\f";
    for (const auto& [key, value] : pairs)
        for (const std::string* part : {&key, &value})
            Check(part->empty() || (whiteSpace.find(part->front()) == std::string_view::npos &&
                                    whiteSpace.find(part->back()) == std::string_view::npos));

    // Template, token and value: the text cut at its first two 0x01 bytes.
    const std::size_t first = text.find('\x01');
    const std::size_t second = first == std::string_view::npos ? first : text.find('\x01', first + 1);
    const std::string_view url = text.substr(0, first);
    const std::string_view token = first == std::string_view::npos ? std::string_view() : text.substr(first + 1, second - first - 1);
    const std::string_view value = second == std::string_view::npos ? std::string_view() : text.substr(second + 1);
    const std::string escaped = netfile::EscapeInputValue(value);
    // With one token, filling a template is replacing that token by the escaped value.
    Check(netfile::FillURLTemplate(url, {{std::string(token), "label"}}, {std::string(value)}) ==
          netfile::ReplaceToken(std::string(url), token, escaped));
    Check(escaped.find_first_of("/\\?#&=;: \r\n") == std::string::npos && escaped != "." && escaped != "..");

    Check(netfile::VersionFromKeyPath(text).find('\\') == std::string::npos);
    return 0;
}
