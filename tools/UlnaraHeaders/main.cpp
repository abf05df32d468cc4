// UlnaraHeaders: the administrators' tool for the header lists of web service items. It enciphers a header
// list as the add-in expects it in an item's "POSTHeaders" or "GETHeaders" value, deciphers a stored value,
// prints a .reg fragment that stores one, computes a request signature exactly as the add-in does, and
// checks a whole .reg configuration for values the add-in would ignore.
// Arguments are taken in the system code page (an argument it cannot hold is refused); output is in it too.
#include "addin/ConfigStore.h"
#include "addin/RegistryKey.h"
#include "config_check.h"
#include "framework/text.h"
#include "webservice/Cypher.h"
#include "webservice/HeaderList.h"
#include "webservice/Signing.h"
#include "webservice/SigningText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int exitSucceeded = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One command's arguments: positional ones in order, options by name (an option may repeat), flags.
struct Arguments {
    std::vector<std::string> positional;
    std::multimap<std::string, std::string> options;
    std::set<std::string> flags;

    std::optional<std::string> Option(const std::string& name) const
    {
        auto [first, last] = options.equal_range(name);
        if (first == last)
            return std::nullopt;
        return std::prev(last)->second;
    }
    std::string Required(const std::string& name) const
    {
        auto value = Option(name);
        if (!value)
            throw UsageError("missing " + name);
        return *value;
    }
};

constexpr const char* headerListMethods[] = {"POST", "GET"};

