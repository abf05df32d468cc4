// The drawing host's application: the stand-in host model the add-in sees (refhost::Host), the add-in loaded
// by its ProgID, the main windows, and the report of what happens, printed line by line as it happens.
#pragma once

#include "refhost/addin_client.h"
#include "refhost/application.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace drawing_host {

// The add-in's item class, which programs create to run an item by its configuration path.
inline constexpr char kItemProgId[] = "Ulnara19.Item";

struct Options {
    std::string name = "Velmora 19.0";            // what Application.Name answers
    std::string addin = "Ulnara19.Extension";     // the extension's ProgID; empty: no add-in
    int width = 640, height = 480;                // of each main window
    bool unattended = false;                      // a script runs: failures are printed, never shown in a box
};

class MainWindow;

class HostApp {
public:
    explicit HostApp(Options options);
    ~HostApp();
    HostApp(const HostApp&) = delete;
    HostApp& operator=(const HostApp&) = delete;

    // Registers the window class, loads the add-in and opens the first window; false when no window opens.
    bool Start();
    // A new main window with its own menus (Setup is called for it); null when it cannot be made.
    MainWindow* NewWindow();
    // The window the user last worked in; null when none is open.
    MainWindow* Current() const { return m_current; }
    std::vector<MainWindow*> OpenWindows() const;
    void CloseAll();

    // Called by the windows.
    void Activated(MainWindow& window) { m_current = &window; }
    void Destroyed(MainWindow& window);

    // The host's calls into the add-in. Each is reported; a failed call is reported as a failure and the host
    // carries on.
    void SetupMenus(MainWindow& window);
    void CleanupMenus(MainWindow& window);
    void UpdateItem(MainWindow& window, const std::shared_ptr<refhost::MenuItemModel>& item);
    void ExecuteItem(MainWindow& window, const std::shared_ptr<refhost::MenuItemModel>& item);
    // Item.ExecuteDirect, as a program calls it: the item at the configuration path with the input text, the
    // window's document as the target.
    void ExecuteDirect(MainWindow& window, const std::string& itemPath, const std::string& inputText);

    void Report(const std::string& line);
    // Reported as "error: ..." and counted; shown in a message box too when a person is at the host.
    void Fail(const std::string& line, HWND owner = nullptr);
    int Failures() const { return m_failures; }

    const Options& options() const { return m_options; }
    const std::shared_ptr<refhost::Host>& host() const { return m_host; }

private:
    void CallExtension(MainWindow& window, const std::string& member, bool (refhost::AddinClient::*call)(IDispatch*));

    Options m_options;
    std::shared_ptr<refhost::Host> m_host;
    std::optional<refhost::AddinClient> m_addin;
    // Kept to the end: a window's procedure may still be on the stack when its window is destroyed.
    std::vector<std::unique_ptr<MainWindow>> m_windows;
    MainWindow* m_current = nullptr;
    int m_failures = 0;
};

} // namespace drawing_host
