// The registry sandbox and the .reg importer under the real registry API; the scripted user's way out when a
// script fails, so that a failing dialog test ends instead of hanging.
#include "reg_import.h"
#include "registry_sandbox.h"
#include "test_paths.h"
#include "user_automation.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

using testing_support::ImportRegFixture;
using regconfig::ImportRegText;
using testing_support::BasicScriptedUser;
using testing_support::DialogWindow;
using regconfig::RegistrySandbox;

namespace {

std::string ReadString(HKEY hive, const char* path, const char* name)
{
    char buffer[256] = "sentinel";
    DWORD size = sizeof buffer;
    if (RegGetValueA(hive, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<absent>";
    return buffer;
}

bool KeyExists(HKEY hive, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

TEST(RegistrySandbox, WritesStayInsideAndVanishAfterwards)
{
    std::string root;
    {
        RegistrySandbox sandbox;
        root = sandbox.RootPath();
        ImportRegText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\UlnaraProbe]\n\"A\"=\"1\"\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\UlnaraProbe]\n\"B\"=\"2\"\n");
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, "Software\\UlnaraProbe", "A"), "1");
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\UlnaraProbe", "B"), "2");
        // The machine hive is a separate key, not the user one.
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\UlnaraProbe", "A"), "<absent>");
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\UlnaraProbe"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\UlnaraProbe"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, root));
}

TEST(RegImport, FixtureValuesArriveWithTheirTypes)
{
    RegistrySandbox sandbox;
    ImportRegFixture("sandbox.reg");
    const char* menu = "Software\\UlnaraFixture\\Menu";
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, menu, nullptr), "Default text");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, menu, "Caption"), "Structure \"search\" in C:\\Data");
    // Non-ASCII text reaches the narrow API in the system code page (1252 here).
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, menu, "Accent"), "Gr\xFC\xDF" "e");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\UlnaraFixture", "Machine"), "yes");

    DWORD count = 0, size = sizeof count;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, menu, "Count", RRF_RT_REG_DWORD, nullptr, &count, &size), ERROR_SUCCESS);
    EXPECT_EQ(count, 42u);
    std::vector<BYTE> blob(8);
    size = static_cast<DWORD>(blob.size());
    DWORD type = 0;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, menu, "Blob", RRF_RT_ANY, &type, blob.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    blob.resize(size);
    EXPECT_EQ(blob, (std::vector<BYTE>{0x00, 0x01, 0xfe, 0xff}));
}

TEST(RegImport, DeletionsAndErrors)
{
    RegistrySandbox sandbox;
    ImportRegText("REGEDIT4\n[HKCU\\Software\\Gone\\Child]\n\"V\"=\"x\"\n[HKCU\\Software\\Kept]\n\"V\"=\"x\"\n");
    ImportRegText("REGEDIT4\n[-HKCU\\Software\\Gone]\n[HKCU\\Software\\Kept]\n\"V\"=-\n");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Gone"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Kept"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, "Software\\Kept", "V"), "<absent>");

    try {
        ImportRegText("REGEDIT4\n\n[HKCU\\Software\\X]\n\"V\"=dword:xyz\n");
        FAIL() << "a bad dword was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "line 4: bad dword digit");
    }
    EXPECT_THROW(ImportRegText("REGEDIT4\n[HKEY_USERS\\X]\n"), std::runtime_error);
}

TEST(ScriptedUser, FailingScriptClosesTheDialogItLeftOpen)
{
    // A message box is a dialog too: the code under it waits for the user like any modal dialog.
    const struct {
        const char* why;
        BasicScriptedUser::Script script;
        std::function<bool()> failedQuietly;
        const char* failure;
    } cases[] = {
        {"a missing control",
         [](BasicScriptedUser& me) { me.WaitForDialog("Scripted").Click(4242); },
         {}, "has no control 4242"},
        {"a failure that returned quietly",
         [](BasicScriptedUser& me) { me.WaitForDialog("Scripted"); },
         [] { return true; }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        BasicScriptedUser user(c.script, c.failedQuietly);
        EXPECT_EQ(MessageBoxW(nullptr, L"Waiting for the user", L"Scripted", MB_OKCANCEL), IDCANCEL);
        EXPECT_FALSE(user.Finish());
        EXPECT_NE(user.FailureText().find(c.failure), std::string::npos) << user.FailureText();
    }
}

TEST(ScriptedUser, DialogThatNeverAppearsFailsWithinThePatience)
{
    BasicScriptedUser user([](BasicScriptedUser& me) { me.WaitForDialog("Never shown", std::chrono::milliseconds(50)); });
    EXPECT_FALSE(user.Finish());
    EXPECT_EQ(user.FailureText(), "no dialog \"Never shown\" appeared");
}
