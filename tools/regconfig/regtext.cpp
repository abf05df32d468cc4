#include "regtext.h"

#include <cctype>

namespace regtext {
namespace {

struct Failure {
    std::string message;
};

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted string starting at s[0] == '"', with \\ and \" escapes; returns the text and consumes it.
std::string ReadQuoted(std::string_view& s)
{
    std::string out;
    std::size_t i = 1;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\') {
            if (i + 1 >= s.size())
                throw Failure{"backslash at the end of a string"};
            out += s[++i];
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out += c;
        }
    }
    throw Failure{"unterminated string"};
}

std::vector<std::uint8_t> ReadHexBytes(std::string_view s)
{
    std::vector<std::uint8_t> bytes;
    while (true) {
        s = TrimBlanks(s);
        if (s.empty())
            return bytes;
        int hi = HexDigit(s[0]);
        int lo = s.size() > 1 ? HexDigit(s[1]) : -1;
        if (hi < 0 || lo < 0)
            throw Failure{"bad hexadecimal byte"};
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        s.remove_prefix(2);
        s = TrimBlanks(s);
        if (s.empty())
            return bytes;
        if (s[0] != ',')
            throw Failure{"expected a comma between bytes"};
        s.remove_prefix(1);
    }
}

void ReadData(std::string_view s, Operation& op)
{
    if (s == "-") {
        op.action = Action::DeleteValue;
        return;
    }
    op.action = Action::SetValue;
    if (!s.empty() && s[0] == '"') {
        op.type = kString;
        op.quoted = true;
        op.text = ReadQuoted(s);
        if (!TrimBlanks(s).empty())
            throw Failure{"text after a string value"};
    } else if (StartsWith(s, "dword:")) {
        std::string_view digits = s.substr(6);
        if (digits.empty() || digits.size() > 8)
            throw Failure{"a dword needs 1 to 8 hexadecimal digits"};
        std::uint32_t v = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0)
                throw Failure{"bad dword digit"};
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        op.type = kDword;
        for (int i = 0; i < 4; ++i)
            op.data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    } else if (StartsWith(s, "hex:")) {
        op.type = kBinary;
        op.data = ReadHexBytes(s.substr(4));
    } else if (StartsWith(s, "hex(")) {
        std::size_t close = s.find(')');
        if (close == std::string_view::npos || close == 4 || close > 12 || s.substr(close, 2) != "):")
            throw Failure{"bad typed hex value"};
        std::uint32_t type = 0;
        for (char c : s.substr(4, close - 4)) {
            int d = HexDigit(c);
            if (d < 0)
                throw Failure{"bad value type"};
            type = type * 16 + static_cast<std::uint32_t>(d);
        }
        op.type = type;
        op.data = ReadHexBytes(s.substr(close + 2));
    } else {
        throw Failure{"unknown value data"};
    }
}

void AppendUtf8(std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

} // namespace

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    auto unit = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    std::string out;
    out.reserve(bytes.size() / 2);
    const std::size_t end = bytes.size() & ~std::size_t{1}; // an odd last byte is no character
    for (std::size_t i = 0; i < end; i += 2) {
        std::uint32_t codePoint = unit(i);
        if (codePoint >= 0xD800 && codePoint <= 0xDBFF && i + 2 < end && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
            codePoint = 0xFFFD;
        }
        AppendUtf8(out, codePoint);
    }
    return out;
}

std::string TextOfFile(std::string_view bytes)
{
    if (StartsWith(bytes, "\xFF\xFE"))
        return Utf16ToUtf8(bytes.substr(2), false);
    if (StartsWith(bytes, "\xFE\xFF"))
        return Utf16ToUtf8(bytes.substr(2), true);
    if (StartsWith(bytes, "\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    return std::string(bytes);
}

std::optional<std::vector<Operation>> Parse(std::string_view text, ParseError* error)
{
    std::vector<Operation> ops;
    std::string hive, path;
    bool inKey = false;
    int lineNumber = 0;
    int entryLine = 0;
    try {
        // A UTF-8 byte-order mark is allowed before the header.
        if (StartsWith(text, "\xEF\xBB\xBF"))
            text.remove_prefix(3);
        bool sawHeader = false;
        std::string pending; // a logical line joined from lines ending in a backslash
        while (!text.empty()) {
            std::size_t eol = text.find('\n');
            std::string_view raw = text.substr(0, eol);
            text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
            ++lineNumber;
            std::string_view line = TrimBlanks(raw);
            if (pending.empty())
                entryLine = lineNumber;
            // Only hex data is continued with a trailing backslash (key lines end in "]", strings in a quote).
            if (!line.empty() && line.back() == '\\') {
                pending.append(line.substr(0, line.size() - 1));
                continue;
            }
            std::string joined;
            if (!pending.empty()) {
                joined = pending;
                joined.append(line);
                pending.clear();
                line = joined;
            }
            if (line.empty() || line[0] == ';')
                continue;
            if (!sawHeader) {
                if (line != "REGEDIT4" && line != "Windows Registry Editor Version 5.00")
                    throw Failure{"the first line must be REGEDIT4 or Windows Registry Editor Version 5.00"};
                sawHeader = true;
                continue;
            }
            if (line[0] == '[') {
                if (line.back() != ']')
                    throw Failure{"a key line must end with ]"};
                std::string_view key = line.substr(1, line.size() - 2);
                bool remove = !key.empty() && key[0] == '-';
                if (remove)
                    key.remove_prefix(1);
                std::size_t slash = key.find('\\');
                hive = std::string(key.substr(0, slash));
                path = slash == std::string_view::npos ? std::string() : std::string(key.substr(slash + 1));
                while (!path.empty() && path.back() == '\\')
                    path.pop_back();
                if (hive.empty())
                    throw Failure{"a key needs a hive"};
                Operation op;
                op.action = remove ? Action::DeleteKey : Action::CreateKey;
                op.hive = hive;
                op.path = path;
                op.line = entryLine;
                ops.push_back(std::move(op));
                inKey = !remove;
                continue;
            }
            if (!inKey)
                throw Failure{"a value outside a key"};
            Operation op;
            op.hive = hive;
            op.path = path;
            op.line = entryLine;
            std::string_view rest = line;
            if (rest[0] == '@') {
                rest.remove_prefix(1);
            } else if (rest[0] == '"') {
                op.name = ReadQuoted(rest);
            } else {
                throw Failure{"a value line must start with a quoted name or @"};
            }
            rest = TrimBlanks(rest);
            if (rest.empty() || rest[0] != '=')
                throw Failure{"expected = after the value name"};
            rest.remove_prefix(1);
            ReadData(TrimBlanks(rest), op);
            ops.push_back(std::move(op));
        }
        if (!pending.empty())
            throw Failure{"the text ends inside a continued line"};
        if (!sawHeader)
            throw Failure{"empty text"};
    } catch (const Failure& failure) {
        if (error)
            *error = ParseError{entryLine ? entryLine : lineNumber, failure.message};
        return std::nullopt;
    }
    return ops;
}

} // namespace regtext
