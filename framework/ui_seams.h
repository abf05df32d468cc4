// Effects of the user interface that a test must observe but must not trigger for real. Production code
// calls these instead of the platform; by default they call it (MessageBoxA, ShellExecuteA, the file-save
// dialog), and a test installs a handler for its scope that records the call and answers in the user's place.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace fw {

struct MessageBoxCall {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
};

// The button the user chose (IDOK, IDCANCEL, ...), as MessageBoxA answers.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// Takes the place of MessageBoxA while it lives; the handler installed before comes back after it.
class ScopedMessageBoxHandler {
public:
    using Handler = std::function<int(const MessageBoxCall&)>;
    explicit ScopedMessageBoxHandler(Handler handler);
    ~ScopedMessageBoxHandler();
    ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
    ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

private:
    Handler m_previous;
};

// The system's file-save dialog. The filter is in the form "Description|*.ext|...|" with a final extra "|";
// the default extension has no dot.
struct SaveFileDialogCall {
    HWND owner = nullptr;
    std::string defaultExtension;
    std::string initialName;
    std::string filter;
    DWORD flags = 0;
};

// The full path the user chose, or nothing when the user cancelled (or the dialog could not be shown).
std::optional<std::string> ShowSaveFileDialog(const SaveFileDialogCall& call);

// Takes the place of the file-save dialog while it lives, as ScopedMessageBoxHandler does for message boxes.
class ScopedSaveFileDialogHandler {
public:
    using Handler = std::function<std::optional<std::string>(const SaveFileDialogCall&)>;
    explicit ScopedSaveFileDialogHandler(Handler handler);
    ~ScopedSaveFileDialogHandler();
    ScopedSaveFileDialogHandler(const ScopedSaveFileDialogHandler&) = delete;
    ScopedSaveFileDialogHandler& operator=(const ScopedSaveFileDialogHandler&) = delete;

private:
    Handler m_previous;
};

struct ShellOpenCall {
    HWND owner = nullptr;
    std::string verb;   // empty: the file type's default action
    std::string target; // a URL or a file
};

// Opens a URL or file with the shell (ShellExecuteA, no parameters, no working folder, shown normally).
// True when the shell accepted it.
bool ShellOpen(HWND owner, const std::string& target, const std::string& verb = "open");

// Takes the place of ShellExecuteA while it lives; the handler's answer is ShellOpen's.
class ScopedShellOpenHandler {
public:
    using Handler = std::function<bool(const ShellOpenCall&)>;
    explicit ScopedShellOpenHandler(Handler handler);
    ~ScopedShellOpenHandler();
    ScopedShellOpenHandler(const ScopedShellOpenHandler&) = delete;
    ScopedShellOpenHandler& operator=(const ScopedShellOpenHandler&) = delete;

private:
    Handler m_previous;
};

} // namespace fw
