#include "framework/ui_seams.h"

#include <shellapi.h>

#include <utility>

namespace fw {
namespace {

// Touched only from the user-interface thread, like the message boxes themselves.
ScopedMessageBoxHandler::Handler& InstalledHandler()
{
    static ScopedMessageBoxHandler::Handler handler;
    return handler;
}

ScopedShellOpenHandler::Handler& InstalledShellHandler()
{
    static ScopedShellOpenHandler::Handler handler;
    return handler;
}

} // namespace

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
