// The three-step fetch of one "GetNetFile" menu item: ask the download server for the item's inputs
// (init), send the user's values and get back where to fetch the file (get link), fetch it (download).
// Each step is a download job (CGetNetFile); when the server gives no usable answer, each step falls back
// to the item's own configuration key. One object belongs to one download dialog and lives on its thread;
// a zero window runs every job blocking on the calling thread.
//
// Values of the item key: "ServerURL" (the download server, a built-in default when absent), "URL" (a
// local URL template whose token names are replaced by the input values; its presence makes the item
// locally configured), "Tokens", "CAPTION" and "FileExt" (as the init answer's lists), "POST" (the local
// download is a POST with this header text). Values are read as the downloader reads them: strings of at
// most 254 characters.
#pragma once

#include "netfile/FetchText.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CGetNetFile;

class CGetNetFileUI {
public:
    // The host's full application name, the item key's path below the user or machine hive, and the data
    // of the item's "GetNetFile" value.
    CGetNetFileUI(std::string appName, std::string keyPath, std::string action);
    virtual ~CGetNetFileUI();
    CGetNetFileUI(const CGetNetFileUI&) = delete;
    CGetNetFileUI& operator=(const CGetNetFileUI&) = delete;

    // Each start gives the job's worker thread id with a window (0 when it could not start), or without
    // one runs blocking and gives 1 on success, 0 on failure.
    std::uint32_t StartInit(HWND window);
    // Completes the init step: the caption and the label of every input token, from the server's answer
    // or else the item key. False when neither has them (no answer and no "URL" value).
    bool EndInit(std::string& caption, std::vector<std::string>& labels);
    std::uint32_t StartGetLink(const std::vector<std::string>& values, HWND window);
    // Starts the download into `destination` (a file, a folder, or empty for the internet cache); a
    // server-chosen file name may replace a folder destination by a file in it. 0 also when there is no
    // link to fetch.
    std::uint32_t StartDownload(std::string& destination, const std::vector<std::string>& values, HWND window);

    // The download job's final file path; empty without a download job.
    std::string GetSaveAsFilename() const;
    // The Save As filter ("description|*.ext|...|") and the first type's extension; false, outputs
    // untouched, when no file types are configured.
    bool GetFileExts(std::string& filter, std::string& defaultExt) const;
    // The per-item preference key below the current user's hive.
    std::string GetPrefReg() const;
    // Ends and deletes all three jobs, and an answer they left unread. Always true.
    bool Cancel();

    // The whole fetch without a window: init, get link, download. True when the file was stored; the path
    // then names it. Without any inputs from the server or the item key, false with the path untouched.
    bool Download(std::string& path, const std::vector<std::string>& values);
    bool Download(std::string& path, const std::string& value);

protected:
    // Stops and deletes the job in the slot; false when the slot was empty.
    bool FinishJob(std::unique_ptr<CGetNetFile>& job);
    std::string GetAppReg() const;
    // The item's "URL" with every token replaced by its value; empty without one.
    std::string GetLinkFromReg(const std::vector<std::string>& values) const;
    // A string value of the item key, current user's hive first; `value` is untouched when absent.
    bool GetRegValue(const char* name, std::string& value) const;
    std::string MakeMXLink(const std::string& task) const;
    static void ParseArray(const std::string& text, netfile::StringPairs& list);
    // Read and delete the answer files that the init and get-link jobs stored, ending the job first.
    bool ReadInitFile(std::string& tokens, std::string& caption, std::string& fileTypes);
    bool ReadLinkFile(std::string& method, std::string& link, std::string& headers, std::string& destination);
    static bool ReadOneLine(netfile::AnswerLineReader& reader, std::string& line);
    static std::string ReplaceToken(const std::string& url, const std::string& token, const std::string& value);
    // Deletes the temporary answer file, so that a job never reads an answer left from an earlier one.
    void ResetTempFile() const;
    static bool SeparateStr(const std::string& entry, std::string& key, std::string& value);

    const std::string& TempFilePath() const { return m_tempPath; }

    std::string m_action;
    std::string m_appName;
    std::string m_version;
    std::string m_keyPath;
    netfile::StringPairs m_tokens;
    netfile::StringPairs m_fileExts;
    std::unique_ptr<CGetNetFile> m_initJob;
    std::unique_ptr<CGetNetFile> m_linkJob;
    std::unique_ptr<CGetNetFile> m_downloadJob;

private:
    // Creates the job in its slot (ending the one there) and starts it into `destination`.
    std::uint32_t StartJob(std::unique_ptr<CGetNetFile>& slot, const std::string& method, const std::string& url,
                           const std::string& headers, HWND window, std::string& destination);
    // The answer file a job stored: at most netfile::kAnswerReadLimit bytes, then the file is deleted.
    std::string TakeAnswerFile(std::unique_ptr<CGetNetFile>& job);
    // Ends the init and get-link jobs, then deletes their answer file.
    void EndAnswerJobs();

    std::string m_tempPath;
};
