// The registry key through which the add-in reads its configuration and writes its preferences. Text is
// narrow (system code page) and goes through the ANSI registry functions. Every read returns the registry's
// result code: callers treat 0 as found and anything else as absent, and the out-parameter is left as it
// was unless the read succeeds.
#pragma once

#include "framework/handle.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The longest string value the add-in reads: its read buffer holds 2000 bytes with the terminator, and a
// longer value reads as absent.
inline constexpr std::size_t kLongestStringValue = 1999;

class basic_RegistryKey {
public:
    // Opens subKey below root; when it does not exist and create is set, creates it (non-volatile, same
    // access) and keeps the result of the creation as the status.
    basic_RegistryKey(HKEY root, const std::string& subKey, REGSAM access, bool create = false);
    // Opens subKey below an open parent; never creates.
    basic_RegistryKey(const basic_RegistryKey& parent, const std::string& subKey, REGSAM access);
    basic_RegistryKey(basic_RegistryKey&& other) noexcept;
    basic_RegistryKey& operator=(basic_RegistryKey&& other) noexcept;
    virtual ~basic_RegistryKey() = default;

    bool IsOpen() const noexcept { return m_status == ERROR_SUCCESS; }
    LONG Status() const noexcept { return m_status; }
    HKEY Handle() const noexcept { return m_key.get(); }

    // A REG_DWORD of exactly 4 bytes; any other type or size, or a null out pointer, gives
    // ERROR_INVALID_PARAMETER.
    LONG QueryValue(const std::string& name, DWORD* value) const;
    // A REG_SZ without its terminating zero; any other type gives ERROR_INVALID_PARAMETER, a value of
    // 2000 bytes or more (terminator included) ERROR_MORE_DATA. The empty name reads the default value.
    LONG QueryValue(const std::string& name, std::string& value) const;
    // Name of the subkey at index.
    LONG Enum(DWORD index, std::string& name, FILETIME* lastWriteTime = nullptr) const;
    // Appends the names of all subkeys, index 0 upward (the registry's order, which is not creation order).
    void GetAllKeys(std::vector<std::string>& names) const;
    // Writes a REG_SZ of the text and its terminating zero.
    LONG SetValue(const std::string& name, const std::string& value) const;

    // The reads above for callers that only need "found or not".
    std::optional<DWORD> QueryDword(const std::string& name) const;
    std::optional<std::string> QueryString(const std::string& name) const;

private:
    fw::unique_hkey m_key;
    LONG m_status = ERROR_INVALID_HANDLE;
};
