// The download dialog's rules without its window: which controls each state enables, what Exit/Cancel does,
// the texts of the status line and the progress fields, the input labels the server sends, the kilobyte
// count that the job's 16-bit notice values wrap, and the path arithmetic of the save path. Text only, no
// platform calls, so it is tested directly and the label parser is fuzzed natively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netfile {

// Initialising: the init step runs (or could not be started); InitFailed: neither the server nor the item
// key gave the inputs; Ready: waiting for the user; Fetching: the get-link or download step runs.
enum class DialogState { Initialising, InitFailed, Ready, Fetching };

struct StateControls {
    bool inputsEnabled;           // input boxes, save path, Save As, Get File
    std::string_view exitCancel;  // the text of the Exit/Cancel button
};
StateControls ControlsOf(DialogState state);

// Whether Exit/Cancel ends the dialog (true) or stops the running step and returns to Ready (false). While
// initialising it ends the dialog as long as an init job was started: when none could be, no notice will
// come, and Cancel is the way to the (empty) Ready state.
bool ExitCancelEndsDialog(DialogState state, bool initJobPending);

// The status line for a download result or notice code; nothing for codes that leave it unchanged.
std::optional<std::string_view> DownloadStatusText(int code);
std::string SpeedText(long kilobytesPerSecond);   // "12 kb/sec"
std::string AmountText(long kilobytes);           // "downloaded: 12 kb"
std::string PercentText(long percent);            // "12%"
std::string SaveToText(std::string_view fileName); // Save to "name"

// The downloader reports the kilobytes received in 16 bits, which wrap past 64 MiB. Within one download the
// count only grows, by far less than 64 MiB between two notices, so the full count is recovered from the
// previous one. Reset() before each download.
class KilobyteCounter {
public:
    std::uint32_t Update(std::uint16_t reported);
    void Reset() { m_kilobytes = 0; }

private:
    std::uint32_t m_kilobytes = 0;
};

// A label of the form name{a,b,...} ("{" somewhere, "}" last) asks for a fixed choice list: the name is the
// text before the first "{", the choices the text between it and the final "}", cut at every "," (not
// trimmed, empty ones kept). False for any other label, outputs untouched.
bool ParseListValues(std::string_view label, std::string& name, std::vector<std::string>& values);

// A typed input value as it is sent: without surrounding white space. (Upper-casing depends on the code
// page and is the dialog's.)
std::string TrimInputValue(std::string_view value);

// The last "\" of a path when it is not the first character (a path starting with "\" has no folder part
// here); npos otherwise.
std::size_t LastSeparator(std::string_view path);
// The file name: the text after the last "\", or empty when there is no such separator.
std::string FileNameOf(std::string_view path);
// The folder without its trailing "\", or empty when there is no separator.
std::string FolderOf(std::string_view path);
// After a failed download the save path goes back to its folder, keeping the "\" (unless it is a folder
// already or has no separator).
std::string FailedSavePath(std::string_view savePath, bool isExistingFolder);
// What the file-save dialog starts with: for an existing folder, the folder, "\" and "*." + extension.
std::string SaveAsInitialName(std::string_view savePath, bool isExistingFolder, std::string_view defaultExtension);
// A folder with a "\" at its end.
std::string WithTrailingSeparator(std::string folder);

// The longest path the caller's output buffer holds with its terminating zero.
inline constexpr std::size_t kMaxOutputPath = 259;

} // namespace netfile
