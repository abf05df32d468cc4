// The stand-in structure service's own answers: a catalogue of named structures (the molfiles of a folder)
// that it searches by name or by structure and hands out, so that a whole search runs without scripted
// answers. Answers queued over the control protocol still come first.
//
//   POST /search...  a form body (fields split at "&", "+" and percent escapes decoded):
//                    "name=<text>"       entries whose name equals the text (ignoring ASCII case), else the
//                                        entries whose name starts with it;
//                    "structure=<Base64>" the host's exchange data of a structure (line breaks ignored): the
//                                        entries with the same atoms (element symbols and their counts).
//                    One entry: its name. Several: their names in name order, joined by ",". None:
//                    "no_records_found". Neither field: 400 "No Search Input"; a structure that does not
//                    decode: 422 "Unreadable Structure".
//   GET /structure/<name>  the entry (name percent-decoded) as exchange data; an empty file is served as an
//                    empty answer (the host then reports an empty structure); unknown: 404 "No Such Structure".
// Every other request is left to the script.
#pragma once

#include "protocol.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace standin {

class Catalogue {
public:
    // Every "<name>.mol" of the folder. Nothing, with the reason, when the folder cannot be read or a file
    // is not a molfile.
    static std::optional<Catalogue> Load(const std::string& folder, std::string& error);

    // The catalogue's answer to a request, or nothing when the request is not one it answers.
    std::optional<Answer> Respond(const RecordedRequest& request) const;

private:
    struct Entry {
        std::string exchange;                 // the exchange data served for it; empty for an empty file
        std::map<std::string, int> formula;   // element symbol -> count
    };
    Answer Search(std::string_view body) const;
    Answer Retrieve(std::string_view name) const;

    std::map<std::string, Entry> m_entries;   // by name
};

} // namespace standin
