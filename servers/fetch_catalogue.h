// The download server's fetch tasks, answered from a catalogue in a fixture folder (catalogue.txt there
// describes its lines): task=gettoken gives an init file, task=getlink a link file pointing back at this
// server's /entries/<file>, which serves the catalogue's files. Fault lines script bad answers per action
// or per input value. Native test support; the add-in's parsers are not used, so a fault in them is not
// mirrored here.
#pragma once

#include "protocol.h"

#include <optional>
#include <string>
#include <vector>

namespace standin {

struct FetchCatalogue {
    struct Action {
        std::string name, tokens, caption, fileTypes;
    };
    struct Entry {
        std::string action, query, file, saveAs; // query: "name=value" as decoded from the request
    };
    struct Fault {
        std::string action, task, query, kind, argument; // query "*" matches any request of the task
    };
    std::string folder;
    std::vector<Action> actions;
    std::vector<Entry> entries;
    std::vector<Fault> faults;
};

inline constexpr char kFetchTaskPath[] = "/ulnaramenus/getnetfile.asp";
inline constexpr char kEntriesPath[] = "/entries/";

// Nothing, with the line in `error`, when the catalogue cannot be read or a line is malformed.
std::optional<FetchCatalogue> LoadFetchCatalogue(const std::string& folder, std::string& error);

// The answer to a fetch task or an entry file; nothing for any other request.
std::optional<Answer> AnswerFetchRequest(const FetchCatalogue& catalogue, const RecordedRequest& request);

// "a=1&b=x%20y" as (name, value) pairs, percent escapes and "+" decoded.
std::vector<std::pair<std::string, std::string>> DecodeQuery(std::string_view query);

} // namespace standin
