// The downloader's text rules (portable) and its static file-system and registry utilities.
#include "netfile/DownloadText.h"
#include "netfile/GetNetFile.h"

#include "registry_sandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(PostUrl, SplitsIntoHostPathAndQueryOrRefuses)
{
    struct Case {
        const char* url;
        bool splits;
        const char* host = "";
        const char* path = "";
        const char* query = "";
    } cases[] = {
        {"http://ab/p?q=1", true, "ab", "/p", "q=1"},
        {"http://files.example/get/entry?id=1ABC&x=?", true, "files.example", "/get/entry", "id=1ABC&x=?"},
        {"http://ab/p?", true, "ab", "/p", ""},
        {"http://a/p?q=1", false},   // one-letter host
        {"http://ab/p", false},      // no query
        {"http://ab/?q=1", false},   // path of "/" alone
        {"http://ab?q=1", false},    // no path
        {"HTTP://ab/p?q=1", false},  // the scheme in another case
        {"https://ab/p?q=1", false},
        {"http://", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        std::string host = "h", path = "p", query = "q";
        ASSERT_EQ(netfile::SplitPostUrl(c.url, host, path, query), c.splits);
        if (c.splits) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(path, c.path);
            EXPECT_EQ(query, c.query);
        } else {
            EXPECT_EQ(host + path + query, "hpq"); // untouched
        }
    }
}

TEST(PostHeaders, LinesThatFrameTheBodyAreLeftOut)
{
    EXPECT_EQ(netfile::WithoutFramingHeaders("X-Entry: 1ABC\r\nContent-Length: 1\r\nX-After: 2"), "X-Entry: 1ABC\r\nX-After: 2");
    EXPECT_EQ(netfile::WithoutFramingHeaders("transfer-encoding : chunked\nX-A: 1\rCONTENT-LENGTH:9\r\n\r\n"), "X-A: 1\r");
    EXPECT_EQ(netfile::WithoutFramingHeaders("\tContent-Length: 1"), "");
    // Names that only hold the words, and values that do, stay.
    const char* kept = "X-Content-Length: 1\r\nContent-Length-Hint: 2\r\nX-Note: Content-Length: 3";
    EXPECT_EQ(netfile::WithoutFramingHeaders(kept), kept);
}

TEST(ErrorPage, FoundInTheFirstThreeWindowsOnly)
{
    const std::string filler(3000, 'x');
    auto with = [&](std::size_t at, const std::string& marker) { return filler.substr(0, at) + marker + filler.substr(at); };
    EXPECT_TRUE(netfile::IsErrorPage("<HTML><body>"));
    EXPECT_TRUE(netfile::IsErrorPage(with(100, "<hTmL>")));
    EXPECT_TRUE(netfile::IsErrorPage(with(1100, "<html>")));   // the window that starts at 1024
    EXPECT_FALSE(netfile::IsErrorPage(with(1600, "<html>")));  // after it
    EXPECT_FALSE(netfile::IsErrorPage(with(509, "<html>")));   // across the boundary at 512
    EXPECT_FALSE(netfile::IsErrorPage(with(10, "<html lang=en>")));
    EXPECT_TRUE(netfile::IsErrorPage("\n\nWe're sorry, but the requested file is not available.\n"));
    EXPECT_FALSE(netfile::IsErrorPage("we're sorry, but the requested file is not available."));
    EXPECT_FALSE(netfile::IsErrorPage(""));
    EXPECT_FALSE(netfile::IsErrorPage("<\0html>"s));
}

