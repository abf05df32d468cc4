#include "framework/ui_seams.h"

#include <utility>

namespace fw {
namespace {

// Touched only from the user-interface thread, like the message boxes themselves.
ScopedMessageBoxHandler::Handler& InstalledHandler()
{
    static ScopedMessageBoxHandler::Handler handler;
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

} // namespace fw
