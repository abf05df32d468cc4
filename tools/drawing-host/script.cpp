#include "script.h"

#include <charconv>
#include <climits>

namespace drawing_host {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Splits off the first word; the rest is trimmed.
std::string_view NextWord(std::string_view& text)
{
    text = Trim(text);
    const auto end = std::min(text.find_first_of(kBlanks), text.size());
    std::string_view word = text.substr(0, end);
    text = Trim(text.substr(end));
    return word;
}

std::string Unquoted(std::string_view text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

std::optional<long> Number(std::string_view word, long low, long high)
{
    long value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// Thrown inside the parser only; ParseStep turns it into its error text.
struct Refusal {
    std::string message;
};

std::string RequiredText(std::string_view rest, const char* what)
{
    std::string text = Unquoted(rest);
    if (text.empty())
        throw Refusal{std::string("expected ") + what};
    return text;
}

std::vector<std::string> CaptionPath(std::string_view rest, std::size_t parts)
{
    std::vector<std::string> path;
    while (true) {
        const auto separator = rest.find('>');
        std::string caption = Unquoted(Trim(rest.substr(0, separator)));
        if (caption.empty())
            throw Refusal{"a caption in the path is empty"};
        path.push_back(std::move(caption));
        if (separator == std::string_view::npos)
            break;
        rest.remove_prefix(separator + 1);
    }
    if (path.size() != parts)
        throw Refusal{parts == 1 ? "expected the caption of one menu" : "expected MENU > ITEM"};
    return path;
}

long Id(std::string_view word, const char* what)
{
    if (auto value = Number(word, 1, LONG_MAX))
        return *value;
    throw Refusal{std::string("expected ") + what + ", not \"" + std::string(word) + "\""};
}

long ControlId(std::string_view word)
{
    if (auto value = Number(word, 0, 0xFFFF))
        return *value;
    throw Refusal{"expected a control id from 0 to 65535, not \"" + std::string(word) + "\""};
}

void NoMore(std::string_view rest)
{
    if (!rest.empty())
        throw Refusal{"unexpected \"" + std::string(rest) + "\""};
}

void ParseSelect(Step& step, std::string_view rest)
{
    std::string_view word = NextWord(rest);
    if (word == "all" || word == "none") {
        step.selecting = word == "all" ? Selecting::All : Selecting::None;
        return NoMore(rest);
    }
    std::vector<long>* into = nullptr;
    for (; !word.empty(); word = NextWord(rest)) {
        if (word == "atoms")
            into = &step.atoms;
        else if (word == "bonds")
            into = &step.bonds;
        else if (into == nullptr)
            throw Refusal{"expected all, none, atoms or bonds"};
        else
            into->push_back(Id(word, "an atom or bond ID"));
    }
    if (step.atoms.empty() && step.bonds.empty())
        throw Refusal{"expected all, none, or atoms and bonds by ID"};
}

void ParseClick(Step& step, std::string_view rest)
{
    std::string_view word = NextWord(rest);
    for (; word == "ctrl" || word == "shift"; word = NextWord(rest))
        (word == "ctrl" ? step.control : step.shift) = true;
    if (word != "atom" && word != "bond")
        throw Refusal{"expected atom or bond"};
    (word == "atom" ? step.atoms : step.bonds).push_back(Id(NextWord(rest), "an ID"));
    NoMore(rest);
}

// A first word in double quotes may hold blanks; the rest is trimmed.
std::string QuotedWord(std::string_view& text)
{
    text = Trim(text);
    if (text.empty() || text.front() != '"')
        return std::string(NextWord(text));
    const auto close = text.find('"', 1);
    if (close == std::string_view::npos)
        throw Refusal{"a quoted text has no closing quote"};
    std::string word(text.substr(1, close - 1));
    text = Trim(text.substr(close + 1));
    return word;
}

void ParseExecuteDirect(Step& step, std::string_view rest)
{
    std::string path = QuotedWord(rest);
    if (path.empty())
        throw Refusal{"expected the item's configuration path"};
    step.path = {std::move(path)};
    // An empty text would make the run an interactive one, with its dialogs.
    step.text = RequiredText(rest, "the input text");
}

void ParseExpect(Step& step, std::string_view rest)
{
    std::string_view word = NextWord(rest);
    if (word == "enabled" || word == "disabled") {
        step.expecting = word == "enabled" ? Expecting::Enabled : Expecting::Disabled;
        step.path = CaptionPath(rest, 2);
    } else if (word == "atoms" || word == "selected") {
        step.expecting = word == "atoms" ? Expecting::Atoms : Expecting::Selected;
        auto count = Number(NextWord(rest), 0, LONG_MAX);
        if (!count)
            throw Refusal{"expected a count"};
        step.number = *count;
        NoMore(rest);
    } else {
        throw Refusal{"expected enabled, disabled, atoms or selected"};
    }
}

struct Verb {
    std::string_view word;
    Action action;
};
constexpr Verb kVerbs[] = {
    {"open", Action::Open},     {"select", Action::Select},         {"click", Action::Click},
    {"open-menu", Action::OpenMenu}, {"close-menu", Action::CloseMenu}, {"choose", Action::Choose},
    {"dialog", Action::Dialog}, {"type", Action::Type},             {"press", Action::Press},
    {"read", Action::Read},     {"wait", Action::Wait},             {"screenshot", Action::Screenshot},
    {"execute-direct", Action::ExecuteDirect}, {"print", Action::Print}, {"expect", Action::Expect},
    {"quit", Action::Quit},
};

Step Parse(std::string_view line)
{
    Step step;
    step.line = std::string(Trim(line));
    std::string_view rest = line;
    const std::string_view verb = NextWord(rest);
    const Verb* found = nullptr;
    for (const Verb& candidate : kVerbs)
        if (candidate.word == verb)
            found = &candidate;
    if (found == nullptr)
        throw Refusal{"unknown action \"" + std::string(verb) + "\""};
    step.action = found->action;
    switch (step.action) {
    case Action::Open: step.text = RequiredText(rest, "a file"); break;
    case Action::Select: ParseSelect(step, rest); break;
    case Action::Click: ParseClick(step, rest); break;
    case Action::OpenMenu: step.path = CaptionPath(rest, 1); break;
    case Action::Choose: step.path = CaptionPath(rest, 2); break;
    case Action::Dialog: step.text = RequiredText(rest, "a dialog title"); break;
    case Action::Type:
        step.number = ControlId(NextWord(rest));
        step.text = Unquoted(rest);
        break;
    case Action::Press:
    case Action::Read:
        step.number = ControlId(NextWord(rest));
        NoMore(rest);
        break;
    case Action::Wait:
        step.number = ControlId(NextWord(rest));
        step.text = RequiredText(rest, "the text to wait for");
        break;
    case Action::ExecuteDirect: ParseExecuteDirect(step, rest); break;
    case Action::Screenshot: {
        std::string_view file = rest;
        const std::string_view word = NextWord(file);
        if (word == "client" || word == "dialog") {
            step.picture = word == "client" ? Picture::Client : Picture::Dialog;
            rest = file;
        }
        step.text = RequiredText(rest, "a file name");
        break;
    }
    case Action::Print:
        if (!rest.empty()) {
            if (NextWord(rest) != "selection")
                throw Refusal{"expected nothing or selection"};
            step.selection = true;
        }
        NoMore(rest);
        break;
    case Action::Expect: ParseExpect(step, rest); break;
    case Action::CloseMenu:
    case Action::Quit: NoMore(rest); break;
    }
    return step;
}

} // namespace

bool Step::RunsWhilePending() const
{
    switch (action) {
    case Action::CloseMenu:
    case Action::Dialog:
    case Action::Type:
    case Action::Press:
    case Action::Read:
    case Action::Wait:
    case Action::Screenshot: return true;
    default: return false;
    }
}

std::optional<Step> ParseStep(std::string_view line, std::string* error)
{
    try {
        return Parse(line);
    } catch (const Refusal& refusal) {
        if (error != nullptr)
            *error = refusal.message;
        return std::nullopt;
    }
}

std::optional<std::vector<Step>> ParseScript(const std::vector<std::string>& lines, ScriptError* error)
{
    std::vector<Step> steps;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string_view line = Trim(lines[index]);
        if (line.empty() || line.front() == '#')
            continue;
        std::string message;
        auto step = ParseStep(line, &message);
        if (!step) {
            if (error != nullptr)
                *error = {static_cast<int>(index + 1), std::move(message)};
            return std::nullopt;
        }
        steps.push_back(std::move(*step));
    }
    return steps;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

} // namespace drawing_host
