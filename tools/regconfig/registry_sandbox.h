// Keeps a process (a test, a preview) off the real hives: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are mapped
// to fresh keys of their own for the sandbox's lifetime (RegOverridePredefKey), and removed afterwards.
#pragma once

#include <windows.h>

#include <string>

namespace regconfig {

class RegistrySandbox {
public:
    RegistrySandbox();
    // Joins a sandbox another process made (its RootPath): its keys stand in for the hives here too, and stay
    // when this one goes.
    explicit RegistrySandbox(const std::string& existingRoot);
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // Path of the sandbox below the real HKEY_CURRENT_USER, for checks from outside the override.
    const std::string& RootPath() const { return m_rootPath; }

private:
    std::string m_rootPath;
    HKEY m_userKey = nullptr;
    HKEY m_machineKey = nullptr;
    bool m_owned = true;   // made here, so removed here
};

} // namespace regconfig
