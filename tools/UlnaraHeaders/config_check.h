// The configuration check of UlnaraHeaders: reads the operations of a .reg file as the registry would hold
// them afterwards and reports what the add-in would ignore or could not use: values of the wrong type or
// too long, header lists that do not decipher, value names it never reads, values the item's handler does
// not use, menus and items it leaves out, folders no host reads, and a machine configuration that a user
// configuration in the same file hides. Portable (fuzzed natively): what needs the platform (the system
// code page, the cipher, the host names) comes in through CheckEnvironment.
#pragma once

#include "regtext.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace config_check {

struct CodePageText {
    std::size_t length = 0;   // bytes in the system code page, without a terminator
    bool lossless = true;     // every character has a code in the code page
};

struct CheckEnvironment {
    // UTF-8 text as the add-in's ANSI reads would see it.
    std::function<CodePageText(std::string_view utf8)> toCodePage;
    // Problems of a stored header list as the add-in would read it (the stored value's UTF-8 text): that it
    // does not decipher ("ignored: ..."), or what in the deciphered list would not be sent as meant
    // ("warning: ..."). Empty when sound.
    std::function<std::vector<std::string>(std::string_view stored)> inspectHeaderList;
    // The suite's hosts: the product word of each and the store folder it reads its configuration from.
    std::vector<std::pair<std::string, std::string>> hosts;
};

struct Finding {
    int line = 0;             // of the .reg file
    std::string key;          // hive and path as written in the file
    std::string message;      // starts with what is wrong for the add-in: "ignored", "left out", "warning"
};

struct Report {
    std::vector<Finding> findings;   // in the order of their lines
    int menus = 0;                   // menu and item keys of the add-in that were checked
    int items = 0;
};

Report Check(const std::vector<regtext::Operation>& operations, const CheckEnvironment& environment);

// The kinds of value the add-in reads, and what limits them.
enum class ValueKind {
    String,       // REG_SZ, at most 1999 characters
    Dword,        // REG_DWORD of 4 bytes
    FetchString,  // REG_SZ or REG_EXPAND_SZ (not expanded), at most 254 characters
    HeaderList,   // a String holding an enciphered header list
};

inline constexpr std::size_t kLongestString = 1999;
inline constexpr std::size_t kLongestFetchString = 254;

} // namespace config_check