void Print(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(std::filesystem::path(fw::Widen(path)), std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What the add-in reads back as an enciphered list of n characters of wide text: AES blocks of the UTF-16LE
// text with at least one byte of padding, as Base64.
constexpr std::size_t StoredLength(std::size_t characters)
{
    const std::size_t bytes = 16 * (2 * characters / 16 + 1);
    return 4 * ((bytes + 2) / 3);
}

constexpr std::size_t LongestList()
{
    std::size_t characters = 0;
    while (StoredLength(characters + 1) <= kLongestStringValue)
        ++characters;
    return characters;
}

// The stored form of a header list, refused where the add-in would not read it as meant: a quote without
// its closing quote (every header after it would be dropped, the signature among them), a stored value too
// long to read (the whole list would read as absent: the request would go unsigned), or, unless forced, a
// value that looks like a mistyped computed one (sent as it is, a signing key in clear).
std::string StoredList(const Arguments& arguments)
{
    const std::string& list = arguments.positional[0];
    if (auto quote = UnclosedQuote(list))
        throw std::runtime_error("a quote has no closing quote (" + *quote +
                                 "): the add-in would drop every header from there on");
    bool mistyped = false;
    for (const auto& [name, value] : ParseHeaderList(list)) {
        if (!LooksLikeMistypedDynamicValue(value))
            continue;
        std::fprintf(stderr,
                     "UlnaraHeaders: warning: the value of \"%s\" looks like a computed value but is not one; the "
                     "add-in would send \"%s\" as it is\n",
                     name.c_str(), value.c_str());
        mistyped = true;
    }
    if (mistyped && !arguments.flags.count("--force"))
        throw std::runtime_error("not stored; correct the value, or give --force to store it as it is");
    std::string stored = cypher.Encrypt(list);
    if (stored.size() > kLongestStringValue)
        throw std::runtime_error("the header list is too long: enciphered it takes " + std::to_string(stored.size()) +
                                 " characters, and the add-in reads at most " + std::to_string(kLongestStringValue) +
                                 " (a longer value reads as absent); keep it to " + std::to_string(LongestList()) +
                                 " characters or fewer");
    return stored;
}

int Encipher(const Arguments& arguments)
{
    Print(StoredList(arguments));
    return exitSucceeded;
}

int Decipher(const Arguments& arguments)
{
    Print(cypher.Decrypt(arguments.positional[0]));
    return exitSucceeded;
}

int SignCommand(const Arguments& arguments)
{
    std::string body = arguments.Option("--body").value_or("");
    if (auto path = arguments.Option("--body-file"))
        body = ReadFile(*path);
    HeaderMap headers;
    auto [first, last] = arguments.options.equal_range("--header");
    for (auto option = first; option != last; ++option) {
        auto colon = option->second.find(':');
        if (colon == std::string::npos)
            throw UsageError("--header needs NAME:VALUE, got \"" + option->second + "\"");
        headers[option->second.substr(0, colon)] = option->second.substr(colon + 1);
    }
    // The header's value as configured, brackets included or not: the add-in strips them before signing.
    auto recipe = std::string(signing::StripDynamicBrackets(arguments.positional[0]));
    Print(GenerateSignature(recipe, body, headers));
    return exitSucceeded;
}

int RegFragment(const Arguments& arguments)
{
    std::string method = arguments.Required("--method");
    if (std::ranges::find(headerListMethods, method, [](const char* m) { return std::string_view(m); }) ==
        std::end(headerListMethods))
        throw UsageError("--method must be POST or GET");
    // The host is recognised from the name as the add-in recognises it; the drawing hosts share a folder.
    std::string application = arguments.Option("--app").value_or("Velmora");
    TreviskApp app = IdentifyAppName(application);
    if (app == appUnknown)
        throw UsageError("unknown --app " + application);
    std::string menu = arguments.Required("--menu");
    std::string item = arguments.Required("--item");
    for (const auto& name : {menu, item}) {
        if (name.empty() || name.find_first_of("\\[]") != std::string::npos)
            throw UsageError("a key name must not be empty or contain \\, [ or ]: \"" + name + "\"");
    }
    std::string hive = arguments.flags.count("--user") ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    const std::string stored = StoredList(arguments);
    // Base64 holds neither '"' nor '\', so the value needs no escaping in .reg text.
    Print("Windows Registry Editor Version 5.00\n");
    Print("[" + hive + "\\" + ExtensionKeyPath(app) + "\\" + menu + "\\" + item + "]");
    Print("\"" + method + "Headers\"=\"" + stored + "\"");
    return exitSucceeded;
}

static_assert(config_check::kLongestString == kLongestStringValue, "the check reads strings as the add-in does");

config_check::CheckEnvironment PlatformEnvironment()
{
    config_check::CheckEnvironment environment;
    environment.toCodePage = [](std::string_view utf8) {
        const std::wstring wide = fw::FromUtf8(utf8);
        const std::string narrow = fw::Narrow(wide);
        return config_check::CodePageText{narrow.size(), fw::Widen(narrow) == wide};
    };
    // The same faults that encipher and reg refuse, found in a list already stored.
    environment.inspectHeaderList = [](std::string_view stored) -> std::vector<std::string> {
        std::string list;
        try {
            list = cypher.Decrypt(fw::Narrow(fw::FromUtf8(stored)));
        } catch (const CypherError& error) {
            std::string reason = error.what();
            if (!reason.empty())
                reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
            return {"ignored: " + reason + "; the item's search stops without a request"};
        }
        std::vector<std::string> problems;
        if (auto quote = UnclosedQuote(list))
            problems.push_back("warning: a quote of the list has no closing quote (" + *quote +
                               "): the add-in drops every header from there on");
        for (const auto& [name, value] : ParseHeaderList(list))
            if (LooksLikeMistypedDynamicValue(value))
                problems.push_back("warning: the value of \"" + name + "\" looks like a computed value but is not "
                                   "one; the add-in sends \"" + value + "\" as it is");
        return problems;
    };
    for (int app = appVelmora; app <= appRavelle; ++app)
        environment.hosts.emplace_back(ProductWord(static_cast<TreviskApp>(app)),
                                       StoreFolder(static_cast<TreviskApp>(app)));
    return environment;
}

// Text of the file (UTF-8) for the console, in the system code page.
std::string ForConsole(std::string_view utf8)
{
    return fw::Narrow(fw::FromUtf8(utf8));
}

int CheckConfiguration(const Arguments& arguments)
{
    const std::string& path = arguments.positional[0];
    regtext::ParseError error;
    const auto operations = regtext::Parse(regtext::TextOfFile(ReadFile(path)), &error);
    if (!operations)
        throw std::runtime_error(path + ", line " + std::to_string(error.line) + ": " + error.message);
    const config_check::Report report = config_check::Check(*operations, PlatformEnvironment());
    // Grouped by key, in the order the keys first have a finding.
    std::vector<std::string> keys;
    for (const auto& finding : report.findings)
        if (std::find(keys.begin(), keys.end(), finding.key) == keys.end())
            keys.push_back(finding.key);
    for (const std::string& key : keys) {
        Print("[" + ForConsole(key) + "]");
        for (const auto& finding : report.findings)
            if (finding.key == key)
                Print("  line " + std::to_string(finding.line) + ": " + ForConsole(finding.message));
    }
    const std::string checked = std::to_string(report.menus) + " menu key(s) and " + std::to_string(report.items) +
                                " item key(s) checked";
    if (report.findings.empty()) {
        Print(path + ": nothing the add-in would ignore; " + checked);
        return exitSucceeded;
    }
    Print(path + ": " + std::to_string(report.findings.size()) + " finding(s); " + checked);
    return exitFailed;
}

struct Command {
    const char* name;
    const char* usage;
    const char* valueOptions; // each preceded by a blank
    const char* flagOptions;
    int (*run)(const Arguments&);
};

constexpr Command commands[] = {
    {"encipher", "encipher [--force] HEADERLIST", "", " --force", &Encipher},
    {"decipher", "decipher STOREDVALUE", "", "", &Decipher},
    {"sign", "sign RECIPE [--body TEXT | --body-file PATH] [--header NAME:VALUE]...",
     " --body --body-file --header", "", &SignCommand},
    {"reg", "reg --method POST|GET --menu MENUKEY --item ITEMKEY [--app APPLICATION] [--user] [--force] HEADERLIST",
     " --method --menu --item --app", " --user --force", &RegFragment},
    {"check", "check FILE.reg", "", "", &CheckConfiguration},
};

bool Lists(const char* names, const std::string& option)
{
    return (std::string(names) + " ").find(" " + option + " ") != std::string::npos;
}

std::string FromArgument(std::wstring_view argument)
{
    std::string narrow = fw::Narrow(argument);
    if (fw::Widen(narrow) != argument)
        throw UsageError("an argument has characters that the system code page cannot hold");
    return narrow;
}

Arguments Parse(const Command& command, std::span<wchar_t*> words)
{
    Arguments arguments;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string word = FromArgument(words[i]);
        if (word.starts_with("--") && Lists(command.flagOptions, word)) {
            arguments.flags.insert(word);
        } else if (word.starts_with("--") && Lists(command.valueOptions, word)) {
            if (i + 1 == words.size())
                throw UsageError(word + " needs a value");
            arguments.options.emplace(word, FromArgument(words[++i]));
        } else if (word.starts_with("--")) {
            throw UsageError("unknown option " + word);
        } else {
            arguments.positional.push_back(word);
        }
    }
    if (arguments.positional.size() != 1)
        throw UsageError("expected one text argument, got " + std::to_string(arguments.positional.size()));
    return arguments;
}

void PrintUsage(std::FILE* stream)
{
    std::fputs("Usage: UlnaraHeaders COMMAND ...\n", stream);
    for (const auto& command : commands)
        std::fprintf(stream, "  UlnaraHeaders %s\n", command.usage);
}

} // namespace

int wmain(int argc, wchar_t** argv)
try {
    if (argc < 2) {
        PrintUsage(stderr);
        return exitUsage;
    }
    std::wstring_view name = argv[1];
    if (name == L"help" || name == L"--help") {
        PrintUsage(stdout);
        return exitSucceeded;
    }
    for (const auto& command : commands) {
        if (name == fw::Widen(command.name)) {
            try {
                return command.run(Parse(command, std::span(argv + 2, static_cast<std::size_t>(argc - 2))));
            } catch (const UsageError& error) {
                std::fprintf(stderr, "UlnaraHeaders %s: %s\nUsage: UlnaraHeaders %s\n", command.name, error.what(),
                             command.usage);
                return exitUsage;
            }
        }
    }
    std::fprintf(stderr, "UlnaraHeaders: unknown command\n");
    PrintUsage(stderr);
    return exitUsage;
} catch (const std::exception& error) {
    std::fprintf(stderr, "UlnaraHeaders: %s\n", error.what());
    return exitFailed;
} catch (...) {
    std::fprintf(stderr, "UlnaraHeaders: unexpected failure\n");
    return exitFailed;
}
