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

// Maps the two hives to the keys; on failure neither stays mapped and the keys are closed.
void Override(HKEY user, HKEY machine)
{
    if (RegOverridePredefKey(HKEY_CURRENT_USER, user) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine) != ERROR_SUCCESS) {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(user);
        RegCloseKey(machine);
        throw std::runtime_error("RegistrySandbox: RegOverridePredefKey failed");
    }
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
    Override(m_userKey, m_machineKey);
}

RegistrySandbox::RegistrySandbox(const std::string& existingRoot) : m_rootPath(existingRoot), m_owned(false)
{
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (existingRoot + "\\HKCU").c_str(), 0, KEY_ALL_ACCESS, &m_userKey) != ERROR_SUCCESS
        || RegOpenKeyExA(HKEY_CURRENT_USER, (existingRoot + "\\HKLM").c_str(), 0, KEY_ALL_ACCESS, &m_machineKey)
               != ERROR_SUCCESS) {
        if (m_userKey)
            RegCloseKey(m_userKey);
        throw std::runtime_error("the registry sandbox HKEY_CURRENT_USER\\" + existingRoot
                                 + " has no HKCU and HKLM keys");
    }
    Override(m_userKey, m_machineKey);
}

RegistrySandbox::~RegistrySandbox()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(m_userKey);
    RegCloseKey(m_machineKey);
    if (!m_owned)
        return;
    RegDeleteTreeA(HKEY_CURRENT_USER, m_rootPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, m_rootPath.c_str());
}

} // namespace regconfig
