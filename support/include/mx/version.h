// mxVersion: a two-part version number (major.minor) read from and written to text and compared.
#pragma once

#include "mx/export.h"

#include <string>

class MX_API mxVersion {
public:
    mxVersion() = default; // 1.0
    mxVersion(unsigned short major, unsigned short minor);
    // "major.minor" with blanks allowed around each part; a part that is not a number reads as 0. Any other
    // number of parts throws std::invalid_argument("mxVersion: Invalid version string").
    explicit mxVersion(const std::string& text);
    explicit mxVersion(const char* text);

    int GetMajorVersionNumber() const { return m_major; }
    int GetMinorVersionNumber() const { return m_minor; }
    void SetMajorVersionNumber(const int& major) { m_major = major; }
    void SetMinorVersionNumber(const int& minor) { m_minor = minor; }
    void IncrementMajorVersionNumber() { m_major = static_cast<int>(static_cast<unsigned>(m_major) + 1u); }

    std::string ToString() const;

    bool operator==(const mxVersion& other) const { return m_major == other.m_major && m_minor == other.m_minor; }
    bool operator!=(const mxVersion& other) const { return !(*this == other); }
    bool operator<(const mxVersion& other) const
    {
        return m_major != other.m_major ? m_major < other.m_major : m_minor < other.m_minor;
    }

private:
    int m_major = 1;
    int m_minor = 0;
};
