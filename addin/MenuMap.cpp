#include "addin/MenuMap.h"

#include "addin/ConfigStore.h"
#include "host/wrappers.h"

#include <algorithm>
#include <stdexcept>

ExtensionMenuMap* gMenuMap = nullptr;

namespace {

// Subkey names in ascending byte order: "10" before "2", upper case before lower case, and bytes of 0x80
// and above after ASCII (std::string compares as unsigned char).
std::vector<std::string> SortedSubkeys(const basic_RegistryKey& key)
{
    std::vector<std::string> names;
    key.GetAllKeys(names);
    std::sort(names.begin(), names.end());
    return names;
}

fw::unique_variant Adopt(VARIANT value) noexcept
{
    return fw::unique_variant::adopt(value);
}

// The arguments SetupMenu passes by reference to every Menus.Add and MenuItems.Add.
struct MenuArguments {
    fw::unique_variant before = Adopt(VariantFrom("Window"));
    fw::unique_variant firstZero = Adopt(VariantFrom(0));
    fw::unique_variant secondZero = Adopt(VariantFrom(0));
};

void AddItems(Menu& menu, const basic_RegistryKey& menuKey, const std::string& menuPath, std::int64_t mainWindow,
              MenuArguments& arguments)
{
    MenuItems items = menu.MenuItems();
    for (const std::string& itemName : SortedSubkeys(menuKey)) {
        basic_RegistryKey itemKey(menuKey, itemName, kConfigReadAccess);
        if (!itemKey.IsOpen())
            continue;
        if (itemKey.QueryDword("Hidden").value_or(0) != 0)
            continue;
        auto caption = itemKey.QueryString("");
        if (!caption)
            continue;
        if (*caption == "-") {
            fw::unique_variant missing = Adopt(VariantFrom());
            items.Add(*caption, arguments.firstZero.get(), missing.get(), arguments.secondZero.get());
            continue;
        }
        auto handler = itemKey.QueryString("HandlerID");
        if (!handler)
            continue;
        fw::unique_variant handlerArgument = Adopt(VariantFrom(*handler));
        MenuItem item = items.Add(*caption, arguments.firstZero.get(), handlerArgument.get(), arguments.secondZero.get());
        // A host that gave no item created none: recording it under the command id a missing item reads as
        // (0) would tie the configuration to whatever else the host numbers 0.
        if (!item)
            continue;
        const short commandId = item.CommandID();
        // The map is looked up after the host call, not before it: a host may call back in the meantime.
        if (gMenuMap != nullptr)
            gMenuMap->Insert(mainWindow, commandId, menuPath + "\\" + itemName);
    }
}

// Whether an item with this configuration may be chosen now.
bool ItemEnabled(Application& application, const basic_RegistryKey& itemKey)
{
    if (!itemKey.QueryString("PostData"))
        return true;
    auto document = application.ActiveDocument<COleDynamicDispatchDriver>();
    if (!document)
        return false;
    if (itemKey.QueryString("Prompt"))
        return true;
    const TreviskApp app = IdentifyApp(application);
    if (IsDrawingApp(app)) {
        IVelmoraObjects objects = IVelmoraDocument(document.DetachDispatch()).Selection().Objects();
        return objects && objects.MolecularWeight() != 0.0;
    }
    if (IsModelApp(app)) {
        IKorvaneAtoms atoms = IKorvaneDocument(document.DetachDispatch()).Atoms();
        return atoms && atoms.Count() != 0;
    }
    if (app == appRavelle) {
        IRavelleFields fields = IRavelleDocument(document.DetachDispatch()).Fields();
        const short count = fields.Count();
        // An int index: a host reporting 32767 fields must not wrap the loop.
        for (int index = 1; index <= count; ++index)
            if (fields.Item(static_cast<short>(index)).Type() == 3)
                return true;
        return false;
    }
    throw std::runtime_error("Unknown application");
}

} // namespace

ExtensionMenuMap::~ExtensionMenuMap()
{
    if (gMenuMap == this)
        gMenuMap = nullptr;
}

ULONG ExtensionMenuMap::AddRef() noexcept
{
    return ++m_references;
}

ULONG ExtensionMenuMap::Release() noexcept
{
    if (m_references == 0)
        return 0;
    ULONG remaining = --m_references;
    if (remaining == 0)
        delete this;
    return remaining;
}

void ExtensionMenuMap::Insert(std::int64_t mainWindow, short commandId, const std::string& path)
{
    m_itemPaths[MapKey{mainWindow, commandId}] = path;
}

