// The add-in's menus in the host: building them from the extension key (SetupMenu), the memory of which
// configuration path each created item came from (ExtensionMenuMap, per main window and command id), the
// enabling rule the host asks before it shows an item (UpdateItem), and removing the menus (CleanupMenu).
//
// The map is process-wide and lives while any Extension object does. Everything here runs on the host's
// user-interface thread; errors the host raises inside a call propagate to the automation member that
// called in.
#pragma once

// ExtensionMenuMap::InsertMenu shares its name with a Win32 macro; every user must see the same macro.
#include <windows.h>
#include <oleauto.h>

#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Application;

struct MapKey {
    std::int64_t mainWindow;  // the host's 32-bit MainWindow, zero-extended
    std::int16_t commandId;   // the host item's CommandID
    friend auto operator<=>(const MapKey&, const MapKey&) = default;
};

class ExtensionMenuMap {
public:
    ExtensionMenuMap() = default;
    ExtensionMenuMap(const ExtensionMenuMap&) = delete;
    ExtensionMenuMap& operator=(const ExtensionMenuMap&) = delete;

    // The count of live Extension objects; Release destroys the map at 0 (and clears gMenuMap).
    ULONG AddRef() noexcept;
    ULONG Release() noexcept;

    // Replaces any earlier path of the same key.
    void Insert(std::int64_t mainWindow, short commandId, const std::string& path);
    // Empty when the key is not in the map.
    std::string Lookup(std::int64_t mainWindow, short commandId) const;
    // Records a menu caption for the application's main window, in the order of adding.
    void InsertMenu(Application& application, const std::string& caption);
    // Removes the menus recorded for the application's main window from its first menu bar and forgets
    // them; FALSE when none were recorded. The window's item paths stay.
    BOOL MenuListRelease(Application& application);

private:
    ~ExtensionMenuMap();

    std::map<MapKey, std::string> m_itemPaths;
    std::map<std::int64_t, std::vector<std::string>> m_menuLists;
    ULONG m_references = 0;
};

// The single instance; null while no Extension object is alive.
extern ExtensionMenuMap* gMenuMap;

// Each Extension constructor takes a reference (creating the map on first use); its destructor gives it back.
void CreateMenuMap();
void ReleaseMenuMap() noexcept;

// Adds a menu per menu key of the extension's configuration for the host, in front of the host's "Window"
// menu, and its items; records the items in the map. FALSE for a missing application, an unknown host or
// when no map exists; TRUE otherwise, also when there is no configuration.
BOOL SetupMenu(IDispatch* application, const std::string& extensionName);
// FALSE when the application is missing or no map exists, otherwise MenuListRelease.
BOOL CleanupMenu(IDispatch* application);
// Enables or disables the host's menu item by its configuration and the host's active document. Always
// TRUE; throws std::runtime_error("Unknown application") for a host it cannot classify.
BOOL UpdateItem(IDispatch* menuItem);
