#include "addin/Extension.h"

#include "addin/ConfigStore.h"
#include "addin/MenuMap.h"
#include "framework/module.h"

// Counting the object in the module keeps the library loaded while the host holds it.
Extension::Extension() : AutomationObject(&fw::Module().Objects())
{
    CreateMenuMap();
}

Extension::~Extension()
{
    ReleaseMenuMap();
}

std::span<const fw::DispatchMember> Extension::Members() const noexcept
{
    static constexpr fw::DispatchMember members[] = {
        fw::Method<&Extension::Setup>("Setup"),
        fw::Method<&Extension::Update>("Update"),
        fw::Method<&Extension::Cleanup>("Cleanup"),
    };
    return members;
}

bool Extension::Setup(IDispatch* application)
{
    return SetupMenu(application, kExtensionName) != FALSE;
}

bool Extension::Update(IDispatch*)
{
    return true;
}

bool Extension::Cleanup(IDispatch* application)
{
    return CleanupMenu(application) != FALSE;
}
