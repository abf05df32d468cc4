#include "netfile/FetchText.h"

#include <algorithm>

namespace netfile {
namespace {

constexpr std::string_view kSuccessLine = "SUCD";
constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

std::string_view Trim(std::string_view text)
{
    std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads the next line; true when it is "<prefix><value>" with a non-empty value that may be used.
bool ReadValueLine(AnswerLineReader& reader, std::string_view prefix, std::string& value)
{
    std::string line;
    if (!reader.ReadOneLine(line) || reader.LastLineUnusable() || line.size() <= prefix.size() ||
        std::string_view(line).substr(0, prefix.size()) != prefix)
        return false;
    value = line.substr(prefix.size());
    return true;
}

bool ReadSuccessLine(AnswerLineReader& reader)
{
    std::string line;
    return reader.ReadOneLine(line) && !reader.LastLineUnusable() && line == kSuccessLine;
}

} // namespace

bool AnswerLineReader::ReadOneLine(std::string& line)
{
    if (m_ended)
        return false;
    std::string_view raw;
    if (std::size_t end = m_rest.find('\n'); end != std::string_view::npos) {
        raw = m_rest.substr(0, end);
        m_rest.remove_prefix(end + 1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
    } else {
        // The last line: the text ends without a line end, or just after one (an empty line).
        raw = m_rest;
        m_ended = true;
    }
    if (m_cut) {
        line.clear();
        m_lastUnusable = false;
        return true;
    }
    m_cut = raw.size() > kMaxAnswerLine;
    if (m_cut)
        raw = raw.substr(0, kMaxAnswerLine);
    m_lastUnusable = m_cut || raw.find_first_of(std::string_view("\0\r", 2)) != std::string_view::npos;
    line.assign(raw);
    return true;
}

bool ReadInitAnswer(std::string_view text, std::string& tokens, std::string& caption, std::string& fileTypes)
{
    AnswerLineReader reader(text);
    return ReadSuccessLine(reader) && ReadValueLine(reader, "tkns=", tokens) &&
           ReadValueLine(reader, "cptn=", caption) && ReadValueLine(reader, "flxt=", fileTypes);
}

LinkAnswer ReadLinkAnswer(std::string_view text)
{
    LinkAnswer answer;
    AnswerLineReader reader(text);
    if (!ReadSuccessLine(reader) || !ReadValueLine(reader, "mthd=", answer.method) ||
        (answer.method != "GET" && answer.method != "POST") || !ReadValueLine(reader, "link=", answer.link))
        return answer;
    const bool post = answer.method == "POST";
    answer.counts = !post;
    // The fourth line: the POST headers, or for GET a line whose content does not matter. Read either way,
    // as it decides whether the fifth is.
    std::string line;
    if (!reader.ReadOneLine(line))
        return answer;
    answer.fourthLineRead = true;
    if (post) {
        constexpr std::string_view prefix = "rqhd=";
        answer.counts = !reader.LastLineUnusable() && line.size() > prefix.size() &&
                        std::string_view(line).substr(0, prefix.size()) == prefix;
        if (answer.counts)
            answer.headers = line.substr(prefix.size());
    }
    ReadValueLine(reader, "svas=", answer.saveAs);
    return answer;
}

bool SeparateStr(std::string_view entry, std::string& key, std::string& value)
{
    std::size_t colon = entry.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    key = Trim(entry.substr(0, colon));
    value = Trim(entry.substr(colon + 1));
    return true;
}

void ParseArray(std::string_view text, StringPairs& list)
{
    list.clear();
    while (true) {
        std::size_t end = text.find(';');
        std::string key, value;
        if (SeparateStr(text.substr(0, end), key, value))
            list.emplace_back(std::move(key), std::move(value));
        if (end == std::string_view::npos)
            return;
        text.remove_prefix(end + 1);
    }
}

std::string ReplaceToken(std::string url, std::string_view token, std::string_view value)
{
    if (token.empty())
        return url;
    for (std::size_t at = url.find(token); at != std::string::npos; at = url.find(token, at + value.size()))
        url.replace(at, token.size(), value);
    return url;
}

std::string EscapeInputValue(std::string_view value)
{
    constexpr char hex[] = "0123456789ABCDEF";
    const bool onlyDots = value == "." || value == "..";
    std::string escaped;
    escaped.reserve(value.size());
    for (char c : value) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '~' || (c == '.' && !onlyDots);
        if (plain) {
            escaped += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            escaped += '%';
            escaped += hex[byte >> 4];
            escaped += hex[byte & 0xF];
        }
    }
    return escaped;
}

bool FileExtsFilter(const StringPairs& fileExts, std::string& filter, std::string& defaultExt)
{
    if (fileExts.empty())
        return false;
    filter.clear();
    for (const auto& [extension, description] : fileExts)
        filter += description + "|*." + extension + "|";
    filter += '|';
    defaultExt = fileExts.front().first;
    return true;
}

std::string VersionFromKeyPath(std::string_view keyPath)
{
    std::string lower(keyPath);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    const std::size_t extensions = lower.find("\\extensions");
    if (extensions == std::string::npos || extensions == 0)
        return "0";
    lower.resize(extensions);
    const std::size_t separator = lower.rfind('\\');
    // An empty element ("...\\\Extensions") names no version either.
    if (separator == std::string::npos || separator == 0 || separator + 1 == lower.size())
        return "0";
    return lower.substr(separator + 1);
}

std::string AppRegPath(std::string_view appName, std::string_view version)
{
    std::string path = "Software\\Quennardix\\";
    path += appName.substr(0, appName.find(' '));
    path += '\\';
    path += version;
    return path;
}

std::string ServerRequestURL(std::string_view serverURL, std::string_view action, std::string_view appName,
                             std::string_view version, std::string_view task)
{
    std::string url(serverURL.empty() ? kDefaultServerURL : serverURL);
    if (url.back() != '?')
        url += '?';
    url.append("action=").append(action);
    url.append("&mxapp=").append(appName);
    url.append("&mxver=").append(version);
    url.append("&task=").append(task);
    return url;
}

std::string TokenQuery(const StringPairs& tokens, const std::vector<std::string>& values)
{
    std::string query;
    for (std::size_t i = 0; i < std::min(tokens.size(), values.size()); ++i)
        query.append("&").append(tokens[i].first).append("=").append(EscapeInputValue(values[i]));
    return query;
}

std::string FillURLTemplate(std::string_view url, const StringPairs& tokens, const std::vector<std::string>& values)
{
    // One pass over the template: replacing token by token would let a later token match inside an
    // earlier value, or across a value and the template text after it.
    const std::size_t count = std::min(tokens.size(), values.size());
    std::vector<std::string> escaped;
    escaped.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        escaped.push_back(EscapeInputValue(values[i]));
    std::string filled;
    for (std::size_t at = 0; at < url.size();) {
        // The longest token name at this place; of equal ones, the first.
        std::size_t match = count;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& name = tokens[i].first;
            if (!name.empty() && url.substr(at, name.size()) == name &&
                (match == count || name.size() > tokens[match].first.size()))
                match = i;
        }
        if (match == count) {
            filled += url[at++];
        } else {
            filled += escaped[match];
            at += tokens[match].first.size();
        }
    }
    return filled;
}

std::string JoinFolderAndName(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    path += name;
    return path;
}

std::string TempFileName(unsigned long processId, unsigned long instance)
{
    return "getnetfiletempfile" + std::to_string(processId) + "-" + std::to_string(instance) + ".tmp";
}

} // namespace netfile
