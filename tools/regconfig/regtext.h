// Reader of registry export text (.reg files as administrators write them: "REGEDIT4" or
// "Windows Registry Editor Version 5.00"), portable so it can be fuzzed. It only parses; applying the
// operations to a registry is the importer's job.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace regtext {

// Value types, numbered as the registry numbers them.
enum ValueType : std::uint32_t {
    kNone = 0, kString = 1, kExpandString = 2, kBinary = 3, kDword = 4, kMultiString = 7, kQword = 11,
};

enum class Action { CreateKey, DeleteKey, SetValue, DeleteValue };

struct Operation {
    Action action = Action::CreateKey;
    std::string hive;               // as written: "HKEY_CURRENT_USER", "HKCU", ...
    std::string path;               // key path below the hive, without leading or trailing backslash
    std::string name;               // value name; empty for the default value ("@")
    std::uint32_t type = kNone;
    bool quoted = false;            // the data was a quoted string: text holds it, type is kString
    std::string text;               // a quoted string as written in the file (UTF-8 here)
    std::vector<std::uint8_t> data; // "dword:" and "hex" data, also "hex(1):": the raw value bytes
    int line = 0;                   // line of the file where the entry starts
};

struct ParseError {
    int line = 0;
    std::string message;
};

// Parses the whole text; on failure nothing is returned but the first error.
std::optional<std::vector<Operation>> Parse(std::string_view text, ParseError* error = nullptr);

// The UTF-8 text of a .reg file's bytes: regedit writes UTF-16 little-endian with a byte-order mark, which
// is converted (an unpaired surrogate becoming U+FFFD); a big-endian one likewise; a UTF-8 mark is dropped;
// anything else is taken as UTF-8 already.
std::string TextOfFile(std::string_view bytes);
// UTF-16 bytes (as "hex(1):" and "hex(2):" data hold string values) as UTF-8, unpaired surrogates as U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian = false);

} // namespace regtext
