#include "netfile/GetNetFile.h"

#include "netfile/DownloadText.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <optional>

namespace {

// Open flags of a GET: always from the network, binary transfer.
constexpr DWORD kOpenUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY;
// Reads take what has arrived, up to this much; the error-page test still sees the first bytes in the
// windows it always did (DownloadText.h).
constexpr DWORD kReadSize = 64 * 1024;
// Progress notices are posted at most this often (and once more at the end), so that a fast transfer
// cannot fill the window's message queue, where the finish notice would be lost.
constexpr ULONGLONG kProgressInterval = 50;
// A full queue is retried this long for the finish notice, while the window exists.
constexpr ULONGLONG kFinishNoticeLimit = 10'000;

const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Control characters in a URL would reach the request line and could add headers or requests of their own.
bool HasControlCharacters(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// The folder part of a file path (before its last separator); "." for a bare name.
std::string FolderOf(const std::string& path)
{
    std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos)
        return ".";
    if (separator == 0 || (separator == 2 && path[1] == ':'))
        return path.substr(0, separator + 1); // a root keeps its separator
    return path.substr(0, separator);
}

// The three progress notices, each posted only when its value changed and at most every kProgressInterval.
class ProgressNotices {
public:
    explicit ProgressNotices(std::function<void(WORD, WORD)> post) : m_post(std::move(post)) {}

    void Update(WORD speed, WORD kilobytes, WORD percent, bool last)
    {
        const ULONGLONG now = GetTickCount64();
        if (!last && now - m_lastPost < kProgressInterval)
            return;
        m_lastPost = now;
        Post(gnfSpeed, speed, m_speed);
        Post(gnfKilobytes, kilobytes, m_kilobytes);
        Post(gnfPercent, percent, m_percent);
    }

private:
    void Post(WORD code, WORD value, std::optional<WORD>& posted)
    {
        if (posted == value)
            return;
        posted = value;
        m_post(code, value);
    }

    std::function<void(WORD, WORD)> m_post;
    ULONGLONG m_lastPost = 0;
    std::optional<WORD> m_speed, m_kilobytes, m_percent;
};

} // namespace

CGetNetFile::CGetNetFile(const std::string& method, const std::string& url, const std::string& headers,
                         HWND notifyWindow)
    : m_method(method), m_url(url), m_headers(headers), m_hNotifyWnd(notifyWindow)
{
}

CGetNetFile::~CGetNetFile()
{
    if (m_thread) {
        KillThread();
        m_thread->Wait();
    }
    Finish(false);
    m_session.Close();
}

DWORD CGetNetFile::DownloadInThread(const std::string& saveAsPath, int priority)
{
    if (!WaitForEndedRun())
        return 0;
    m_thread.reset();
    {
        std::lock_guard lock(m_pathLock);
        m_saveAsPath = saveAsPath;
    }
    m_stop = false;
    m_session.Restart();
    auto thread = AfxBeginThread(ProcDownloadNetFile, this, priority, 0, CREATE_SUSPENDED);
    if (!thread)
        return 0;
    m_thread = std::move(thread);
    m_threadStatus = TS_RUNNING;
    m_thread->Resume();
    return m_thread->ThreadId();
}

bool CGetNetFile::Download(std::string& saveAsPath)
{
    if (!WaitForEndedRun())
        return false;
    {
        std::lock_guard lock(m_pathLock);
        m_saveAsPath = saveAsPath;
    }
    m_stop = false;
    m_session.Restart();
    if (ProcDownloadNetFile(this) != gnfSuccess)
        return false;
    saveAsPath = GetSaveAsFilename();
    return true;
}

// A worker that has finished its run only has its return left, so it is waited for; one still running may
// wait on a server for ever, so the caller is refused instead.
bool CGetNetFile::WaitForEndedRun() const
{
    if (!m_thread)
        return true;
    if (m_threadStatus != TS_IDLE)
        return false;
    m_thread->Wait();
    return true;
}

bool CGetNetFile::KillThread()
{
    if (m_threadStatus == TS_IDLE || !m_thread)
        return false;
    SignalThread(true);
    // Every wait of the worker ends on the stop, so it ends at once: wait for it, so that its Finish has
    // run and the caller may delete the job.
    if (GetCurrentThreadId() != m_thread->ThreadId())
        m_thread->Wait();
    return true;
}

DWORD CGetNetFile::GetThreadID() const
{
    return m_threadStatus != TS_IDLE && m_thread ? m_thread->ThreadId() : 0;
}

void CGetNetFile::SignalThread(bool stop)
{
    m_stop = stop;
    if (stop)
        m_session.Stop();
}

std::string CGetNetFile::GetSaveAsFilename() const
{
    std::lock_guard lock(m_pathLock);
    return m_saveAsPath;
}

DWORD WINAPI CGetNetFile::ProcDownloadNetFile(void* job) { return static_cast<DWORD>(static_cast<CGetNetFile*>(job)->Run()); }