std::string ExtensionMenuMap::Lookup(std::int64_t mainWindow, short commandId) const
{
    auto found = m_itemPaths.find(MapKey{mainWindow, commandId});
    return found == m_itemPaths.end() ? std::string() : found->second;
}

void ExtensionMenuMap::InsertMenu(Application& application, const std::string& caption)
{
    const std::int64_t mainWindow = application.MainWindow();
    m_menuLists[mainWindow].push_back(caption);
}

// The list leaves the map before the host is called: a host that takes incoming calls while its Remove is
// pending may set up or clean up this window again (or drop the map) from inside it, and must find the map
// as it would after this clean-up.
BOOL ExtensionMenuMap::MenuListRelease(Application& application)
{
    const std::int64_t mainWindow = application.MainWindow();
    auto list = m_menuLists.extract(mainWindow);
    if (list.empty())
        return FALSE;
    const std::vector<std::string> captions = std::move(list.mapped());
    std::size_t removed = 0;
    try {
        if (MenuBar menuBar = application.MenuBars().Item(1)) {
            Menus menus = menuBar.Menus();
            for (; removed < captions.size(); ++removed)
                menus.Remove(captions[removed]);
        }
    } catch (...) {
        // The menus not known to be removed stay recorded, in front of any the host added meanwhile, so a
        // later clean-up tries them again.
        if (gMenuMap != nullptr) {
            std::vector<std::string>& now = gMenuMap->m_menuLists[mainWindow];
            now.insert(now.begin(), captions.begin() + static_cast<std::ptrdiff_t>(removed), captions.end());
        }
        throw;
    }
    return TRUE;
}

void CreateMenuMap()
{
    if (gMenuMap == nullptr)
        gMenuMap = new ExtensionMenuMap;
    gMenuMap->AddRef();
}

void ReleaseMenuMap() noexcept
{
    if (gMenuMap != nullptr)
        gMenuMap->Release();
}

BOOL SetupMenu(IDispatch* applicationObject, const std::string& extensionName)
{
    // Without a map the menus could never be removed nor their items found.
    if (applicationObject == nullptr || gMenuMap == nullptr)
        return FALSE;
    Application application(applicationObject, false);
    Menus menus = application.MenuBars().Item(1).Menus();
    const std::int64_t mainWindow = application.MainWindow();
    MenuArguments arguments;

    const TreviskApp app = IdentifyApp(application);
    if (app == appUnknown)
        return FALSE;
    const std::string extensionPath = ExtensionKeyPath(app, extensionName);
    basic_RegistryKey extensionKey = OpenConfigurationKey(extensionPath);
    if (!extensionKey.IsOpen())
        return TRUE;

    for (const std::string& menuName : SortedSubkeys(extensionKey)) {
        basic_RegistryKey menuKey(extensionKey, menuName, kConfigReadAccess);
        if (!menuKey.IsOpen())
            continue;
        auto caption = menuKey.QueryString("");
        if (!caption)
            continue;
        Menu menu = menus.Add(*caption, arguments.before.get());
        // Nothing was added: recording the caption would make clean-up remove a host menu of that name.
        if (!menu)
            continue;
        if (gMenuMap != nullptr)
            gMenuMap->InsertMenu(application, *caption);
        AddItems(menu, menuKey, extensionPath + "\\" + menuName, mainWindow, arguments);
    }
    return TRUE;
}

BOOL CleanupMenu(IDispatch* applicationObject)
{
    if (applicationObject == nullptr || gMenuMap == nullptr)
        return FALSE;
    Application application(applicationObject, false);
    return gMenuMap->MenuListRelease(application);
}

BOOL UpdateItem(IDispatch* menuItemObject)
{
    if (gMenuMap == nullptr)
        return TRUE;
    MenuItem menuItem(menuItemObject, false);
    Application application = menuItem.Application();
    const std::int64_t mainWindow = application.MainWindow();
    const short commandId = menuItem.CommandID();
    // The host may have released its last Extension, and with it the map, during those calls.
    if (gMenuMap == nullptr)
        return TRUE;
    const std::string path = gMenuMap->Lookup(mainWindow, commandId);
    // An item the add-in did not create has no configuration; the empty path would open the hive's root.
    if (path.empty())
        return TRUE;
    basic_RegistryKey itemKey = OpenConfigurationKey(path);
    if (!itemKey.IsOpen())
        return TRUE;
    menuItem.SetEnabled(ItemEnabled(application, itemKey));
    return TRUE;
}
