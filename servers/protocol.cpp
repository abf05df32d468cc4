// Text form of recorded requests and the small text helpers both ends of the control protocol use.
#include "protocol.h"

#include <algorithm>
#include <charconv>

namespace standin {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads one "<keyword> <rest>" line; the cursor moves past its line feed.
std::optional<std::string_view> ReadField(std::string_view text, std::size_t& cursor, std::string_view keyword)
{
    std::size_t end = text.find('\n', cursor);
    if (end == std::string_view::npos)
        return std::nullopt;
    std::string_view line = text.substr(cursor, end - cursor);
    if (line.size() < keyword.size() + 1 || line.substr(0, keyword.size()) != keyword || line[keyword.size()] != ' ')
        return std::nullopt;
    cursor = end + 1;
    return line.substr(keyword.size() + 1);
}

bool AtKeyword(std::string_view text, std::size_t cursor, std::string_view keyword)
{
    return text.substr(cursor, keyword.size() + 1) == std::string(keyword) + ' ';
}

} // namespace

std::vector<std::string> RecordedRequest::HeaderValues(std::string_view name) const
{
    std::vector<std::string> values;
    for (const auto& [headerName, value] : headers)
        if (EqualIgnoringCase(headerName, name))
            values.push_back(value);
    return values;
}

std::string FormatRecordedRequests(const std::vector<RecordedRequest>& requests)
{
    std::string text;
    for (std::size_t index = 0; index < requests.size(); ++index) {
        const RecordedRequest& request = requests[index];
        text += "request " + std::to_string(index) + "\n";
        text += "method " + request.method + "\n";
        text += "path " + request.path + "\n";
        text += "query " + request.query + "\n";
        for (const auto& [name, value] : request.headers)
            text += "header " + name + ": " + value + "\n";
        text += "body " + std::to_string(request.body.size()) + "\n";
        text += request.body;
        text += "\nend\n";
    }
    return text;
}

std::optional<std::vector<RecordedRequest>> ParseRecordedRequests(std::string_view text)
{
    std::vector<RecordedRequest> requests;
    std::size_t cursor = 0;
    while (cursor < text.size()) {
        auto index = ReadField(text, cursor, "request");
        if (!index || ParseDecimal(*index, requests.size()) != requests.size())
            return std::nullopt;
        RecordedRequest request;
        auto method = ReadField(text, cursor, "method");
        auto path = method ? ReadField(text, cursor, "path") : std::nullopt;
        auto query = path ? ReadField(text, cursor, "query") : std::nullopt;
        if (!query)
            return std::nullopt;
        request.method = *method;
        request.path = *path;
        request.query = *query;
        while (AtKeyword(text, cursor, "header")) {
            auto line = ReadField(text, cursor, "header");
            std::size_t colon = line ? line->find(": ") : std::string_view::npos;
            if (colon == std::string_view::npos)
                return std::nullopt;
            request.headers.emplace_back(line->substr(0, colon), line->substr(colon + 2));
        }
        auto bodyLength = ReadField(text, cursor, "body");
        auto length = bodyLength ? ParseDecimal(*bodyLength, text.size() - cursor) : std::nullopt;
        if (!length)
            return std::nullopt;
        request.body = text.substr(cursor, *length);
        cursor += *length;
        if (text.substr(cursor, 5) != "\nend\n")
            return std::nullopt;
        cursor += 5;
        requests.push_back(std::move(request));
    }
    return requests;
}

std::optional<RequestHead> ParseRequestHead(std::string_view head)
{
    RequestHead request;
    bool first = true;
    while (!head.empty()) {
        const std::size_t end = head.find('\n');
        std::string_view line = head.substr(0, end);
        head.remove_prefix(end == std::string_view::npos ? head.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first) {
            // METHOD SP target SP HTTP/x.y
            const std::size_t space = line.find(' ');
            const std::size_t secondSpace = line.find(' ', space == std::string_view::npos ? space : space + 1);
            if (space == 0 || space == std::string_view::npos || secondSpace == std::string_view::npos ||
                secondSpace == space + 1 || line.substr(secondSpace + 1, 5) != "HTTP/")
                return std::nullopt;
            request.method = line.substr(0, space);
            request.target = line.substr(space + 1, secondSpace - space - 1);
            first = false;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos ||
            line.substr(0, colon).find_first_of(" \t") != std::string_view::npos)
            return std::nullopt;
        request.headers.emplace_back(line.substr(0, colon), TrimBlanks(line.substr(colon + 1)));
    }
    if (first)
        return std::nullopt;
    return request;
}

