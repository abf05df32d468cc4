// The stand-in application, its main windows and their menus: the models tests assemble and read back,
// and the automation objects (Application, MenuBars, MenuBar, Menus, Menu, MenuItems, MenuItem) over them.
#pragma once

#include "refhost/host.h"

#include <memory>
#include <string>
#include <vector>

namespace refhost {

struct MenuItemModel {
    std::string caption;
    std::string handler;        // the handler id the item was added with (empty for a separator)
    short commandId = 0;        // 0 for a separator
    bool separator = false;
    bool enabled = true;
    unsigned argumentCount = 0; // how many arguments MenuItems.Add was called with
    bool handlerMissing = false; // the handler argument was the missing-argument value
};

struct MenuModel {
    std::string caption;
    std::vector<std::shared_ptr<MenuItemModel>> items;
};

struct MenuBarModel {
    std::vector<std::shared_ptr<MenuModel>> menus;

    std::vector<std::string> Captions() const;
    std::shared_ptr<MenuModel> Find(std::string_view caption) const;
};

// One main window: its handle value (what Application.MainWindow answers), its menu bars (the first is the
// main menu bar, which starts with "File", "Edit", "View", "Window" and "Help") and its active document.
struct Window {
    long mainWindow = 0;
    std::vector<std::shared_ptr<MenuBarModel>> menuBars;
    std::shared_ptr<Document> activeDocument;

    MenuBarModel& MainMenuBar() { return *menuBars.front(); }
};

class ApplicationObject final : public HostObject {
public:
    ApplicationObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window);

private:
    std::span<const fw::DispatchMember> Members() const noexcept override;
    fw::ComPtr<IDispatch> ActiveDocument();
    fw::ComPtr<IDispatch> Documents();
    long MainWindow() { return m_window->mainWindow; }
    fw::ComPtr<IDispatch> MenuBars();
    std::string Name() { return host().name; }

    std::shared_ptr<Window> m_window;
};

// The MenuItem object of an item already in one of the window's menus: what the host hands the add-in's Item
// object when it asks whether the item can be chosen.
fw::ComPtr<IDispatch> MakeMenuItem(std::shared_ptr<Host> host, std::shared_ptr<Window> window,
                                   std::shared_ptr<MenuItemModel> item);

} // namespace refhost