int CGetNetFile::Run()
{
    for (auto step : {&CGetNetFile::Connect, &CGetNetFile::OpenSaveAsFile, &CGetNetFile::ReadData}) {
        if (m_stop)
            break;
        (this->*step)();
    }
    // A stopped run still removes its temporary file and reports once; its result is the stop.
    if (m_stop)
        m_error = gnfCancelled;
    CloseSaveAsFile();
    Finish(true);
    m_stop = false;
    return m_error;
}

void CGetNetFile::Fail(int result) { m_error = m_stop ? gnfCancelled : result; }

void CGetNetFile::Connect()
{
    m_error = gnfSuccess;
    m_threadStatus = m_thread && m_thread->ThreadId() == GetCurrentThreadId() ? TS_RUNNING : TS_IDLE;
    try {
        if (m_method == "POST") {
            std::string host, path, query;
            if (!ParseURLA(m_url, host, path, query)) {
                PostMsg(gnfUrlNotSplit, 0);
                m_error = gnfBadPostUrl;
                return;
            }
            PostMsg(gnfConnecting, 0);
            if (HasControlCharacters(m_url))
                return Fail(gnfInternetFailure);
            m_connection = m_session.GetHttpConnection(host, 0, INTERNET_DEFAULT_HTTP_PORT);
            m_response = m_connection->OpenRequest("POST", path + "?" + query, nullptr, 1, nullptr, nullptr,
                                                   INTERNET_FLAG_EXISTING_CONNECT);
            PostMsg(gnfRequestOpened, 0);
            m_response->AddRequestHeaders(netfile::WithoutFramingHeaders(m_headers), HTTP_ADDREQ_FLAG_ADD_IF_NEW);
            m_response->SendRequest(query);
        } else {
            PostMsg(gnfConnecting, 0);
            if (HasControlCharacters(m_url))
                return Fail(gnfInternetFailure);
            m_response = m_session.OpenURL(m_url, 1, kOpenUrlFlags);
        }
    } catch (const CInternetException&) {
        Fail(gnfInternetFailure);
    }
}