namespace {

// A chunked body decoded; nothing when it is malformed or ends before its last (empty) chunk.
std::optional<std::string> DecodeChunked(std::string_view body)
{
    std::string decoded;
    for (;;) {
        const std::size_t lineEnd = body.find("\r\n");
        if (lineEnd == std::string_view::npos)
            return std::nullopt;
        std::string_view sizeText = body.substr(0, lineEnd);
        sizeText = sizeText.substr(0, sizeText.find(';')); // chunk extensions
        std::size_t size = 0;
        auto [end, error] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size, 16);
        if (sizeText.empty() || error != std::errc{} || end != sizeText.data() + sizeText.size())
            return std::nullopt;
        body.remove_prefix(lineEnd + 2);
        if (size == 0)
            return decoded; // trailers, if any, are not kept
        if (body.size() < size || body.substr(size, 2) != "\r\n")
            return std::nullopt;
        decoded.append(body.substr(0, size));
        body.remove_prefix(size + 2);
    }
}

} // namespace

std::optional<HttpReply> ParseHttpReply(std::string_view text)
{
    std::size_t headEnd = text.find("\r\n\r\n");
    if (headEnd == std::string_view::npos || text.substr(0, 5) != "HTTP/")
        return std::nullopt;
    std::string_view head = text.substr(0, headEnd + 2);
    std::size_t lineEnd = head.find("\r\n");
    std::string_view statusLine = head.substr(0, lineEnd);
    std::size_t space = statusLine.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = statusLine.substr(space + 1);
    std::size_t reasonStart = std::min(rest.find(' '), rest.size());
    auto status = ParseDecimal(rest.substr(0, reasonStart), 999);
    if (!status)
        return std::nullopt;
    HttpReply reply;
    reply.status = static_cast<int>(*status);
    reply.reason = rest.substr(std::min(reasonStart + 1, rest.size()));
    std::optional<std::size_t> contentLength;
    bool chunked = false;
    for (std::size_t cursor = lineEnd + 2; cursor < head.size();) {
        std::size_t end = head.find("\r\n", cursor);
        std::string_view line = head.substr(cursor, end - cursor);
        cursor = end + 2;
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        std::string_view name = line.substr(0, colon), value = TrimBlanks(line.substr(colon + 1));
        if (EqualIgnoringCase(name, "Content-Length")) {
            contentLength = ParseDecimal(value, text.size());
            if (!contentLength)
                return std::nullopt;
        }
        chunked = chunked || (EqualIgnoringCase(name, "Transfer-Encoding") && EqualIgnoringCase(value, "chunked"));
        reply.headers.emplace_back(name, value);
    }
    std::string_view body = text.substr(headEnd + 4);
    if (chunked) {
        auto decoded = DecodeChunked(body);
        if (!decoded)
            return std::nullopt;
        reply.body = std::move(*decoded);
        return reply;
    }
    if (contentLength) {
        if (body.size() < *contentLength)
            return std::nullopt;
        body = body.substr(0, *contentLength);
    }
    reply.body = body;
    return reply;
}

std::string_view TrimBlanks(std::string_view text)
{
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool EqualIgnoringCase(std::string_view left, std::string_view right)
{
    if (left.size() != right.size())
        return false;
    for (std::size_t i = 0; i < left.size(); ++i)
        if (LowerAscii(left[i]) != LowerAscii(right[i]))
            return false;
    return true;
}

std::optional<std::size_t> ParseDecimal(std::string_view text, std::size_t max)
{
    std::size_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || (text.size() > 1 && text[0] == '0') || error != std::errc{} ||
        end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

} // namespace standin
