#include "reg_import.h"

#include "regtext.h"
#include "test_paths.h"

#include <windows.h>

#include <stdexcept>

namespace testing_support {
namespace {

std::wstring Widen(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

HKEY HiveOf(const std::string& name)
{
    if (name == "HKEY_CURRENT_USER" || name == "HKCU")
        return HKEY_CURRENT_USER;
    if (name == "HKEY_LOCAL_MACHINE" || name == "HKLM")
        return HKEY_LOCAL_MACHINE;
    return nullptr;
}

[[noreturn]] void Fail(const regtext::Operation& op, const std::string& what, LONG rc)
{
    throw std::runtime_error("line " + std::to_string(op.line) + ": " + what + " (error " + std::to_string(rc) + ")");
}

void Apply(const regtext::Operation& op)
{
    HKEY hive = HiveOf(op.hive);
    if (!hive)
        Fail(op, "only HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE can be imported, not " + op.hive, 0);
    std::wstring path = Widen(op.path);
    if (op.action == regtext::Action::DeleteKey) {
        LONG rc = RegDeleteTreeW(hive, path.c_str());
        if (rc == ERROR_SUCCESS)
            RegDeleteKeyW(hive, path.c_str());
        return;
    }
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        Fail(op, "cannot create " + op.hive + "\\" + op.path, rc);
    std::wstring name = Widen(op.name);
    switch (op.action) {
    case regtext::Action::CreateKey:
        break;
    case regtext::Action::DeleteValue:
        RegDeleteValueW(key, name.c_str());
        break;
    case regtext::Action::SetValue:
        if (op.type == regtext::kString) {
            std::wstring text = Widen(op.text);
            rc = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        } else {
            rc = RegSetValueExW(key, name.c_str(), 0, op.type, op.data.data(), static_cast<DWORD>(op.data.size()));
        }
        if (rc != ERROR_SUCCESS) {
            RegCloseKey(key);
            Fail(op, "cannot set value \"" + op.name + "\"", rc);
        }
        break;
    case regtext::Action::DeleteKey:
        break;
    }
    RegCloseKey(key);
}

} // namespace

void ImportRegText(std::string_view text)
{
    regtext::ParseError error;
    auto ops = regtext::Parse(text, &error);
    if (!ops)
        throw std::runtime_error("line " + std::to_string(error.line) + ": " + error.message);
    for (const auto& op : *ops)
        Apply(op);
}

void ImportRegFixture(const std::string& name)
{
    ImportRegText(ReadTextFile(FixturePath(name)));
}

} // namespace testing_support
