// What a network file fetch item needs from the download part (netfile/): the modal download dialog, the
// check that it stored a file, and opening that file in the host. Item execution calls them through this
// table, which the download part fills in (NetFileFetch.cpp names its functions); tests put stand-ins in
// its place for their scope.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

class Application;

// Size of the buffer that receives the stored file's path.
inline constexpr std::size_t kNetFilePathSize = 260;

struct NetFileFetch {
    // Runs the download dialog modally (no parent window) for the host's application name, the item's
    // configuration path, its "GetNetFile" action and the title; on success the dialog writes the stored
    // file's path into outPath (kNetFilePathSize characters). Returns what the dialog's DoModal returns.
    INT_PTR (*runDialog)(const std::string& applicationName, const std::string& itemPath, const std::string& action,
                         const std::string& title, char* outPath) = nullptr;
    // Whether the path names an existing file (not a folder, not a network path).
    bool (*isAFile)(const std::string& path) = nullptr;
    // Opens the stored file in the host; throws std::runtime_error("Unknown application") for a host
    // outside the suite.
    void (*open)(Application& application, const std::string& path) = nullptr;
};

// The table in use: the download part's functions, or a test's stand-ins while a ScopedNetFileFetch lives.
// Entries still empty make a fetch item end without doing anything.
const NetFileFetch& InstalledNetFileFetch();

class ScopedNetFileFetch {
public:
    explicit ScopedNetFileFetch(const NetFileFetch& standIn);
    ~ScopedNetFileFetch();
    ScopedNetFileFetch(const ScopedNetFileFetch&) = delete;
    ScopedNetFileFetch& operator=(const ScopedNetFileFetch&) = delete;

private:
    NetFileFetch m_previous;
};
