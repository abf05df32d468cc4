#include "config_check.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <span>

namespace config_check {
namespace {

// One value the add-in reads. A name with a part in angle brackets stands for every name with a decimal
// number there; the add-in forms such names with "%d", so only numbers from `lowest` to `highest` written
// without leading zeros are read. docs/configuration.md lists the same names (a test compares them).
struct ValueRule {
    std::string_view name;
    ValueKind kind;
    long lowest = 0;
    long highest = 0;
};

constexpr ValueRule kItemValues[] = {
    ValueRule{"(default)", ValueKind::String},
    ValueRule{"HandlerID", ValueKind::String},
    ValueRule{"Hidden", ValueKind::Dword},
    ValueRule{"GetNetFile", ValueKind::String},
    ValueRule{"Host", ValueKind::String},
    ValueRule{"Target", ValueKind::String},
    ValueRule{"PostData", ValueKind::String},
    ValueRule{"Prompt", ValueKind::String},
    ValueRule{"InputMimeType", ValueKind::String},
    ValueRule{"Dialog<n>", ValueKind::Dword, 0, 1},     // the number of reactions selected
    ValueRule{"Target<n>", ValueKind::String, 0, 4},    // the chosen option's control id minus 1000
    ValueRule{"POSTHeaders", ValueKind::HeaderList},
    ValueRule{"GETHeaders", ValueKind::HeaderList},
    ValueRule{"ShowPage", ValueKind::String},
    ValueRule{"ResultsDescription", ValueKind::String},
    ValueRule{"StructureHost", ValueKind::String},
    ValueRule{"StructureTarget", ValueKind::String},
    ValueRule{"Error<status>", ValueKind::String, 0, 2147483647},
    ValueRule{"ServerURL", ValueKind::FetchString},
    ValueRule{"URL", ValueKind::FetchString},
    ValueRule{"Tokens", ValueKind::FetchString},
    ValueRule{"CAPTION", ValueKind::FetchString},
    ValueRule{"FileExt", ValueKind::FetchString},
    ValueRule{"POST", ValueKind::FetchString},
};
constexpr ValueRule kPreferenceValues[] = {ValueRule{"ProxyURL", ValueKind::String}};
constexpr ValueRule kFetchPreferenceValues[] = {ValueRule{"SaveAs Path", ValueKind::FetchString}};
constexpr ValueRule kHistoryValues[] = {ValueRule{"#<n>", ValueKind::FetchString, 1, 9}};
// The user's shell folders, which the downloader reads; the key's other values are the system's.
constexpr ValueRule kShellFolderValues[] = {ValueRule{"Desktop", ValueKind::FetchString},
                                            ValueRule{"Cache", ValueKind::FetchString}};

// Values only the web structure search uses, and only the file fetch.
constexpr std::string_view kSearchValues[] = {"Host", "Target", "PostData", "Prompt", "InputMimeType",
                                              "Dialog<n>", "Target<n>", "POSTHeaders", "GETHeaders",
                                              "ResultsDescription", "StructureHost", "StructureTarget",
                                              "Error<status>"};
constexpr std::string_view kFetchValues[] = {"ServerURL", "URL", "Tokens", "CAPTION", "FileExt", "POST"};

constexpr std::uint32_t kChoiceDialogs[] = {1001, 1002};

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

bool SameName(std::string_view a, std::string_view b)
{
    return Lower(a) == Lower(b);
}

std::vector<std::string> SplitPath(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string CanonicalHive(std::string_view hive)
{
    const std::string lower = Lower(hive);
    if (lower == "hkey_current_user" || lower == "hkcu")
        return "HKEY_CURRENT_USER";
    if (lower == "hkey_local_machine" || lower == "hklm")
        return "HKEY_LOCAL_MACHINE";
    return std::string(hive);
}

// A value as the file leaves it, with the operation that set it last.
struct StoredValue {
    std::string name;
    const regtext::Operation* set = nullptr;
};

struct StoredKey {
    std::string hive;    // canonical
    std::string shown;   // hive and path as first written
    std::vector<std::string> parts;   // the path's key names, lower case
    std::vector<std::string> names;   // as written
    int line = 0;
    std::map<std::string, StoredValue> values;   // by lower-case name
};

// The registry as the file leaves it, keyed by canonical hive and lower-case path. Creating a key creates
// its parents, as the registry does.
class FileRegistry {
public:
    explicit FileRegistry(const std::vector<regtext::Operation>& operations)
    {
        for (const regtext::Operation& operation : operations) {
            const std::string hive = CanonicalHive(operation.hive);
            switch (operation.action) {
            case regtext::Action::DeleteKey: {
                const std::string id = Id(hive, operation.path);
                std::erase_if(m_keys, [&](const auto& entry) {
                    return entry.first == id || entry.first.starts_with(id + "\\");
                });
                break;
            }
            case regtext::Action::CreateKey:
                Create(hive, operation);
                break;
            case regtext::Action::SetValue:
                Create(hive, operation).values[Lower(operation.name)] = StoredValue{operation.name, &operation};
                break;
            case regtext::Action::DeleteValue:
                Create(hive, operation).values.erase(Lower(operation.name));
                break;
            }
        }
    }

    const std::map<std::string, StoredKey>& Keys() const { return m_keys; }

    const StoredKey* Find(const std::string& hive, const std::vector<std::string>& parts) const
    {
        std::string path;
        for (const std::string& part : parts)
            path += (path.empty() ? "" : "\\") + part;
        auto found = m_keys.find(Id(hive, path));
        return found == m_keys.end() ? nullptr : &found->second;
    }

private:
    static std::string Id(const std::string& hive, std::string_view path) { return hive + "\\" + Lower(path); }

    StoredKey& Create(const std::string& hive, const regtext::Operation& operation)
    {
        const std::vector<std::string> names = SplitPath(operation.path);
        StoredKey* key = nullptr;
        std::string path;
        for (std::size_t depth = 0; depth < names.size(); ++depth) {
            path += (depth == 0 ? "" : "\\") + names[depth];
            auto [entry, added] = m_keys.try_emplace(Id(hive, path));
            key = &entry->second;
            if (added) {
                key->hive = hive;
                key->shown = operation.hive + "\\" + path;
                key->names.assign(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(depth + 1));
                for (const std::string& name : key->names)
                    key->parts.push_back(Lower(name));
                key->line = operation.line;
            }
        }
        return *key;
    }

    std::map<std::string, StoredKey> m_keys;
};

std::string TypeName(std::uint32_t type)
{
    switch (type) {
    case regtext::kString: return "REG_SZ";
    case regtext::kExpandString: return "REG_EXPAND_SZ";
    case regtext::kBinary: return "REG_BINARY";
    case regtext::kDword: return "REG_DWORD";
    case regtext::kMultiString: return "REG_MULTI_SZ";
    case regtext::kQword: return "REG_QWORD";
    default: return "a value of type " + std::to_string(type);
    }
}

std::string Shown(const StoredValue& value)
{
    return value.name.empty() ? "(default)" : "\"" + value.name + "\"";
}

// The text of a string value (up to its first zero character), UTF-8.
std::string TextOf(const regtext::Operation& set)
{
    std::string text = set.quoted ? set.text
                                  : regtext::Utf16ToUtf8(std::string_view(reinterpret_cast<const char*>(set.data.data()),
                                                                          set.data.size()));
    return text.substr(0, text.find('\0'));
}

// Whether `name` is a decimal number from `lowest` to `highest` written as "%d" writes it.
bool IsNumberIn(std::string_view name, long lowest, long highest)
{
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0') ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const long long number = std::stoll(std::string(name));
    return number >= lowest && number <= highest;
}

struct RuleMatch {
    const ValueRule* rule = nullptr;
    bool numberRead = true;   // false: the name has the rule's form, but its number is one never read
    std::string number;       // the name's number, for a rule with one
};

std::optional<RuleMatch> MatchRule(std::string_view name, std::span<const ValueRule> rules)
{
    const std::string lower = Lower(name.empty() ? "(default)" : name);
    for (const ValueRule& rule : rules) {
        const std::size_t open = rule.name.find('<');
        if (open == std::string_view::npos) {
            if (lower == Lower(rule.name))
                return RuleMatch{&rule, true, {}};
            continue;
        }
        const std::string prefix = Lower(rule.name.substr(0, open));
        const std::string suffix = Lower(rule.name.substr(rule.name.find('>') + 1));
        if (lower.size() <= prefix.size() + suffix.size() || !lower.starts_with(prefix) || !lower.ends_with(suffix))
            continue;
        const std::string_view number = std::string_view(lower).substr(prefix.size(),
                                                                       lower.size() - prefix.size() - suffix.size());
        if (std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return RuleMatch{&rule, IsNumberIn(number, rule.lowest, rule.highest), std::string(number)};
    }
    return std::nullopt;
}

// Why a name of a rule's form is never read.
std::string NumberNeverRead(const RuleMatch& match)
{
    if (match.number.size() > 1 && match.number[0] == '0')
        return "never read: the add-in writes the number without leading zeros";
    const std::string stem(match.rule->name.substr(0, match.rule->name.find('<')));
    const bool two = match.rule->highest == match.rule->lowest + 1;
    return "never read: only " + stem + std::to_string(match.rule->lowest) + (two ? " and " : " to ") + stem +
           std::to_string(match.rule->highest) + " are read";
}

class Checker {
public:
    Checker(const FileRegistry& registry, const CheckEnvironment& environment, Report& report)
        : m_registry(registry), m_environment(environment), m_report(report)
    {
    }

    void Run();

private:
    void Add(int line, const StoredKey& key, std::string message)
    {
        m_report.findings.push_back(Finding{line, key.shown, std::move(message)});
    }
    void Add(const StoredKey& key, const StoredValue& value, const std::string& message)
    {
        Add(value.set->line, key, Shown(value) + ": " + message);
    }

    // Whether the add-in can read the value as `kind`; reports why not.
    bool CheckValue(const StoredKey& key, const StoredValue& value, ValueKind kind);
    // Checks every value of a key against the rules; gives the names (rule names) of the usable ones.
    std::set<std::string_view> CheckValues(const StoredKey& key, std::span<const ValueRule> rules,
                                           const std::string& unknownMessage);

    void CheckExtensionKey(const StoredKey& key);
    void CheckMenu(const StoredKey& key);
    void CheckItem(const StoredKey& key);
    void CheckItemHandler(const StoredKey& key, const std::set<std::string_view>& usable);
    void CheckPreferences(const StoredKey& key, std::span<const ValueRule> rules);
    std::optional<std::string> FolderProblem(const std::string& folder) const;

    const StoredValue* ValueOf(const StoredKey& key, std::string_view ruleName) const;

    const FileRegistry& m_registry;
    const CheckEnvironment& m_environment;
    Report& m_report;
};

bool Checker::CheckValue(const StoredKey& key, const StoredValue& value, ValueKind kind)
{
    const regtext::Operation& set = *value.set;
    if (kind == ValueKind::Dword) {
        if (set.type == regtext::kDword && set.data.size() == 4)
            return true;
        std::string message = "ignored: " + TypeName(set.type) + " where the add-in reads only a REG_DWORD";
        if (set.quoted && SameName(value.name, "Hidden"))
            message += " (the item is not hidden)";
        Add(key, value, message + "; write it as \"" + value.name + "\"=dword:...");
        return false;
    }
    const bool expandable = set.type == regtext::kExpandString;
    if (set.type != regtext::kString && !(expandable && kind == ValueKind::FetchString)) {
        Add(key, value, "ignored: " + TypeName(set.type) + " where the add-in reads only " +
                            (kind == ValueKind::FetchString ? "REG_SZ or REG_EXPAND_SZ" : "REG_SZ"));
        return false;
    }
    const std::string text = TextOf(set);
    const CodePageText coded = m_environment.toCodePage(text);
    const std::size_t limit = kind == ValueKind::FetchString ? kLongestFetchString : kLongestString;
    if (coded.length > limit) {
        Add(key, value, "ignored: " + std::to_string(coded.length) + " characters, and the add-in reads at most " +
                            std::to_string(limit) + " here (a longer value counts as absent)");
        return false;
    }
    if (!coded.lossless)
        Add(key, value, "warning: holds characters that the system code page cannot represent; the add-in reads "
                        "each of them as ?");
    if (expandable && text.find('%') != std::string::npos)
        Add(key, value, "warning: an expandable string, but the add-in does not expand the variables in it");
    if (kind == ValueKind::HeaderList) {
        bool usable = true;
        for (const std::string& problem : m_environment.inspectHeaderList(text)) {
            Add(key, value, problem);
            usable = usable && !problem.starts_with("ignored");
        }
        return usable;
    }
    return true;
}

std::set<std::string_view> Checker::CheckValues(const StoredKey& key, std::span<const ValueRule> rules,
                                                const std::string& unknownMessage)
{
    std::set<std::string_view> usable;
    for (const auto& [lower, value] : key.values) {
        const std::optional<RuleMatch> match = MatchRule(value.name, rules);
        if (!match) {
            const bool headers = Lower(value.name).ends_with("headers") && rules.size() > 1;
            Add(key, value, unknownMessage + (headers ? "; only POSTHeaders and GETHeaders are" : ""));
        } else if (!match->numberRead) {
            Add(key, value, "ignored: " + NumberNeverRead(*match));
        } else if (CheckValue(key, value, match->rule->kind)) {
            usable.insert(match->rule->name);
        }
    }
    return usable;
}

const StoredValue* Checker::ValueOf(const StoredKey& key, std::string_view ruleName) const
{
    for (const auto& [lower, value] : key.values) {
        const std::optional<RuleMatch> match = MatchRule(value.name, kItemValues);
        if (match && match->numberRead && match->rule->name == ruleName)
            return &value;
    }
    return nullptr;
}

std::optional<std::string> Checker::FolderProblem(const std::string& folder) const
{
    for (const auto& [word, storeFolder] : m_environment.hosts)
        if (SameName(folder, storeFolder))
            return std::nullopt;
    for (const auto& [word, storeFolder] : m_environment.hosts)
        if (SameName(folder, word))
            return "ignored: " + word + " reads its configuration from the folder \"" + storeFolder +
                   "\", so nothing below this key is read";
    return "ignored: no host of the suite reads the folder \"" + folder + "\", so nothing below this key is read";
}

void Checker::CheckExtensionKey(const StoredKey& key)
{
    if (key.parts[3] != "19.0") {
        Add(key.line, key, "ignored: the add-in reads only the configuration of version 19.0");
        return;
    }
    if (auto problem = FolderProblem(key.names[2])) {
        Add(key.line, key, *problem);
        return;
    }
    if (key.hive == "HKEY_LOCAL_MACHINE")
        if (const StoredKey* user = m_registry.Find("HKEY_CURRENT_USER", key.parts))
            Add(key.line, key, "ignored: the same file gives this key under HKEY_CURRENT_USER (line " +
                                   std::to_string(user->line) + "); a user who has that key reads none of the "
                                   "machine's menus and items");
    for (const auto& [lower, value] : key.values)
        Add(key, value, "ignored: the extension key has no values of its own, only menu keys");
}

void Checker::CheckMenu(const StoredKey& key)
{
    ++m_report.menus;
    const std::set<std::string_view> usable =
        CheckValues(key, std::span(kItemValues, 1), "ignored: a menu key has only its caption (default value)");
    if (usable.count("(default)") == 0)
        Add(key.line, key, "left out: the menu has no caption (a string default value), so neither it nor its "
                           "items are added");
}

void Checker::CheckItem(const StoredKey& key)
{
    ++m_report.items;
    const std::set<std::string_view> usable =
        CheckValues(key, kItemValues, "ignored: not a value the add-in reads");
    const StoredValue* caption = ValueOf(key, "(default)");
    if (usable.count("(default)") == 0) {
        Add(key.line, key, "left out: the item has no caption (a string default value)");
        return;
    }
    if (TextOf(*caption->set) == "-") {
        for (const auto& [lower, value] : key.values)
            if (!value.name.empty() && !SameName(value.name, "Hidden"))
                Add(key, value, "ignored: a separator uses only its caption and Hidden");
        return;
    }
    if (usable.count("HandlerID") == 0) {
        Add(key.line, key, "left out: the item has no HandlerID (a string, Ulnara19.Item)");
        return;
    }
    const StoredValue* hidden = ValueOf(key, "Hidden");
    if (usable.count("Hidden") != 0 && std::any_of(hidden->set->data.begin(), hidden->set->data.end(),
                                                   [](std::uint8_t byte) { return byte != 0; }))
        return;   // not added, so what it would do does not show
    CheckItemHandler(key, usable);
}

// Values that the handler the item runs does not use: the item's values decide the handler (a file fetch
// with GetNetFile, a search with Host, Target and PostData, otherwise a page), and within the search, the
// input (typed or selected) and what is done with the answer.
void Checker::CheckItemHandler(const StoredKey& key, const std::set<std::string_view>& usable)
{
    auto has = [&](std::string_view name) { return usable.count(name) != 0; };
    auto ignore = [&](std::string_view ruleName, const std::string& why) {
        for (const auto& [lower, value] : key.values) {
            const std::optional<RuleMatch> match = MatchRule(value.name, kItemValues);
            if (match && match->numberRead && match->rule->name == ruleName && has(ruleName))
                Add(key, value, "ignored: " + why);
        }
    };
    const bool fetch = has("GetNetFile");
    const bool search = !fetch && has("Host") && has("Target") && has("PostData");
    if (fetch) {
        for (std::string_view name : kSearchValues)
            if (name != "PostData")
                ignore(name, "the item is a file fetch (GetNetFile), which uses no search value");
        ignore("ShowPage", "the item is a file fetch (GetNetFile)");
        if (has("PostData"))
            Add(key, *ValueOf(key, "PostData"), "warning: makes the file fetch need an open document to be chosen");
        if (!has("ServerURL") && !has("URL"))
            Add(key.line, key, "warning: neither ServerURL nor URL: the fetch asks only the built-in default "
                               "server, whose reserved name never resolves, and cannot fetch anything");
        return;
    }
    for (std::string_view name : kFetchValues)
        ignore(name, "not a file fetch (the item has no GetNetFile)");
    if (!search) {
        std::vector<std::string_view> lacking;
        for (std::string_view name : {"Host", "Target", "PostData"})
            if (!has(name))
                lacking.push_back(name);
        std::string missing;
        for (std::size_t i = 0; i < lacking.size(); ++i)
            missing += std::string(i == 0 ? "" : i + 1 == lacking.size() ? " and " : ", ") + std::string(lacking[i]);
        for (std::string_view name : kSearchValues)
            if (name != "PostData")
                ignore(name, "the search needs Host, Target and PostData, and the item lacks " + missing +
                                 ", so it only opens ShowPage");
        if (has("PostData"))
            Add(key, *ValueOf(key, "PostData"), "warning: without a complete search the item only opens ShowPage, "
                                                "but PostData makes it need an open document");
        if (!has("ShowPage"))
            Add(key.line, key, "warning: the item does nothing: it has no GetNetFile, no complete search (Host, "
                               "Target and PostData) and no ShowPage");
        return;
    }
    if (has("Prompt")) {
        for (std::string_view name : {"InputMimeType", "Dialog<n>", "Target<n>"})
            ignore(name, "the item searches with typed text (Prompt), not the selection, and shows no choice "
                         "dialog");
    } else {
        bool dialog = has("Dialog<n>");
        if (!dialog)
            ignore("Target<n>", "no Dialog0 or Dialog1, so no option is ever chosen");
        for (const auto& [lower, value] : key.values) {
            const std::optional<RuleMatch> match = MatchRule(value.name, kItemValues);
            if (!match || match->rule->name != "Dialog<n>" || !has("Dialog<n>") || value.set->data.size() != 4)
                continue;
            const std::uint32_t id = value.set->data[0] | value.set->data[1] << 8 | value.set->data[2] << 16 |
                                     static_cast<std::uint32_t>(value.set->data[3]) << 24;
            if (std::find(std::begin(kChoiceDialogs), std::end(kChoiceDialogs), id) == std::end(kChoiceDialogs))
                Add(key, value, "warning: " + std::to_string(id) + " is not a search choice dialog (1001 for a "
                                "structure search, 1002 for a reaction search)");
        }
    }
    const StoredValue* structureHost = ValueOf(key, "StructureHost");
    const StoredValue* structureTarget = ValueOf(key, "StructureTarget");
    const bool secondRequest = has("StructureHost") && has("StructureTarget") &&
                               !TextOf(*structureHost->set).empty() && !TextOf(*structureTarget->set).empty();
    if (has("ShowPage")) {
        for (std::string_view name : {"ResultsDescription", "StructureHost", "StructureTarget", "GETHeaders"})
            ignore(name, "the answer opens ShowPage, so there is no results text and no second request");
    } else if (secondRequest) {
        ignore("ResultsDescription", "the answer goes to the second request (StructureHost and StructureTarget)");
    } else if (has("ResultsDescription")) {
        for (std::string_view name : {"StructureHost", "StructureTarget", "GETHeaders"})
            ignore(name, "the second request needs both StructureHost and StructureTarget (not empty), so the "
                         "answer is shown under ResultsDescription");
    }
}

void Checker::CheckPreferences(const StoredKey& key, std::span<const ValueRule> rules)
{
    if (key.hive != "HKEY_CURRENT_USER") {
        if (!key.values.empty())
            Add(key.line, key, "ignored: the add-in reads its preferences only from HKEY_CURRENT_USER");
        return;
    }
    CheckValues(key, rules, "ignored: not a value the add-in reads here");
}

void Checker::Run()
{
    for (const auto& [id, key] : m_registry.Keys()) {
        const std::vector<std::string>& p = key.parts;
        if (key.hive != "HKEY_CURRENT_USER" && key.hive != "HKEY_LOCAL_MACHINE")
            continue;
        if (p.size() >= 6 && p[0] == "software" && p[1] == "quennardix" && p[4] == "extensions" &&
            p[5] == "ulnara19.extension") {
            const std::vector<std::string> rootParts(p.begin(), p.begin() + 6);
            const StoredKey* root = m_registry.Find(key.hive, rootParts);
            if (root == nullptr || (root != &key && (root->parts[3] != "19.0" || FolderProblem(root->names[2]))))
                continue;   // reported once, at the extension key
            switch (p.size()) {
            case 6: CheckExtensionKey(key); break;
            case 7: CheckMenu(key); break;
            case 8: CheckItem(key); break;
            default:
                Add(key.line, key, "ignored: keys below an item key are not read");
            }
        } else if (p.size() == 4 && p[0] == "software" && p[1] == "quennardix" && p[2] == "ulnara" && p[3] == "19.0") {
            CheckPreferences(key, kPreferenceValues);
        } else if (p.size() == 6 && p[0] == "software" && p[1] == "quennardix" && p[4] == "general") {
            CheckPreferences(key, kFetchPreferenceValues);
        } else if (p.size() == 7 && p[0] == "software" && p[1] == "quennardix" && p[4] == "general") {
            if (key.names[6].starts_with("#") && IsNumberIn(std::string_view(key.names[6]).substr(1), 1, 999999))
                CheckPreferences(key, kHistoryValues);
            else if (!key.values.empty())
                Add(key.line, key, "ignored: the download dialog's history keys are named #1, #2, ...");
        } else if (p.size() == 7 && p[0] == "software" && p[1] == "microsoft" && p[5] == "explorer" &&
                   p[6] == "user shell folders") {
            // Only the two folders the add-in uses are checked; the key's other values belong to the system.
            for (const auto& [lower, value] : key.values)
                if (auto match = MatchRule(value.name, kShellFolderValues))
                    CheckValue(key, value, match->rule->kind);
        }
    }
    std::stable_sort(m_report.findings.begin(), m_report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
}

} // namespace

Report Check(const std::vector<regtext::Operation>& operations, const CheckEnvironment& environment)
{
    Report report;
    const FileRegistry registry(operations);
    Checker(registry, environment, report).Run();
    return report;
}

} // namespace config_check