void CGetNetFile::OpenSaveAsFile()
{
    if (m_error != gnfSuccess)
        return;
    if (!m_response)
        return Fail(gnfInternetFailure);
    PostMsg(gnfResponse, 0);

    std::string path = GetSaveAsFilename();
    if (path.empty())
        path = GetUserFolder(32);
    if (path.empty() || IsAFolder(path)) {
        // The name comes from the URL, which the server may have chosen: it must name a plain file in the
        // folder, not a path out of it or a device.
        const std::string name = netfile::ResponseFileName(netfile::UrlObject(m_url));
        if (!netfile::IsSafeFileName(name))
            return Fail(gnfFileFailure);
        if (path.empty() || path.back() != '\\')
            path += '\\';
        path += name;
    }
    {
        std::lock_guard lock(m_pathLock);
        m_saveAsPath = path;
    }
    PostMsg(gnfFileNamed, 0);

    // The body goes to a new file beside the destination, which replaces the destination only once the
    // whole body has arrived (CloseSaveAsFile).
    // GetTempFileNameA takes a folder of at most MAX_PATH - 14 characters (Windows refuses a longer one;
    // Wine writes the name past the buffer).
    char partial[MAX_PATH] = {};
    const std::string folder = FolderOf(path);
    if (folder.size() > MAX_PATH - 14 || !GetTempFileNameA(folder.c_str(), "gnf", 0, partial))
        return Fail(gnfFileFailure);
    m_partialPath = partial;
    m_outFile = std::make_unique<CFile>();
    if (!m_outFile->Open(m_partialPath, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) {
        m_outFile.reset();
        Fail(gnfFileFailure);
    }
}

void CGetNetFile::ReadData()
{
    if (m_error != gnfSuccess)
        return;
    if (!m_response || !m_outFile)
        return Fail(gnfInternetFailure);

    netfile::DownloadProgress progress;
    ProgressNotices notices([this](WORD code, WORD value) { PostMsg(code, value); });
    const std::time_t start = std::time(nullptr);
    auto report = [&](bool last) {
        const std::int64_t elapsed = static_cast<std::int64_t>(std::time(nullptr) - start);
        notices.Update(static_cast<WORD>(progress.Speed(elapsed)), static_cast<WORD>(progress.Kilobytes()),
                       static_cast<WORD>(progress.Percent()), last);
    };
    auto store = [&](std::string_view bytes) {
        m_outFile->Write(bytes.data(), static_cast<DWORD>(bytes.size()));
        progress.Add(bytes.size());
        report(false);
    };
    // The first bytes wait here until the error-page test has seen them all.
    std::string head;
    bool tested = false, errorPage = false;
    try {
        // Values held back by the throttle are reported once the body pauses, so a transfer that stalls
        // shows what has arrived.
        const auto reportHeldBack = [&] {
            if (progress.Total() > 0)
                report(true);
        };
        for (std::string_view chunk;
             !(chunk = m_response->Read(kReadSize, reportHeldBack, static_cast<DWORD>(kProgressInterval))).empty();) {
            if (tested) {
                store(chunk);
                continue;
            }
            head.append(chunk);
            if (head.size() < netfile::kErrorPageExamined)
                continue;
            tested = true;
            errorPage = netfile::IsErrorPage(head);
            if (errorPage)
                break;
            store(head);
            std::string().swap(head);
        }
        if (!tested) {
            errorPage = netfile::IsErrorPage(head);
            if (!errorPage && !head.empty())
                store(head);
        }
        if (errorPage)
            m_error = gnfErrorPage;
        // A body that ends before its declared length was cut off, however cleanly the connection ended.
        if (m_error == gnfSuccess)
            if (auto declared = m_response->ContentLength(); declared && progress.Total() != *declared)
                m_error = gnfInternetFailure;
        m_outFile->Close();
    } catch (const CInternetException&) {
        Fail(gnfInternetFailure);
    } catch (const CFileException&) {
        Fail(gnfFileFailure);
    }
    if (m_error == gnfSuccess && progress.Total() == 0)
        m_error = gnfNoData;
    if (progress.Total() > 0)
        report(true);
}

void CGetNetFile::CloseSaveAsFile()
{
    m_outFile.reset();
    if (m_partialPath.empty())
        return;
    if (m_error == gnfSuccess && !fw::MoveFileOver(m_partialPath, GetSaveAsFilename()))
        m_error = gnfFileFailure;
    if (m_error != gnfSuccess)
        DeleteFileA(m_partialPath.c_str());
    m_partialPath.clear();
}

void CGetNetFile::Finish(bool notify)
{
    m_response.reset();
    m_connection.reset();
    // Also closes what a stopped call may still be making below the session; the next run opens it again.
    m_session.Close();
    m_outFile.reset();
    if (notify && m_threadStatus == TS_RUNNING) {
        m_threadStatus = TS_ENDING;
        PostFinished();
    }
    m_threadStatus = TS_IDLE;
}

void CGetNetFile::PostMsg(WORD code, WORD value) const
{
    if (m_hNotifyWnd && m_threadStatus != TS_IDLE && m_thread)
        PostMessageA(m_hNotifyWnd, WM_GETNETFILE, m_thread->ThreadId(), MAKELPARAM(value, code));
}

// The notice the window waits for: a queue that is full for a moment must not lose it.
void CGetNetFile::PostFinished()
{
    if (!m_hNotifyWnd || !m_thread)
        return;
    const LPARAM notice = MAKELPARAM(static_cast<WORD>(m_error.load()), gnfFinished);
    const ULONGLONG start = GetTickCount64();
    while (!PostMessageA(m_hNotifyWnd, WM_GETNETFILE, m_thread->ThreadId(), notice)) {
        if (GetLastError() != ERROR_NOT_ENOUGH_QUOTA || !IsWindow(m_hNotifyWnd) ||
            GetTickCount64() - start > kFinishNoticeLimit)
            return;
        Sleep(10);
    }
}

bool CGetNetFile::IsAFile(const std::string& path)
{
    if (path.empty() || path[0] == '\\')
        return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CGetNetFile::IsAFolder(const std::string& path)
{
    if (path.empty() || path[0] == '\\')
        return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CGetNetFile::GetUserFolder(int kind)
{
    fw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    std::string folder;
    if (!RegQueryValueA(key.get(), kind == 5 ? "Desktop" : "Cache", folder) || folder.empty()) {
        folder = "C:";
    } else if (std::size_t at = folder.find("%USERPROFILE%"); at != std::string::npos) {
        // Only this one variable is expanded, as the stored value may hold others that mean nothing here.
        char profile[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile);
        if (length == 0 || length >= sizeof profile)
            folder = "C:";
        else
            folder.replace(at, std::string_view("%USERPROFILE%").size(), profile, length);
    }
    if (folder.back() != '\\')
        folder += '\\';
    return folder;
}

bool CGetNetFile::RegQueryValueA(HKEY key, const char* name, std::string& value)
{
    if (!key)
        return false;
    char buffer[256] = {};
    DWORD type = 0, size = sizeof buffer;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size < 1 || size > 255)
        return false;
    value.assign(buffer, strnlen(buffer, size));
    return true;
}

bool CGetNetFile::RegSetValueA(HKEY key, const char* name, const std::string& value)
{
    if (!key)
        return false;
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool CGetNetFile::ParseURLA(const std::string& url, std::string& host, std::string& path, std::string& query)
{
    return netfile::SplitPostUrl(url, host, path, query);
}

bool CGetNetFile::HasSubstringNoCase(std::string_view text, std::string_view pattern)
{
    return netfile::ContainsNoCase(text, pattern);
}
