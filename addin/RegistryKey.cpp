#include "addin/RegistryKey.h"

#include <array>
#include <utility>

namespace {

// The read buffers are part of the behaviour: a string of 2000 bytes or more with its terminator does not
// fit and reads as absent (ERROR_MORE_DATA), so the longest string value is 1999 characters.
constexpr DWORD kDwordBufferSize = 1000;
constexpr DWORD kStringBufferSize = kLongestStringValue + 1;
constexpr DWORD kKeyNameBufferSize = 1000;

} // namespace

basic_RegistryKey::basic_RegistryKey(HKEY root, const std::string& subKey, REGSAM access, bool create)
{
    HKEY key = nullptr;
    m_status = RegOpenKeyExA(root, subKey.c_str(), 0, access, &key);
    if (m_status == ERROR_FILE_NOT_FOUND && create) {
        key = nullptr;
        m_status = RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                                   nullptr);
    }
    if (m_status == ERROR_SUCCESS)
        m_key.reset(key);
}

basic_RegistryKey::basic_RegistryKey(const basic_RegistryKey& parent, const std::string& subKey, REGSAM access)
{
    if (!parent.IsOpen())
        return; // status stays ERROR_INVALID_HANDLE
    HKEY key = nullptr;
    m_status = RegOpenKeyExA(parent.Handle(), subKey.c_str(), 0, access, &key);
    if (m_status == ERROR_SUCCESS)
        m_key.reset(key);
}

basic_RegistryKey::basic_RegistryKey(basic_RegistryKey&& other) noexcept
    : m_key(std::move(other.m_key)), m_status(std::exchange(other.m_status, ERROR_INVALID_HANDLE))
{
}

basic_RegistryKey& basic_RegistryKey::operator=(basic_RegistryKey&& other) noexcept
{
    if (this != &other) {
        m_key = std::move(other.m_key);
        m_status = std::exchange(other.m_status, ERROR_INVALID_HANDLE);
    }
    return *this;
}

LONG basic_RegistryKey::QueryValue(const std::string& name, DWORD* value) const
{
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    std::array<BYTE, kDwordBufferSize> buffer;
    DWORD type = REG_NONE;
    DWORD size = kDwordBufferSize;
    LONG rc = RegQueryValueExA(m_key.get(), name.c_str(), nullptr, &type, buffer.data(), &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type != REG_DWORD || size != sizeof(DWORD) || value == nullptr)
        return ERROR_INVALID_PARAMETER;
    CopyMemory(value, buffer.data(), sizeof(DWORD));
    return ERROR_SUCCESS;
}

LONG basic_RegistryKey::QueryValue(const std::string& name, std::string& value) const
{
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    std::array<char, kStringBufferSize> buffer;
    DWORD type = REG_NONE;
    DWORD size = kStringBufferSize;
    LONG rc = RegQueryValueExA(m_key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                               &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    // The type is checked before the size, so a value of another type never counts as found.
    if (type != REG_SZ)
        return ERROR_INVALID_PARAMETER;
    if (size == 0)
        return ERROR_SUCCESS; // found, but there is nothing to store
    // The registry returns the stored bytes as they are: a value written without its terminator keeps its
    // last character.
    std::size_t length = size;
    if (buffer[length - 1] == '\0')
        --length;
    value.assign(buffer.data(), length);
    return ERROR_SUCCESS;
}

LONG basic_RegistryKey::Enum(DWORD index, std::string& name, FILETIME* lastWriteTime) const
{
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    std::array<char, kKeyNameBufferSize> buffer;
    DWORD length = kKeyNameBufferSize;
    LONG rc = RegEnumKeyExA(m_key.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, lastWriteTime);
    if (rc == ERROR_SUCCESS)
        name.assign(buffer.data(), length);
    return rc;
}

void basic_RegistryKey::GetAllKeys(std::vector<std::string>& names) const
{
    std::string name;
    for (DWORD index = 0; Enum(index, name) == ERROR_SUCCESS; ++index)
        names.push_back(name);
}

LONG basic_RegistryKey::SetValue(const std::string& name, const std::string& value) const
{
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

std::optional<DWORD> basic_RegistryKey::QueryDword(const std::string& name) const
{
    DWORD value = 0;
    if (QueryValue(name, &value) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::string> basic_RegistryKey::QueryString(const std::string& name) const
{
    std::string value;
    if (QueryValue(name, value) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}
