#include "fetch_catalogue.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <sstream>

namespace standin {
namespace {

// Longer than the 1023 characters an answer line may hold.
constexpr std::size_t kLongLinePadding = 1100;

constexpr std::array<std::string_view, 3> kInitFaults = {"wrong-first-line", "empty-value", "long-line"};
constexpr std::array<std::string_view, 7> kLinkFaults = {"wrong-first-line", "empty-value", "unknown-method",
                                                         "post-without-headers", "long-line", "save-as", "link"};

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

template <std::size_t N>
bool Among(const std::array<std::string_view, N>& names, std::string_view name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool ReadFile(const std::string& path, std::string& content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

Answer TextAnswer(std::string body)
{
    Answer answer;
    answer.body = std::move(body);
    return answer;
}

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

bool QueryHas(const std::vector<std::pair<std::string, std::string>>& pairs, const std::string& wanted)
{
    std::size_t equals = wanted.find('=');
    return std::find(pairs.begin(), pairs.end(), std::pair(wanted.substr(0, equals), wanted.substr(equals + 1))) !=
           pairs.end();
}

std::string QueryValue(const std::vector<std::pair<std::string, std::string>>& pairs, std::string_view name)
{
    for (const auto& [key, value] : pairs)
        if (key == name)
            return value;
    return {};
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Decode(std::string_view text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

Answer NoAnswer()
{
    Answer answer;
    answer.noAnswer = true;
    return answer;
}

Answer InitAnswer(const FetchCatalogue::Action& action, std::string_view fault)
{
    if (fault == "no-answer")
        return NoAnswer();
    std::string tokens = action.tokens;
    if (fault == "long-line")
        tokens += ";PAD:" + std::string(kLongLinePadding, 'x');
    return TextAnswer(Lines({fault == "wrong-first-line" ? "FAIL" : "SUCD", "tkns=" + tokens,
                             "cptn=" + (fault == "empty-value" ? std::string() : action.caption),
                             "flxt=" + action.fileTypes}));
}

Answer LinkAnswer(const std::string& link, const FetchCatalogue::Fault* fault)
{
    const std::string kind = fault ? fault->kind : std::string();
    if (kind == "no-answer")
        return NoAnswer();
    if (kind == "wrong-first-line")
        return TextAnswer(Lines({"FAIL", "mthd=GET", "link=" + link}));
    if (kind == "empty-value")
        return TextAnswer(Lines({"SUCD", "mthd=GET", "link="}));
    if (kind == "unknown-method")
        return TextAnswer(Lines({"SUCD", "mthd=PUT", "link=" + link}));
    if (kind == "post-without-headers")
        return TextAnswer(Lines({"SUCD", "mthd=POST", "link=" + link + "?posted=1", "note=no headers",
                                 "svas=" + fault->argument}));
    if (kind == "long-line")
        return TextAnswer(Lines({"SUCD", "mthd=GET", "link=" + link + "?pad=" + std::string(kLongLinePadding, 'x')}));
    if (kind == "save-as")
        return TextAnswer(Lines({"SUCD", "mthd=GET", "link=" + link, "rqhd=", "svas=" + fault->argument}));
    return TextAnswer(Lines({"SUCD", "mthd=GET", "link=" + link}));
}

} // namespace

std::vector<std::pair<std::string, std::string>> DecodeQuery(std::string_view query)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    while (!query.empty()) {
        std::string_view item = query.substr(0, query.find('&'));
        query.remove_prefix(std::min(query.size(), item.size() + 1));
        if (item.empty())
            continue;
        std::size_t equals = item.find('=');
        pairs.emplace_back(Decode(item.substr(0, equals)),
                           equals == std::string_view::npos ? std::string() : Decode(item.substr(equals + 1)));
    }
    return pairs;
}

std::optional<FetchCatalogue> LoadFetchCatalogue(const std::string& folder, std::string& error)
{
    std::string text;
    const std::string path = folder + "/catalogue.txt";
    if (!ReadFile(path, text)) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    FetchCatalogue catalogue;
    catalogue.folder = folder;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        const auto f = SplitTabs(line);
        bool valid = false;
        if (f[0] == "action" && f.size() == 5) {
            catalogue.actions.push_back({f[1], f[2], f[3], f[4]});
            valid = true;
        } else if (f[0] == "entry" && (f.size() == 4 || f.size() == 5) && f[2].find('=') != std::string::npos &&
                   f[3].find('/') == std::string::npos) {
            catalogue.entries.push_back({f[1], f[2], f[3], f.size() == 5 ? f[4] : std::string()});
            valid = true;
        } else if (f[0] == "fault" && (f.size() == 5 || f.size() == 6)) {
            valid = f[4] == "no-answer" || (f[2] == "gettoken" && Among(kInitFaults, f[4])) ||
                    (f[2] == "getlink" && Among(kLinkFaults, f[4]));
            // A link names a path of this server.
            valid = valid && (f[4] != "link" || (f.size() == 6 && f[5].starts_with('/')));
            catalogue.faults.push_back({f[1], f[2], f[3], f[4], f.size() == 6 ? f[5] : std::string()});
        }
        if (!valid) {
            error = path + ":" + std::to_string(number) + ": malformed line: " + line;
            return std::nullopt;
        }
    }
    return catalogue;
}

std::optional<Answer> AnswerFetchRequest(const FetchCatalogue& catalogue, const RecordedRequest& request)
{
    if (request.method == "GET" && request.path.starts_with(kEntriesPath)) {
        const std::string file = request.path.substr(std::string_view(kEntriesPath).size());
        for (const auto& entry : catalogue.entries)
            if (entry.file == file) {
                Answer answer;
                answer.contentType = "application/octet-stream";
                if (!ReadFile(catalogue.folder + "/" + file, answer.body))
                    return std::nullopt;
                return answer;
            }
        return std::nullopt;
    }
    if (request.path != kFetchTaskPath)
        return std::nullopt;

    const auto query = DecodeQuery(request.query);
    const std::string actionName = QueryValue(query, "action"), task = QueryValue(query, "task");
    const FetchCatalogue::Fault* fault = nullptr;
    for (const auto& candidate : catalogue.faults)
        if (candidate.action == actionName && candidate.task == task &&
            (candidate.query == "*" || QueryHas(query, candidate.query))) {
            fault = &candidate;
            break;
        }
    const auto action = std::find_if(catalogue.actions.begin(), catalogue.actions.end(),
                                      [&](const auto& a) { return a.name == actionName; });
    if (task == "gettoken" && action != catalogue.actions.end())
        return InitAnswer(*action, fault ? fault->kind : std::string_view());
    if (task == "getlink") {
        const FetchCatalogue::Entry* first = nullptr;
        const FetchCatalogue::Entry* match = nullptr;
        for (const auto& entry : catalogue.entries) {
            if (entry.action != actionName)
                continue;
            if (!first)
                first = &entry;
            if (!match && QueryHas(query, entry.query))
                match = &entry;
        }
        const FetchCatalogue::Entry* target = fault ? first : match;
        if (target) {
            std::string host = "127.0.0.1";
            if (auto values = request.HeaderValues("Host"); !values.empty())
                host = values.front();
            const std::string link = "http://" + host +
                                     (fault && fault->kind == "link" ? fault->argument : kEntriesPath + target->file);
            if (!fault && !target->saveAs.empty())
                return TextAnswer(Lines({"SUCD", "mthd=GET", "link=" + link, "rqhd=", "svas=" + target->saveAs}));
            return LinkAnswer(link, fault);
        }
    }
    // An action or entry the catalogue does not know: an answer that is no answer file.
    return TextAnswer(Lines({"FAIL", "no such entry"}));
}

} // namespace standin
