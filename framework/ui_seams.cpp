#include "framework/ui_seams.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>

namespace fw {
namespace {

// Touched only from the user-interface thread, like the message boxes themselves.
ScopedMessageBoxHandler::Handler& InstalledHandler()
{
    static ScopedMessageBoxHandler::Handler handler;
    return handler;
}

ScopedSaveFileDialogHandler::Handler& InstalledSaveFileDialogHandler()
{
    static ScopedSaveFileDialogHandler::Handler handler;
    return handler;
}

std::optional<std::string> ShowSystemSaveFileDialog(const SaveFileDialogCall& call)
{
    // The platform separates filter entries by zero characters and ends the list with two.
    std::string filter = call.filter;
    std::replace(filter.begin(), filter.end(), '|', '\0');
    filter.push_back('\0');
    char path[MAX_PATH] = {};
    call.initialName.copy(path, MAX_PATH - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = call.owner;
    dialog.lpstrFilter = call.filter.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = call.defaultExtension.empty() ? nullptr : call.defaultExtension.c_str();
    // Explorer style without a hook or template is the newer dialog on current systems.
    dialog.Flags = call.flags | OFN_EXPLORER;
    if (!GetSaveFileNameA(&dialog))
        return std::nullopt;
    return std::string(path);
}

ScopedShellOpenHandler::Handler& InstalledShellHandler()
{
    static ScopedShellOpenHandler::Handler handler;
    return handler;
}

} // namespace

std::optional<std::string> ShowSaveFileDialog(const SaveFileDialogCall& call)
{
    if (const auto& handler = InstalledSaveFileDialogHandler())
        return handler(call);
    return ShowSystemSaveFileDialog(call);
}

ScopedSaveFileDialogHandler::ScopedSaveFileDialogHandler(Handler handler)
    : m_previous(std::exchange(InstalledSaveFileDialogHandler(), std::move(handler)))
{
}

ScopedSaveFileDialogHandler::~ScopedSaveFileDialogHandler()
{
    InstalledSaveFileDialogHandler() = std::move(m_previous);
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    if (const auto& handler = InstalledHandler())
        return handler({owner, text, caption, type});
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

ScopedMessageBoxHandler::ScopedMessageBoxHandler(Handler handler)
    : m_previous(std::exchange(InstalledHandler(), std::move(handler)))
{
}

ScopedMessageBoxHandler::~ScopedMessageBoxHandler()
{
    InstalledHandler() = std::move(m_previous);
}

bool ShellOpen(HWND owner, const std::string& target, const std::string& verb)
{
    if (const auto& handler = InstalledShellHandler())
        return handler({owner, verb, target});
    auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(owner, verb.empty() ? nullptr : verb.c_str(), target.c_str(),
                                                          nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

ScopedShellOpenHandler::ScopedShellOpenHandler(Handler handler)
    : m_previous(std::exchange(InstalledShellHandler(), std::move(handler)))
{
}

ScopedShellOpenHandler::~ScopedShellOpenHandler()
{
    InstalledShellHandler() = std::move(m_previous);
}

} // namespace fw
