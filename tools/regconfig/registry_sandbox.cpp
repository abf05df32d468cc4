#include "registry_sandbox.h"

#include <atomic>
#include <stdexcept>

namespace regconfig {
namespace {

HKEY CreateKey(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr);
    if (rc != ERROR_SUCCESS)
        throw std::runtime_error("RegistrySandbox: cannot create " + path + " (" + std::to_string(rc) + ")");
    return key;
}

} // namespace

RegistrySandbox::RegistrySandbox()
{
    static std::atomic<int> counter{0};
    m_rootPath = "Software\\UlnaraTestSandbox\\" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(counter++);
    // Keys imported into the sandbox must be ordinary (non-volatile) ones, so the sandbox is too; a process
    // that dies early leaves its sandbox behind in the test prefix, where nothing reads it.
    HKEY root = CreateKey(HKEY_CURRENT_USER, m_rootPath);
    RegCloseKey(root);
    m_userKey = CreateKey(HKEY_CURRENT_USER, m_rootPath + "\\HKCU");
    m_machineKey = CreateKey(HKEY_CURRENT_USER, m_rootPath + "\\HKLM");
    if (RegOverridePredefKey(HKEY_CURRENT_USER, m_userKey) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machineKey) != ERROR_SUCCESS) {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        throw std::runtime_error("RegistrySandbox: RegOverridePredefKey failed");
    }
}

RegistrySandbox::~RegistrySandbox()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(m_userKey);
    RegCloseKey(m_machineKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_rootPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, m_rootPath.c_str());
}

} // namespace regconfig
