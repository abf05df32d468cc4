#include "addin/Item.h"

#include "addin/ItemExecution.h"
#include "addin/MenuMap.h"
#include "framework/module.h"
#include "host/wrappers.h"

#include <cstring>

// Counting the object in the module keeps the library loaded while the host holds it; an Item takes no
// reference on the menu map.
Item::Item() : AutomationObject(&fw::Module().Objects()) {}

std::span<const fw::DispatchMember> Item::Members() const noexcept
{
    static constexpr fw::DispatchMember members[] = {
        fw::Method<&Item::Execute>("Execute"),
        fw::Method<&Item::Update>("Update"),
        fw::Method<&Item::ExecuteDirect>("ExecuteDirect"),
    };
    return members;
}

bool Item::Execute(IDispatch* menuItemObject)
{
    if (gMenuMap == nullptr)
        return true;
    std::string path, caption;
    Application application;
    try {
        MenuItem menuItem(menuItemObject, false);
        application = menuItem.Application();
        const std::int64_t mainWindow = application.MainWindow();
        const short commandId = menuItem.CommandID();
        // Looked up again after the host's calls: a host may let go of its last Extension while answering.
        if (gMenuMap != nullptr)
            path = gMenuMap->Lookup(mainWindow, commandId);
        caption = menuItem.Caption();
    } catch (...) {
        // A host that fails while describing its item gets the default result, like any failed run.
        return true;
    }
    return ExecuteItem(application, path, caption, std::string(), nullptr) != 0;
}

bool Item::Update(IDispatch* menuItem)
{
    return UpdateItem(menuItem) != FALSE;
}

short Item::ExecuteDirect(IDispatch* applicationObject, IDispatch* target, std::string itemPath, std::string inputText)
{
    // Both texts are ANSI strings to the caller and end at their first zero byte; the rest of an input text
    // would otherwise be cut off the body on the wire, with whatever follows it.
    itemPath.resize(std::strlen(itemPath.c_str()));
    inputText.resize(std::strlen(inputText.c_str()));
    Application application(applicationObject, false);
    return ExecuteItem(application, itemPath, " ", inputText, target);
}
