#include "netfile/GetNetFileUI.h"

#include "addin/RegistryKey.h"
#include "framework/handle.h"
#include "netfile/DownloadText.h"
#include "netfile/GetNetFile.h"

#include <atomic>

namespace {

// KEY_READ.
constexpr REGSAM kReadAccess = 0x20019;

// The folder of the temporary answer files: the user's internet cache, computed once per process. The
// system's temporary folder stands in when the shell folders cannot be read at all, rather than the root
// of the current drive.
const std::string& TempFolder()
{
    static const std::string folder = [] {
        std::string path = CGetNetFile::GetUserFolder(32);
        if (path.empty()) {
            char buffer[MAX_PATH + 1] = {};
            const DWORD length = GetTempPathA(MAX_PATH + 1, buffer);
            if (length > 0 && length <= MAX_PATH)
                path.assign(buffer, length);
        }
        return path;
    }();
    return folder;
}

// Each fetch object has an answer file of its own: two dialogs of one host, like two hosts, may fetch at
// the same time.
std::string NewTempFilePath()
{
    static std::atomic<unsigned long> instances = 0;
    return netfile::JoinFolderAndName(TempFolder(), netfile::TempFileName(GetCurrentProcessId(), ++instances));
}

// At most `limit` bytes of the file; empty when it cannot be opened.
std::string ReadFilePrefix(const std::string& path, std::size_t limit)
{
    HANDLE opened = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    fw::unique_kernel_handle file(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    std::string text;
    if (!file)
        return text;
    text.resize(limit);
    std::size_t filled = 0;
    DWORD read = 0;
    while (filled < limit &&
           ReadFile(file.get(), text.data() + filled, static_cast<DWORD>(limit - filled), &read, nullptr) && read > 0)
        filled += read;
    text.resize(filled);
    return text;
}

void DeleteIfPresent(const std::string& path)
{
    if (!path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        DeleteFileA(path.c_str());
}

} // namespace

CGetNetFileUI::CGetNetFileUI(std::string appName, std::string keyPath, std::string action)
    : m_action(std::move(action)),
      m_appName(std::move(appName)),
      m_version(netfile::VersionFromKeyPath(keyPath)),
      m_keyPath(std::move(keyPath)),
      m_tempPath(NewTempFilePath())
{
}

CGetNetFileUI::~CGetNetFileUI()
{
    Cancel();
}

std::uint32_t CGetNetFileUI::StartInit(HWND window)
{
    EndAnswerJobs();
    std::string destination = m_tempPath;
    return StartJob(m_initJob, "GET", MakeMXLink("gettoken"), std::string(), window, destination);
}

bool CGetNetFileUI::EndInit(std::string& caption, std::vector<std::string>& labels)
{
    std::string tokens, answeredCaption, fileTypes;
    if (!ReadInitFile(tokens, answeredCaption, fileTypes)) {
        std::string url;
        if (!GetRegValue("URL", url))
            return false;
        // A value the item lacks leaves what the answer's good lines gave.
        GetRegValue("Tokens", tokens);
        GetRegValue("CAPTION", answeredCaption);
        GetRegValue("FileExt", fileTypes);
    }
    if (!fileTypes.empty())
        ParseArray(fileTypes, m_fileExts);
    if (!tokens.empty())
        ParseArray(tokens, m_tokens);
    caption = answeredCaption;
    labels.clear();
    for (const auto& token : m_tokens)
        labels.push_back(token.second);
    return true;
}

std::uint32_t CGetNetFileUI::StartGetLink(const std::vector<std::string>& values, HWND window)
{
    EndAnswerJobs();
    std::string destination = m_tempPath;
    return StartJob(m_linkJob, "GET", MakeMXLink("getlink") + netfile::TokenQuery(m_tokens, values), std::string(),
                    window, destination);
}

std::uint32_t CGetNetFileUI::StartDownload(std::string& destination, const std::vector<std::string>& values,
                                           HWND window)
{
    std::string method, link, headers;
    if (!ReadLinkFile(method, link, headers, destination)) {
        link = GetLinkFromReg(values);
        headers.clear();
        method = GetRegValue("POST", headers) ? "POST" : "GET";
    }
    if (link.empty() || (method != "GET" && method != "POST"))
        return 0;
    return StartJob(m_downloadJob, method, link, headers, window, destination);
}

std::string CGetNetFileUI::GetSaveAsFilename() const
{
    return m_downloadJob ? m_downloadJob->GetSaveAsFilename() : std::string();
}

bool CGetNetFileUI::GetFileExts(std::string& filter, std::string& defaultExt) const
{
    return netfile::FileExtsFilter(m_fileExts, filter, defaultExt);
}

std::string CGetNetFileUI::GetPrefReg() const
{
    return GetAppReg() + "\\General\\" + m_action;
}

bool CGetNetFileUI::Cancel()
{
    FinishJob(m_initJob);
    FinishJob(m_linkJob);
    FinishJob(m_downloadJob);
    // An answer that arrived but was not read: without its job it never will be.
    ResetTempFile();
    return true;
}

bool CGetNetFileUI::Download(std::string& path, const std::vector<std::string>& values)
{
    StartInit(nullptr);
    std::string caption;
    std::vector<std::string> labels;
    if (!EndInit(caption, labels))
        return false;
    StartGetLink(values, nullptr);
    // A download job of an earlier fetch must not answer for this one when there is nothing to fetch.
    FinishJob(m_downloadJob);
    const bool stored = StartDownload(path, values, nullptr) == 1;
    path = GetSaveAsFilename();
    return stored;
}

bool CGetNetFileUI::Download(std::string& path, const std::string& value)
{
    return Download(path, std::vector<std::string> {value});
}

bool CGetNetFileUI::FinishJob(std::unique_ptr<CGetNetFile>& job)
{
    if (!job)
        return false;
    // Returns once the worker has ended, so the job can go.
    job->KillThread();
    job.reset();
    return true;
}

std::string CGetNetFileUI::GetAppReg() const
{
    return netfile::AppRegPath(m_appName, m_version);
}

std::string CGetNetFileUI::GetLinkFromReg(const std::vector<std::string>& values) const
{
    std::string url;
    if (!GetRegValue("URL", url))
        return std::string();
    return netfile::FillURLTemplate(url, m_tokens, values);
}

bool CGetNetFileUI::GetRegValue(const char* name, std::string& value) const
{
    basic_RegistryKey key(HKEY_CURRENT_USER, m_keyPath, kReadAccess);
    if (!key.IsOpen())
        key = basic_RegistryKey(HKEY_LOCAL_MACHINE, m_keyPath, kReadAccess);
    return CGetNetFile::RegQueryValueA(key.Handle(), name, value);
}

std::string CGetNetFileUI::MakeMXLink(const std::string& task) const
{
    std::string serverURL;
    GetRegValue("ServerURL", serverURL);
    return netfile::ServerRequestURL(serverURL, m_action, m_appName, m_version, task);
}

void CGetNetFileUI::ParseArray(const std::string& text, netfile::StringPairs& list)
{
    netfile::ParseArray(text, list);
}

bool CGetNetFileUI::ReadInitFile(std::string& tokens, std::string& caption, std::string& fileTypes)
{
    return netfile::ReadInitAnswer(TakeAnswerFile(m_initJob), tokens, caption, fileTypes);
}

bool CGetNetFileUI::ReadLinkFile(std::string& method, std::string& link, std::string& headers,
                                 std::string& destination)
{
    const netfile::LinkAnswer answer = netfile::ReadLinkAnswer(TakeAnswerFile(m_linkJob));
    // The server's file name applies to a folder destination, also when the rest of the answer does not
    // count; a name that would leave the folder or name a device leaves the destination as it is.
    if (answer.fourthLineRead && !answer.saveAs.empty() && CGetNetFile::IsAFolder(destination) &&
        netfile::IsSafeFileName(answer.saveAs))
        destination = netfile::JoinFolderAndName(destination, answer.saveAs);
    if (!answer.counts)
        return false;
    method = answer.method;
    link = answer.link;
    headers = answer.headers;
    return true;
}

bool CGetNetFileUI::ReadOneLine(netfile::AnswerLineReader& reader, std::string& line)
{
    return reader.ReadOneLine(line);
}

std::string CGetNetFileUI::ReplaceToken(const std::string& url, const std::string& token, const std::string& value)
{
    return netfile::ReplaceToken(url, token, value);
}

void CGetNetFileUI::ResetTempFile() const
{
    DeleteIfPresent(m_tempPath);
}

void CGetNetFileUI::EndAnswerJobs()
{
    // The init and link answers share one file. A job still running could move its answer into place after
    // the file was cleared, to be read as the new step's: end both jobs first, then clear it.
    FinishJob(m_initJob);
    FinishJob(m_linkJob);
    ResetTempFile();
}

bool CGetNetFileUI::SeparateStr(const std::string& entry, std::string& key, std::string& value)
{
    return netfile::SeparateStr(entry, key, value);
}

std::uint32_t CGetNetFileUI::StartJob(std::unique_ptr<CGetNetFile>& slot, const std::string& method,
                                      const std::string& url, const std::string& headers, HWND window,
                                      std::string& destination)
{
    FinishJob(slot);
    slot = std::make_unique<CGetNetFile>(method, url, headers, window);
    if (window)
        return slot->DownloadInThread(destination, THREAD_PRIORITY_NORMAL);
    return slot->Download(destination) ? 1 : 0;
}

std::string CGetNetFileUI::TakeAnswerFile(std::unique_ptr<CGetNetFile>& job)
{
    if (!job)
        return std::string();
    const std::string path = job->GetSaveAsFilename();
    FinishJob(job);
    std::string text = ReadFilePrefix(path, netfile::kAnswerReadLimit);
    DeleteIfPresent(path);
    return text;
}
