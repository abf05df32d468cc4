// One main window of the drawing host: its menu bar, built from the window's menu model (the host's menus with
// the add-in's in front of "Window"), one document drawn from its 2D coordinates, and selection by mouse and by
// command. Opening a menu asks the add-in's handlers about their items; choosing an item runs it.
#pragma once

#include "host_app.h"
#include "refhost/drawing.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace drawing_host {

class MainWindow {
public:
    static constexpr const char* kClassName = "StandInDrawingHostWindow";
    static bool RegisterClass();

    MainWindow(HostApp& app, std::shared_ptr<refhost::Window> model, int number);
    bool Create(int x, int y);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    bool IsOpen() const { return m_hwnd != nullptr; }
    int Number() const { return m_number; }
    const std::shared_ptr<refhost::Window>& Model() const { return m_model; }
    // "window 2", how the report names it.
    std::string Name() const { return "window " + std::to_string(m_number); }

    // Documents. Open reports what it opened or why it could not.
    bool Open(const std::string& path);
    void CloseDocument();
    refhost::DrawingDocument* Document() const { return m_document.get(); }
    std::string DocumentSummary() const;
    void Close();

    // Runs the add-in's item at the configuration path as a program does (Item.ExecuteDirect).
    void ExecuteDirect(const std::string& itemPath, const std::string& inputText);

    // Selection, by host IDs; false with the reason for an ID the document does not have.
    void SelectAll();
    void SelectNone();
    bool SelectObjects(const std::vector<long>& atoms, const std::vector<long>& bonds, std::string* error);
    // Where a click on the atom (or the middle of the bond) with that ID lands in the client area.
    std::optional<POINT> PixelOf(bool bond, long id) const;

    // Menus. The bar shows the model; a popup is filled afresh each time it opens.
    void RebuildMenuBar();
    struct FoundItem {
        HMENU popup = nullptr;
        UINT command = 0;
        bool enabled = false;
    };
    // Opens the menu as the user does (so the add-in updates its items) and finds the item by caption.
    std::optional<FoundItem> OpenAndFind(const std::string& menu, const std::string& item, std::string* error);
    // The menu bar's popup with that caption and its position; null when there is none.
    HMENU Popup(const std::string& caption, int* position) const;

private:
    static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void FillPopup(HMENU popup, const refhost::MenuModel& menu, bool own);
    void OnInitMenuPopup(HMENU popup);
    void OnCommand(UINT command);
    void OnClick(POINT point, WPARAM keys);
    void OpenByDialog();
    void Paint(HDC dc);
    void DocumentChanged();
    // Runs a call into the add-in that may change the document (a structure placed into it) and reports the
    // document when it did.
    template <typename Call>
    void ChangingDocument(Call call);
    void ReportSelection();
    void UpdateTitle();
    bool IsOwnMenu(const std::shared_ptr<refhost::MenuModel>& menu) const;
    std::shared_ptr<refhost::MenuItemModel> FindAddinItem(UINT command) const;

    HostApp& m_app;
    std::shared_ptr<refhost::Window> m_model;
    int m_number;
    HWND m_hwnd = nullptr;
    std::vector<std::shared_ptr<refhost::MenuModel>> m_ownMenus;   // the host's menus, as the window began
    std::vector<std::pair<HMENU, std::shared_ptr<refhost::MenuModel>>> m_popups;
    std::shared_ptr<refhost::DrawingDocument> m_document;
    std::string m_path;
    bool m_atomIds = false;
};

} // namespace drawing_host
