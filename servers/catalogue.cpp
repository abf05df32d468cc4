#include "catalogue.h"

#include "refhost/chem/Exchange.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace standin {
namespace {

constexpr std::string_view kSearchPath = "/search";
constexpr std::string_view kStructurePath = "/structure/";


bool StartsWithIgnoringCase(std::string_view text, std::string_view start)
{
    return text.size() >= start.size() && EqualIgnoringCase(text.substr(0, start.size()), start);
}

// Standard Base64 (RFC 4648); line breaks are skipped, "=" ends the data. Nothing for any other character,
// a blank included: that is what a "+" left unescaped in a form body turns into.
std::optional<std::string> DecodeBase64(std::string_view text)
{
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '\r' || c == '\n')
            continue;
        if (c == '=')
            break;
        const std::size_t value = alphabet.find(c);
        if (value == std::string_view::npos)
            return std::nullopt;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return bytes;
}

std::map<std::string, int> FormulaOf(const refhost::chem::ChemDocument& document)
{
    std::map<std::string, int> formula;
    for (const auto& atom : document.Atoms())
        ++formula[atom.symbol];
    return formula;
}

Answer TextAnswer(int status, std::string reason, std::string body = {})
{
    Answer answer;
    answer.status = status;
    answer.reason = std::move(reason);
    answer.body = std::move(body);
    return answer;
}

// One name, or the names in order joined by ","; the service's own text when there are none.
Answer Found(const std::vector<std::string>& names)
{
    if (names.empty())
        return TextAnswer(200, "OK", "no_records_found");
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ",") + name;
    return TextAnswer(200, "OK", list);
}


// The fields of a form body, decoded.
std::map<std::string, std::string> ParseFormBody(std::string_view body)
{
    std::map<std::string, std::string> fields;
    while (!body.empty()) {
        const std::size_t end = body.find('&');
        const std::string_view field = body.substr(0, end);
        body.remove_prefix(end == std::string_view::npos ? body.size() : end + 1);
        const std::size_t equals = field.find('=');
        fields[PercentDecode(field.substr(0, equals), true)] =
            equals == std::string_view::npos ? std::string() : PercentDecode(field.substr(equals + 1), true);
    }
    return fields;
}

} // namespace

std::optional<Catalogue> Catalogue::Load(const std::string& folder, std::string& error)
{
    namespace fs = std::filesystem;
    Catalogue catalogue;
    std::error_code status;
    for (fs::directory_iterator it(folder, status), end; !status && it != end; it.increment(status)) {
        const fs::path& path = it->path();
        if (path.extension() != ".mol")
            continue;
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        if (!file) {
            error = "cannot read " + path.string();
            return std::nullopt;
        }
        Entry entry;
        if (const std::string molfile = text.str(); !molfile.empty()) {
            refhost::chem::ReadError readError;
            auto document = refhost::chem::ReadChemDocument(molfile, &readError);
            if (!document) {
                error = path.string() + ": " + readError.ToString();
                return std::nullopt;
            }
            entry.formula = FormulaOf(*document);
            entry.exchange = refhost::chem::EncodeExchange(molfile);
        }
        catalogue.m_entries[path.stem().string()] = std::move(entry);
    }
    if (status) {
        error = "cannot read the folder " + folder + ": " + status.message();
        return std::nullopt;
    }
    return catalogue;
}

std::optional<Answer> Catalogue::Respond(const RecordedRequest& request) const
{
    if (request.method == "POST" && request.path.starts_with(kSearchPath))
        return Search(request.body);
    if (request.method == "GET" && request.path.starts_with(kStructurePath))
        return Retrieve(request.path.substr(kStructurePath.size()));
    return std::nullopt;
}

Answer Catalogue::Search(std::string_view body) const
{
    const auto fields = ParseFormBody(body);
    std::vector<std::string> names;
    if (auto name = fields.find("name"); name != fields.end()) {
        for (const auto& [entryName, entry] : m_entries)
            if (EqualIgnoringCase(entryName, name->second))
                return Found({entryName});
        for (const auto& [entryName, entry] : m_entries)
            if (StartsWithIgnoringCase(entryName, name->second))
                names.push_back(entryName);
        return Found(names);
    }
    auto structure = fields.find("structure");
    if (structure == fields.end())
        return TextAnswer(400, "No Search Input");
    auto exchange = DecodeBase64(structure->second);
    auto document = exchange ? refhost::chem::ReadExchange(*exchange) : std::nullopt;
    if (!document)
        return TextAnswer(422, "Unreadable Structure");
    const auto formula = FormulaOf(*document);
    for (const auto& [entryName, entry] : m_entries)
        if (!entry.formula.empty() && entry.formula == formula)
            names.push_back(entryName);
    return Found(names);
}

Answer Catalogue::Retrieve(std::string_view encodedName) const
{
    auto found = m_entries.find(PercentDecode(encodedName, false));
    if (found == m_entries.end())
        return TextAnswer(404, "No Such Structure");
    Answer answer = TextAnswer(200, "OK", found->second.exchange);
    answer.contentType = "application/octet-stream";
    return answer;
}

} // namespace standin
