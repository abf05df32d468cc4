#include "mx/version.h"

#include "mx/strings.h"
#include "mx/tokenizer.h"

#include <stdexcept>
#include <vector>

mxVersion::mxVersion(unsigned short major, unsigned short minor) : m_major(major), m_minor(minor) {}

mxVersion::mxVersion(const char* text) : mxVersion(std::string(text ? text : "")) {}

mxVersion::mxVersion(const std::string& text)
{
    mx::mxTokenizer tokenizer(text, ".", 0);
    std::vector<std::string> parts;
    std::string part;
    // A third part already makes the text invalid: no need to read the rest.
    while (parts.size() < 3 && tokenizer.Next(part))
        parts.push_back(part);
    if (parts.size() != 2)
        throw std::invalid_argument("mxVersion: Invalid version string");
    m_major = mx::mxStrToInt(parts[0].c_str());
    m_minor = mx::mxStrToInt(parts[1].c_str());
}

std::string mxVersion::ToString() const
{
    return std::to_string(m_major) + "." + std::to_string(m_minor);
}
