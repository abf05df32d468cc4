// The configuration store against the real registry: host identification, hive precedence, typed reads
// with their buffer limits, error texts and the proxy preference. Every case runs in a registry sandbox.
#include "addin/ConfigStore.h"
#include "host/wrappers.h"
#include "refhost/application.h"

#include "reg_import.h"
#include "registry_sandbox.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testing_support::ImportRegFixture;
using regconfig::ImportRegText;

const std::string kSentinel = "\x01untouched";
const std::string kVelmoraExtension = "SOFTWARE\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension";
const std::string kItemPath = kVelmoraExtension + "\\10\\Item";

class ConfigStore : public ::testing::Test {
protected:
    regconfig::RegistrySandbox m_sandbox;
};

std::vector<std::string> SortedSubkeys(const basic_RegistryKey& key)
{
    std::vector<std::string> names;
    key.GetAllKeys(names);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(HostIdentification, FirstProductWordInOrderDecides)
{
    const struct {
        const char* name;
        TreviskApp app;
        const char* folder;
    } cases[] = {
        {"Velmora Ultra 19.0", appVelmora, "Velmora"},
        {"Korvane and Velmora", appVelmora, "Velmora"}, // order of the search, not of the name
        {"Tessivo", appTessivo, "Velmora"},
        {"Brannic with Pellane", appBrannic, "Velmora"},
        {"Korvane Pro", appKorvane, "Korvane"},
        {"Sylvane", appSylvane, "Sylvane"},
        {"Ravelle Pellane", appPellane, "Pellane"},
        {"Ravelle", appRavelle, "Ravelle"},
        {"velmora", appUnknown, ""}, // case-sensitive
        {"", appUnknown, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TreviskApp app = IdentifyAppName(c.name);
        EXPECT_EQ(app, c.app);
        EXPECT_EQ(StoreFolder(app), c.folder);
    }
    EXPECT_EQ(ExtensionKeyPath(appTessivo), kVelmoraExtension);
    EXPECT_EQ(ExtensionKeyPath(appRavelle, "Other.Extension"),
              "SOFTWARE\\Quennardix\\Ravelle\\19.0\\Extensions\\Other.Extension");
    EXPECT_EQ(ExtensionKeyPath(appUnknown), "");
}

TEST(HostIdentification, ReadsTheApplicationsName)
{
    auto host = refhost::Host::Create("Korvane and Velmora 19.0", 1);
    auto identify = [&] {
        Application application(host->Application().Detach());
        return IdentifyApp(application);
    };
    EXPECT_EQ(identify(), appVelmora);
    host->Lack("Application", "Name");
    EXPECT_EQ(identify(), appUnknown);
    host->Behave();
    host->Raise("Application", "Name", -1, "busy");
    EXPECT_THROW(identify(), COleDispatchException);
    Application none;
    EXPECT_EQ(IdentifyApp(none), appUnknown);
}

TEST_F(ConfigStore, MachineKeyIgnoredOnceUserKeyExists)
{
    EXPECT_EQ(OpenConfigurationKey(kVelmoraExtension).Status(), ERROR_FILE_NOT_FOUND);

    ImportRegFixture("config_store.reg");
    {
        basic_RegistryKey extension = OpenConfigurationKey(kVelmoraExtension);
        ASSERT_TRUE(extension.IsOpen());
        EXPECT_EQ(extension.QueryString("Origin"), "machine");
        EXPECT_EQ(SortedSubkeys(extension), (std::vector<std::string>{"10", "2", "A", "b"}));
        basic_RegistryKey menu(extension, "10", kConfigReadAccess);
        EXPECT_EQ(menu.QueryString(""), "Search");
    }

    // An empty user key hides the machine's configuration entirely.
    ImportRegText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension]\n");
    basic_RegistryKey extension = OpenConfigurationKey(kVelmoraExtension);
    ASSERT_TRUE(extension.IsOpen());
    std::string origin = kSentinel;
    EXPECT_EQ(extension.QueryValue("Origin", origin), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(origin, kSentinel);
    EXPECT_TRUE(SortedSubkeys(extension).empty());
    // An item path is looked up on its own, so one present only on the machine still opens there.
    EXPECT_EQ(OpenConfigurationKey(kItemPath).QueryString("Host"), "https://search.example");
}

TEST_F(ConfigStore, ValuesOfAnotherTypeReadAsAbsent)
{
    ImportRegFixture("config_store.reg");
    basic_RegistryKey item = OpenConfigurationKey(kItemPath);
    ASSERT_TRUE(item.IsOpen());

    const struct {
        const char* name;
        LONG stringResult;
        std::string text; // what the string read leaves in its out-parameter
    } strings[] = {
        {"", ERROR_SUCCESS, "Find structure..."},
        {"Host", ERROR_SUCCESS, "https://search.example"},
        {"Accent", ERROR_SUCCESS, "Gr\xFC\xDF" "e"}, // code page 1252
        {"Hidden", ERROR_SUCCESS, "1"},
        {"Empty", ERROR_SUCCESS, ""},
        {"NoData", ERROR_SUCCESS, kSentinel}, // found, but nothing to store
        {"Unterminated", ERROR_SUCCESS, "abc"}, // no terminator to drop: the last character stays
        {"Dialog0", ERROR_INVALID_PARAMETER, kSentinel},
        {"Expand", ERROR_INVALID_PARAMETER, kSentinel},
        {"Multi", ERROR_INVALID_PARAMETER, kSentinel},
        {"Binary4", ERROR_INVALID_PARAMETER, kSentinel},
        {"EmptyBinary", ERROR_INVALID_PARAMETER, kSentinel}, // no size makes another type a string
        {"Missing", ERROR_FILE_NOT_FOUND, kSentinel},
    };
    for (const auto& c : strings) {
        SCOPED_TRACE(c.name);
        std::string text = kSentinel;
        EXPECT_EQ(item.QueryValue(c.name, text), c.stringResult);
        EXPECT_EQ(text, c.text);
    }

    const struct {
        const char* name;
        LONG dwordResult;
        DWORD value;
    } dwords[] = {
        {"Dialog0", ERROR_SUCCESS, 1005},
        {"Dialog1", ERROR_SUCCESS, 0},
        {"Hidden", ERROR_INVALID_PARAMETER, 0xDEADBEEF}, // a string "Hidden" does not hide the item
        {"Binary4", ERROR_INVALID_PARAMETER, 0xDEADBEEF},
        {"Qword", ERROR_INVALID_PARAMETER, 0xDEADBEEF},
        {"BigEndian", ERROR_INVALID_PARAMETER, 0xDEADBEEF},
        {"Missing", ERROR_FILE_NOT_FOUND, 0xDEADBEEF},
    };
    for (const auto& c : dwords) {
        SCOPED_TRACE(c.name);
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(item.QueryValue(c.name, &value), c.dwordResult);
        EXPECT_EQ(value, c.value);
    }
    EXPECT_EQ(item.QueryValue("Dialog0", static_cast<DWORD*>(nullptr)), ERROR_INVALID_PARAMETER);
}

TEST_F(ConfigStore, LongestStringIs1999Characters)
{
    // The read buffer holds 2000 bytes with the terminator. "ü" checks that the limit counts the
    // code page's bytes, not the registry's stored wide characters.
    const std::string start(1998, 'a');
    ImportRegText("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Long]\n"
                  "\"Fits\"=\"" + start + "\xC3\xBC\"\n\"TooLong\"=\"" + start + "\xC3\xBC" "b\"\n"); // UTF-8 text
    basic_RegistryKey key(HKEY_CURRENT_USER, "Long", kConfigReadAccess);
    std::string text = kSentinel;
    EXPECT_EQ(key.QueryValue("Fits", text), ERROR_SUCCESS);
    EXPECT_EQ(text, start + "\xFC");
    text = kSentinel;
    EXPECT_EQ(key.QueryValue("TooLong", text), ERROR_MORE_DATA);
    EXPECT_EQ(text, kSentinel);
}

TEST_F(ConfigStore, KeysAreCreatedOnlyWhenAsked)
{
    basic_RegistryKey absent(HKEY_CURRENT_USER, "Software\\New", kPreferencesAccess);
    EXPECT_EQ(absent.Status(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(absent.SetValue("X", "y"), ERROR_INVALID_HANDLE);

    basic_RegistryKey created(HKEY_CURRENT_USER, "Software\\New", kPreferencesAccess, true);
    ASSERT_TRUE(created.IsOpen());
    basic_RegistryKey child(created, "Child", kPreferencesAccess);
    EXPECT_EQ(child.Status(), ERROR_FILE_NOT_FOUND);
    basic_RegistryKey grandchild(child, "Deeper", kPreferencesAccess);
    EXPECT_FALSE(grandchild.IsOpen());
}

TEST_F(ConfigStore, ErrorTextsAddTheCodeAndLineBreaks)
{
    ImportRegFixture("config_store.reg");
    basic_RegistryKey item = OpenConfigurationKey(kItemPath);
    const struct {
        int status;
        const char* expected;
    } cases[] = {
        {500, "Busy (500)The service is busy.\nTry again later."},
        {503, "Busy (503)\n\nDown\n"},
        {404, "Busy"}, // a DWORD is no error text
        {200, "Busy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        std::string message = "Busy";
        AddErrorString(item, c.status, message);
        EXPECT_EQ(message, c.expected);
    }
}

TEST_F(ConfigStore, ProxyURLIsWrittenAndReadBack)
{
    const char* const preferences = "Software\\Quennardix\\Ulnara\\19.0";
    EXPECT_EQ(ReadProxyURL(), "");
    EXPECT_TRUE(basic_RegistryKey(HKEY_CURRENT_USER, preferences, kConfigReadAccess).IsOpen())
        << "reading creates the preferences key";

    for (const std::string url : {"http://proxy.example:8080", "http://pr\xFC" "fung.example/", ""}) {
        SCOPED_TRACE(url);
        ASSERT_EQ(WriteProxyURL(url), ERROR_SUCCESS);
        EXPECT_EQ(ReadProxyURL(), url);
    }
}
