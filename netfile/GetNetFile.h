// One download job: fetches one URL with WinInet (a plain GET of the URL, or a POST whose body is the URL's
// query), stores the response bytes in a file, and reports progress and result to a window by posted
// WM_GETNETFILE notices. A job runs on a worker thread of its own (DownloadInThread) or blocking on the
// caller's thread without notices (Download). Also the small file-system and registry utilities that the
// fetch configuration and the download dialog share.
//
// The session works in WinInet's asynchronous mode: every wait of the worker ends on completion or on the
// job's stop event, so KillThread stops a stalled transfer at once on Windows and under Wine alike.
// The response goes to a temporary file beside the destination, which replaces the destination only when
// the whole body has arrived: a failed or cancelled run leaves the destination as it was.
#pragma once

#include "framework/file.h"
#include "framework/internet.h"
#include "framework/worker_thread.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// Posted (never sent) to the job's window. wParam: the worker's thread id. lParam: MAKELPARAM(value, code),
// the code in the high 16 bits and the value, cut to 16 bits, in the low ones.
inline constexpr UINT WM_GETNETFILE = WM_USER + 1;

// Codes of WM_GETNETFILE.
enum GetNetFileNotice : WORD {
    gnfUrlNotSplit = 2,     // the POST URL has no host, path or query; the run ends with result 2
    gnfFinished = 10,       // the run has ended (also after a cancel); value: the result code
    gnfConnecting = 21,     // before connecting
    gnfRequestOpened = 22,  // POST request opened, before headers and body are sent
    gnfResponse = 23,       // response available, before the output file is prepared
    gnfSpeed = 24,          // kilobytes per second since the start
    gnfKilobytes = 25,      // kilobytes stored (bytes >> 10; wraps above 64 MiB)
    gnfPercent = 26,        // progress against a growing estimate, 0 to 99
    gnfFileNamed = 27,      // the output file name is settled, before the file is created
};

// Result codes: m_error, the finish notice's value and the worker thread's exit code.
enum GetNetFileResult : int {
    gnfSuccess = 0,         // at least one byte stored
    gnfNoData = 1,          // the transfer stored nothing
    gnfBadPostUrl = 2,      // the POST URL cannot be split into host, path and query
    gnfErrorPage = 3,       // the server sent an error page instead of the file
    gnfCancelled = 4,       // stopped by the user
    gnfInternetFailure = 5, // opening, sending or reading failed, or the body was cut short
    gnfFileFailure = 6,     // the output file cannot be named, created, written or put in place
};

enum CGNFThreadStatus : std::int32_t {
    TS_IDLE = 0,    // not running in a worker
    TS_RUNNING = 1, // running in a worker
    TS_ENDING = 2,  // posting the finish notice
};

class CGetNetFile {
public:
    // Any method other than "POST" is a GET. The headers are used only for POST. The window may be null.
    CGetNetFile(const std::string& method, const std::string& url, const std::string& headers, HWND notifyWindow);
    // Stops a running worker and waits for its end, then closes the session.
    virtual ~CGetNetFile();
    CGetNetFile(const CGetNetFile&) = delete;
    CGetNetFile& operator=(const CGetNetFile&) = delete;

    // Starts the run on a new worker thread with the destination (a file, a folder or empty); gives the
    // worker's thread id, 0 when none could be started, as while an earlier run of this job goes on.
    DWORD DownloadInThread(const std::string& saveAsPath, int priority = THREAD_PRIORITY_NORMAL);
    // Runs on the caller's thread and posts nothing; true when the result is 0, and then saveAsPath is the
    // stored file's path. False at once, the job untouched, while a run of this job goes on in a worker.
    bool Download(std::string& saveAsPath);
    // Stops a running worker: the transfer is abandoned at once, the worker ends with result 4 and posts the
    // finish notice. Returns after the worker has ended; false when no worker was running.
    bool KillThread();

    DWORD GetThreadID() const;
    int GetErrorCode() const { return m_error; }
    // Sets or clears the stop flag; setting it also ends the run's current wait on the network at once.
    void SignalThread(bool stop);
    bool IsThreadSignalled() const { return m_stop; }
    // The destination; after a successful run, the stored file's path.
    std::string GetSaveAsFilename() const;

    // The steps of a run, in this order; each after Connect does nothing once a result is set, except
    // CloseSaveAsFile and Finish.
    void Connect();
    void OpenSaveAsFile();
    void ReadData();
    void CloseSaveAsFile();
    void Finish(bool notify);

    // False for an empty path or one that starts with "\" (network paths never count).
    static bool IsAFile(const std::string& path);
    static bool IsAFolder(const std::string& path);
    // The user's desktop (kind 5) or internet cache folder (any other kind), ending in "\"; "C:\" when the
    // folder is not configured; empty when the shell folders key cannot be opened.
    static std::string GetUserFolder(int kind);
    // A string or expandable-string value of 1 to 254 characters, up to its first zero byte; value is left
    // as it was otherwise. A null key gives false.
    static bool RegQueryValueA(HKEY key, const char* name, std::string& value);
    static bool RegSetValueA(HKEY key, const char* name, const std::string& value);

protected:
    // "http://" host "/" path "?" query, host of two characters or more, path of "/" and one character or
    // more; false for anything else.
    static bool ParseURLA(const std::string& url, std::string& host, std::string& path, std::string& query);
    // Posts WM_GETNETFILE when the job runs in a worker and has a window.
    void PostMsg(WORD code, WORD value) const;
    // Whether text holds pattern ignoring ASCII letter case.
    static bool HasSubstringNoCase(std::string_view text, std::string_view pattern);

private:
    static DWORD WINAPI ProcDownloadNetFile(void* job);
    // Waits for the end of a worker whose run has finished; false, at once, while its run goes on.
    bool WaitForEndedRun() const;
    int Run();
    // Sets the result, or 4 when the failure came from a stop.
    void Fail(int result);
    void PostFinished();

    std::string m_method;
    std::string m_url;
    std::string m_headers;
    HWND m_hNotifyWnd = nullptr;
    std::string m_saveAsPath;
    std::unique_ptr<CHttpConnection> m_connection;
    std::unique_ptr<CHttpFile> m_response;
    std::unique_ptr<CFile> m_outFile;
    std::unique_ptr<CWinThread> m_thread;
    std::atomic<CGNFThreadStatus> m_threadStatus = TS_IDLE;
    CInternetSession m_session;
    std::atomic<int> m_error = 0;
    std::atomic<bool> m_stop = false;

    // The temporary file the response is written to, beside the destination.
    std::string m_partialPath;
    // Guards m_saveAsPath, which the dialog reads while the worker settles it.
    mutable std::mutex m_pathLock;
};
