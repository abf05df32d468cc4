#include "addin/Item.h"

#include "addin/MenuMap.h"
#include "framework/module.h"

// Counting the object in the module keeps the library loaded while the host holds it; an Item takes no
// reference on the menu map.
Item::Item() : AutomationObject(&fw::Module().Objects()) {}

std::span<const fw::DispatchMember> Item::Members() const noexcept
{
    static constexpr fw::DispatchMember members[] = {
        fw::DispatchMember{.name = "Execute"},
        fw::Method<&Item::Update>("Update"),
        fw::DispatchMember{.name = "ExecuteDirect"},
    };
    return members;
}

bool Item::Update(IDispatch* menuItem)
{
    return UpdateItem(menuItem) != FALSE;
}
