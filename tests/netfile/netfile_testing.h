// What the netfile tests share: item keys and preferences written as .reg text into the registry sandbox, the
// stand-in server with its catalogue or as the configured proxy, scratch folders, and a message-only window
// that keeps every notice.
#pragma once

#include "netfile/GetNetFile.h"
#include "reg_import.h"
#include "stand_in_service.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace netfile_testing {

using namespace std::chrono_literals;

inline const std::string kItemPath =
    "Software\\Quennardix\\Velmora\\19.0\\Extensions\\Ulnara19.Extension\\2 Fetch\\1 PDB";
inline const std::string kAppName = "Velmora Professional";

// One string value line of .reg text.
inline std::string RegString(const std::string& name, const std::string& value)
{
    std::string escaped;
    for (char c : value)
        escaped += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
    return "\"" + name + "\"=\"" + escaped + "\"\n";
}

// The key (below the hive) with these value lines.
inline void ImportKey(const std::string& key, const std::string& values, const std::string& hive = "HKEY_CURRENT_USER")
{
    regconfig::ImportRegText("Windows Registry Editor Version 5.00\n\n[" + hive + "\\" + key + "]\n" + values + "\n");
}

// Requests for any host go to the stand-in server on this port.
inline void UseProxy(int port)
{
    ImportKey("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
              "\"ProxyEnable\"=dword:00000001\n" + RegString("ProxyServer", "127.0.0.1:" + std::to_string(port)));
}

// The stand-in download server, answering the fetch from the catalogue in tests/fixtures/netfile.
inline std::unique_ptr<testing_support::StandInService> StartCatalogueServer()
{
    const std::string catalogue = std::string(std::getenv("ULNARA_SOURCE_DIR")) + "/tests/fixtures/netfile";
    return std::make_unique<testing_support::StandInService>(testing_support::StandInService::DownloadServerProgram(),
                                                             std::vector<std::string>{"--catalogue", catalogue});
}

// A URL whose connection is refused.
inline std::string RefusedURL(const std::string& path = "/x")
{
    return "http://127.0.0.1:" + std::to_string(testing_support::RefusedPort()) + path;
}

inline std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(missing)";
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder below the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
    {
        static int made = 0;
        m_path = (std::filesystem::temp_directory_path() /
                  (prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(made++)))
                     .string();
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string m_path;
};

// A message-only window that keeps every WM_GETNETFILE posted to it, as its messages are pumped.
class NoticeWindow {
public:
    NoticeWindow() : m_window(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~NoticeWindow() { DestroyWindow(m_window); }
    HWND Handle() const { return m_window; }

    // Pumps messages until the thread's finish notice has arrived, at most `limit`; false if it did not.
    bool WaitForFinish(DWORD thread, std::chrono::milliseconds limit = 30s)
    {
        return PumpUntil(limit, [&] { return Finish(thread).has_value(); });
    }
    // A worker just started: records of an earlier worker that had the same thread id (ids of ended threads
    // are reused) are dropped. Call before pumping again, so the new worker's queued notices are kept.
    DWORD Started(DWORD thread)
    {
        std::erase_if(m_notices, [thread](const Notice& notice) { return notice.thread == thread; });
        return thread;
    }
    // Pumps what is queued now and for `span` more.
    void Drain(std::chrono::milliseconds span) { PumpUntil(span, [] { return false; }); }

    // The values of the thread's notices of that code, in order of arrival.
    std::vector<WORD> Values(DWORD thread, WORD code) const
    {
        std::vector<WORD> values;
        for (const Notice& notice : m_notices)
            if (notice.thread == thread && notice.code == code)
                values.push_back(notice.value);
        return values;
    }
    std::optional<WORD> Finish(DWORD thread) const
    {
        const auto values = Values(thread, gnfFinished);
        return values.empty() ? std::nullopt : std::optional<WORD>(values.front());
    }
    std::optional<WORD> Last(DWORD thread, WORD code) const
    {
        const auto values = Values(thread, code);
        return values.empty() ? std::nullopt : std::optional<WORD>(values.back());
    }
    std::size_t Count(DWORD thread, WORD code) const { return Values(thread, code).size(); }
    std::vector<WORD> Codes(DWORD thread) const
    {
        std::vector<WORD> codes;
        for (const Notice& notice : m_notices)
            if (notice.thread == thread)
                codes.push_back(notice.code);
        return codes;
    }
    std::size_t Total() const { return m_notices.size(); }

    template <typename Done>
    bool PumpUntil(std::chrono::milliseconds limit, Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.hwnd == m_window && message.message == WM_GETNETFILE)
                    m_notices.push_back({static_cast<DWORD>(message.wParam), HIWORD(message.lParam), LOWORD(message.lParam)});
                DispatchMessageA(&message);
            }
            if (done())
                return true;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left <= 0ms)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        }
        return true;
    }

private:
    struct Notice {
        DWORD thread;
        WORD code;
        WORD value;
    };
    HWND m_window;
    std::vector<Notice> m_notices;
};

} // namespace netfile_testing
