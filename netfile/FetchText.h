// The text handling of the three-step fetch, free of platform calls so that it is fuzzed and tested natively:
// the download server's answer files, the token and file type lists, the request URLs and URL templates,
// the Save As filter, and the version and preference key taken from configuration paths. CGetNetFileUI
// reads the files and the registry and calls these.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace netfile {

using StringPairs = std::vector<std::pair<std::string, std::string>>;

// A line of an answer file holds at most this many characters; a longer one is cut there.
inline constexpr std::size_t kMaxAnswerLine = 1023;
// Bytes of an answer file that are ever looked at: more than its five lines at their longest with CR LF. One
// of those lines that runs past this is longer than kMaxAnswerLine and cut anyway, and so are the bytes of
// the lines after a cut one, which read as empty.
inline constexpr std::size_t kAnswerReadLimit = 8192;

// Reads an answer file's text line by line. Lines end with CR LF or LF, and the end is not part of the
// line; a final line end yields one more, empty, line. After a line longer than kMaxAnswerLine (returned
// cut) every later line reads as empty.
class AnswerLineReader {
public:
    explicit AnswerLineReader(std::string_view text) : m_rest(text), m_ended(text.empty()) {}
    // False once the end of the text has been reached.
    bool ReadOneLine(std::string& line);
    // The last line read was cut, or holds a zero byte or a CR of its own: its value must not be used, as
    // it is not what the server wrote or would change meaning in a URL, a header or a file name.
    bool LastLineUnusable() const { return m_lastUnusable; }

private:
    std::string_view m_rest;
    bool m_ended;
    bool m_cut = false;
    bool m_lastUnusable = false;
};

// The init file: "SUCD", then "tkns=", "cptn=" and "flxt=" lines, each with a value. Values are assigned
// as their lines pass the check, so a file that fails at its caption has still given its token text. True
// only when all four lines are right.
bool ReadInitAnswer(std::string_view text, std::string& tokens, std::string& caption, std::string& fileTypes);

// The link file: "SUCD", "mthd=" GET or POST, "link=" URL, then "rqhd=" header text (needed for POST; for
// GET any line, ignored) and an optional "svas=" file name.
struct LinkAnswer {
    bool counts = false;       // method, link and (for POST) headers are usable
    std::string method;
    std::string link;
    std::string headers;       // POST only
    bool fourthLineRead = false;
    std::string saveAs;        // the "svas=" value when the fifth line is one with a value; not yet checked
};
LinkAnswer ReadLinkAnswer(std::string_view text);

// Splits one list entry at its first ":" into key and value, each trimmed of white space. False for an
// entry without ":" or starting with it (tested before trimming), leaving the outputs untouched.
bool SeparateStr(std::string_view entry, std::string& key, std::string& value);
// "key:value;key:value;...": the pairs of every entry SeparateStr accepts, in order, replacing the list.
void ParseArray(std::string_view text, StringPairs& list);

// Every occurrence of the token in the URL replaced by the value, left to right; the search resumes after
// an inserted value, so a value holding its own token is not expanded again. An empty token replaces
// nothing.
std::string ReplaceToken(std::string url, std::string_view token, std::string_view value);

// An input value the user typed, made safe to stand inside a URL's path or query: every byte other than
// letters, digits and "-._~" is percent-encoded, and so are the dots of a value that is only "." or "..".
// Plain identifiers (1ABC, A) pass unchanged.
std::string EscapeInputValue(std::string_view value);

// The Save As filter "description|*.ext|" per file type and a closing "|", and the first type's extension.
// False (outputs untouched) when there are no file types.
bool FileExtsFilter(const StringPairs& fileExts, std::string& filter, std::string& defaultExt);

// The host version in an item key path: the last path element before the first "\extensions" (any letter
// case), "0" when there is none.
std::string VersionFromKeyPath(std::string_view keyPath);
// The preference key of the host: "Software\Quennardix\<first word of the name>\<version>".
std::string AppRegPath(std::string_view appName, std::string_view version);

// The download server's request URL: the base (the built-in default when empty) with one "?" at its end,
// then action, mxapp, mxver and task, as given.
std::string ServerRequestURL(std::string_view serverURL, std::string_view action, std::string_view appName,
                             std::string_view version, std::string_view task);
// The built-in server: a host under the reserved .example domain, which never resolves to a real machine.
inline constexpr std::string_view kDefaultServerURL = "http://getnetfile.ulnara.example/ulnaramenus/getnetfile.asp?";
// "&name=value" for each token that has a value, in order; values escaped as EscapeInputValue does.
std::string TokenQuery(const StringPairs& tokens, const std::vector<std::string>& values);
// The local URL template with every token name replaced by its escaped value, in one pass from the left:
// an inserted value is never searched for tokens, and where token names overlap the longest one wins.
std::string FillURLTemplate(std::string_view url, const StringPairs& tokens, const std::vector<std::string>& values);

// The folder, a "\" unless it already ends in one, and the name.
std::string JoinFolderAndName(std::string_view folder, std::string_view name);

// The temporary answer file's name: one per process and, within it, one per fetch object, so that neither
// two hosts nor two dialogs of one host read each other's answers.
std::string TempFileName(unsigned long processId, unsigned long instance);

} // namespace netfile