TEST(ResponseName, TakenFromTheUrlAndRefusedWhenItCouldLeaveTheFolder)
{
    struct Case {
        const char* url;
        const char* name;
        bool safe;
    } cases[] = {
        {"http://h/files/1ABC.pdb?x=1", "1ABC.pdb", true},
        {"http://h:8080/a\\b.mol", "b.mol", true},
        {"http://h/get?file=x.pdb", "get", true},
        {"http://h/a/b:c.pdb", "c.pdb", true},
        {"http://h/?only", "?only", false},     // a "?" in first place is kept: no plain name
        {"http://h/files/", "files/", false},   // a URL ending in "/" names no file
        {"http://h", "", false},
        {"http://h/files/..", "..", false},
        {"http://h/files/.", ".", false},
        {"http://h/CON", "CON", false},
        {"http://h/nul.pdb", "nul.pdb", false},
        {"http://h/com1.txt", "com1.txt", false},
        {"http://h/LPT9", "LPT9", false},
        {"http://h/COM0.pdb", "COM0.pdb", true},
        {"http://h/console.pdb", "console.pdb", true},
        {"http://h/entry.pdb.", "entry.pdb.", false},
        {"http://h/entry.pdb%20", "entry.pdb%20", true},
        {"http://h/a|b", "a|b", false},
        {"http://h/a\tb", "a\tb", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const std::string name = netfile::ResponseFileName(netfile::UrlObject(c.url));
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(netfile::IsSafeFileName(name), c.safe);
    }
    EXPECT_FALSE(netfile::IsSafeFileName("entry.pdb "));
    EXPECT_FALSE(netfile::IsSafeFileName("COM\xB9"));
    EXPECT_FALSE(netfile::IsSafeFileName("AUX .pdb"));
}

TEST(Progress, EstimateGrowsAheadOfTheTotal)
{
    for (std::uint64_t chunk : {512u, 65536u, 1000000u}) {
        SCOPED_TRACE(chunk);
        netfile::DownloadProgress progress;
        for (std::uint64_t done = 0; done < 1'000'000; done += chunk)
            progress.Add(std::min<std::uint64_t>(chunk, 1'000'000 - done));
        EXPECT_EQ(progress.Estimate(), 1'100'000u);
        EXPECT_EQ(progress.Percent(), 90u);
        EXPECT_EQ(progress.Kilobytes(), 976u);
    }
    netfile::DownloadProgress progress;
    progress.Add(499'999);
    EXPECT_EQ(progress.Percent(), 99u);
    progress.Add(1);
    EXPECT_EQ(progress.Percent(), 62u); // the estimate grew to 800,000
    EXPECT_EQ(progress.Speed(0), 0u);
    EXPECT_EQ(progress.Speed(2), 244u);
}

class Utilities : public testing::Test {
protected:
    static HKEY ShellFolders()
    {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                        0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return key;
    }
    static void SetString(HKEY key, const char* name, const std::string& value, DWORD type = REG_SZ)
    {
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    }

    regconfig::RegistrySandbox sandbox;
};

TEST_F(Utilities, UserFolderExpandsOnlyTheProfile)
{
    EXPECT_EQ(CGetNetFile::GetUserFolder(32), ""); // no shell folders key
    HKEY key = ShellFolders();
    ASSERT_TRUE(key);
    EXPECT_EQ(CGetNetFile::GetUserFolder(32), "C:\\");
    char saved[MAX_PATH] = {};
    const DWORD savedLength = GetEnvironmentVariableA("USERPROFILE", saved, sizeof saved);
    SetEnvironmentVariableA("USERPROFILE", "C:\\Users\\a");
    SetString(key, "Cache", "%USERPROFILE%\\AppData\\Local\\Cache", REG_EXPAND_SZ);
    SetString(key, "Desktop", "D:\\Desk\\");
    EXPECT_EQ(CGetNetFile::GetUserFolder(32), "C:\\Users\\a\\AppData\\Local\\Cache\\");
    EXPECT_EQ(CGetNetFile::GetUserFolder(7), "C:\\Users\\a\\AppData\\Local\\Cache\\");
    EXPECT_EQ(CGetNetFile::GetUserFolder(5), "D:\\Desk\\");
    SetString(key, "Cache", "%TEMP%\\%USERPROFILE%");
    EXPECT_EQ(CGetNetFile::GetUserFolder(32), "%TEMP%\\C:\\Users\\a\\");
    SetEnvironmentVariableA("USERPROFILE", nullptr);
    EXPECT_EQ(CGetNetFile::GetUserFolder(32), "C:\\");
    SetEnvironmentVariableA("USERPROFILE", savedLength ? saved : nullptr);
    RegCloseKey(key);
}

TEST_F(Utilities, StringValuesOfOneTo254Characters)
{
    HKEY key = ShellFolders();
    ASSERT_TRUE(key);
    SetString(key, "Longest", std::string(254, 'a'));
    SetString(key, "TooLong", std::string(255, 'a'));
    SetString(key, "Expand", "%X%", REG_EXPAND_SZ);
    SetString(key, "Multi", "a\0"s, REG_MULTI_SZ);
    const DWORD number = 5;
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegSetValueExA(key, "Inner", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab\0cd"), 6);

    std::string value = "untouched";
    EXPECT_TRUE(CGetNetFile::RegQueryValueA(key, "Longest", value));
    EXPECT_EQ(value, std::string(254, 'a'));
    EXPECT_TRUE(CGetNetFile::RegQueryValueA(key, "Expand", value));
    EXPECT_EQ(value, "%X%");
    EXPECT_TRUE(CGetNetFile::RegQueryValueA(key, "Inner", value));
    EXPECT_EQ(value, "ab");
    value = "untouched";
    for (const char* refused : {"TooLong", "Multi", "Number", "Missing"}) {
        EXPECT_FALSE(CGetNetFile::RegQueryValueA(key, refused, value)) << refused;
        EXPECT_EQ(value, "untouched") << refused;
    }
    EXPECT_FALSE(CGetNetFile::RegQueryValueA(nullptr, "Longest", value));
    EXPECT_TRUE(CGetNetFile::RegSetValueA(key, "Written", "C:\\Data"));
    EXPECT_TRUE(CGetNetFile::RegQueryValueA(key, "Written", value));
    EXPECT_EQ(value, "C:\\Data");
    EXPECT_FALSE(CGetNetFile::RegSetValueA(nullptr, "Written", "x"));
    RegCloseKey(key);
}

TEST(FileChecks, NetworkPathsNeverCount)
{
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string folder = windows, file = folder + "\\win.ini";
    EXPECT_TRUE(CGetNetFile::IsAFolder(folder));
    EXPECT_FALSE(CGetNetFile::IsAFile(folder));
    EXPECT_TRUE(CGetNetFile::IsAFile(file));
    EXPECT_FALSE(CGetNetFile::IsAFolder(file));
    for (const std::string& path : {std::string(), "\\\\?\\" + folder, folder + "\\missing.pdb"}) {
        EXPECT_FALSE(CGetNetFile::IsAFile(path)) << path;
        EXPECT_FALSE(CGetNetFile::IsAFolder(path)) << path;
    }
}

} // namespace
