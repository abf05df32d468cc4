#include "reg_import.h"

#include "framework/text.h"
#include "regtext.h"

#include <windows.h>
#include <winternl.h>

#include <stdexcept>

// Not declared by mingw's headers; exported by ntdll on Windows and Wine alike.
extern "C" NTSTATUS NTAPI NtSetValueKey(HANDLE key, PUNICODE_STRING name, ULONG titleIndex, ULONG type, PVOID data,
                                        ULONG size);

namespace regconfig {
namespace {

// Stores the bytes exactly as given. Windows' RegSetValueExW does, but Wine's adds a terminator to a string
// type written without one, and fixtures need such values to show how the add-in reads them.
LONG SetRawValue(HKEY key, const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& data)
{
    UNICODE_STRING unicodeName;
    unicodeName.Buffer = const_cast<wchar_t*>(name.c_str());
    unicodeName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    unicodeName.MaximumLength = static_cast<USHORT>(unicodeName.Length + sizeof(wchar_t));
    NTSTATUS status = NtSetValueKey(key, &unicodeName, 0, type, const_cast<std::uint8_t*>(data.data()),
                                    static_cast<ULONG>(data.size()));
    return static_cast<LONG>(RtlNtStatusToDosError(status));
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
    std::wstring path = fw::FromUtf8(op.path);
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
    std::wstring name = fw::FromUtf8(op.name);
    switch (op.action) {
    case regtext::Action::CreateKey:
        break;
    case regtext::Action::DeleteValue:
        RegDeleteValueW(key, name.c_str());
        break;
    case regtext::Action::SetValue:
        if (op.quoted) {
            std::wstring text = fw::FromUtf8(op.text);
            rc = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        } else {
            rc = SetRawValue(key, name, op.type, op.data);
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
    ImportRegOperations(*ops);
}

void ImportRegOperations(const std::vector<regtext::Operation>& operations)
{
    for (const auto& op : operations)
        Apply(op);
}

bool IsImportableHive(const std::string& hive)
{
    return HiveOf(hive) != nullptr;
}

} // namespace regconfig
