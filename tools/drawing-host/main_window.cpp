#include "main_window.h"

#include "framework/gdi.h"
#include "painter.h"
#include "refhost/chem/Molfile.h"

#include <commdlg.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace drawing_host {
namespace {

// The host's own commands. The add-in's items get command ids from 1001 on (refhost::Host::nextCommandId).
enum HostCommand : UINT {
    kOpen = 100, kCloseDocument, kExit, kSelectAll, kSelectNone, kAtomIds, kNewWindow, kCloseWindow, kAbout,
    kFirstWindowEntry = 200, kLastWindowEntry = 299,
};

struct HostItem {
    std::string_view menu;
    std::string_view caption;   // "-" for a separator
    UINT command;
};
constexpr HostItem kHostItems[] = {
    {"File", "Open...", kOpen},         {"File", "Close", kCloseDocument},    {"File", "-", 0},
    {"File", "Exit", kExit},            {"Edit", "Select All", kSelectAll},   {"Edit", "Select None", kSelectNone},
    {"View", "Atom IDs", kAtomIds},     {"Window", "New Window", kNewWindow}, {"Window", "Close Window", kCloseWindow},
    {"Help", "About Stand-in Drawing Host...", kAbout},
};

// Structure files are small; this keeps a wrong file (a disk image) from being read whole.
constexpr std::streamoff kLargestFile = 64 << 20;

std::optional<std::string> ReadFile(const std::string& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        *error = "cannot read the file";
        return std::nullopt;
    }
    if (in.tellg() > kLargestFile) {
        *error = "the file is larger than a structure file can be";
        return std::nullopt;
    }
    in.seekg(0);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string FileName(const std::string& path)
{
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string MenuText(HMENU menu, int position)
{
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

// A menu's items as the user sees them: "Open... | Close (disabled) | - | Exit".
std::string DescribePopup(HMENU popup)
{
    std::string text;
    for (int position = 0; position < GetMenuItemCount(popup); ++position) {
        const UINT state = GetMenuState(popup, static_cast<UINT>(position), MF_BYPOSITION);
        text += position > 0 ? " | " : "";
        if (state & MF_SEPARATOR) {
            text += "-";
            continue;
        }
        text += MenuText(popup, position);
        if (state & (MF_GRAYED | MF_DISABLED))
            text += " (disabled)";
        if (state & MF_CHECKED)
            text += " (checked)";
    }
    return text;
}

} // namespace

bool MainWindow::RegisterClass()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &MainWindow::WindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kClassName;
    return RegisterClassExA(&windowClass) != 0;
}

MainWindow::MainWindow(HostApp& app, std::shared_ptr<refhost::Window> model, int number)
    : m_app(app), m_model(std::move(model)), m_number(number), m_ownMenus(m_model->MainMenuBar().menus)
{
}

bool MainWindow::Create(int x, int y)
{
    const Options& options = m_app.options();
    HWND hwnd = CreateWindowExA(0, kClassName, "", WS_OVERLAPPEDWINDOW, x, y, options.width, options.height, nullptr,
                                nullptr, GetModuleHandleA(nullptr), this);
    if (hwnd == nullptr)
        return false;
    // What Application.MainWindow answers: window handles keep their meaning in 32 bits.
    m_model->mainWindow = static_cast<long>(reinterpret_cast<std::intptr_t>(hwnd));
    UpdateTitle();
    RebuildMenuBar();
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return true;
}

void MainWindow::UpdateTitle()
{
    std::string title = m_app.options().name + " (stand-in) - " + (m_document ? FileName(m_path) : "no document");
    SetWindowTextA(m_hwnd, title.c_str());
}

bool MainWindow::Open(const std::string& path)
{
    std::string error;
    std::optional<std::string> text = ReadFile(path, &error);
    refhost::chem::ReadError readError;
    std::optional<refhost::chem::ChemDocument> document;
    if (text && !(document = refhost::chem::ReadChemDocument(*text, &readError)))
        error = readError.ToString();
    if (!document) {
        m_app.Fail(Name() + ": cannot open " + path + ": " + error, m_hwnd);
        return false;
    }
    m_document = refhost::DrawingDocument::Open(std::move(*document));
    m_model->activeDocument = m_document;
    m_path = path;
    m_app.Report(Name() + ": opened " + path + ": " + DocumentSummary());
    UpdateTitle();
    InvalidateRect(m_hwnd, nullptr, FALSE);
    return true;
}

void MainWindow::CloseDocument()
{
    m_document.reset();
    m_model->activeDocument.reset();
    m_path.clear();
    UpdateTitle();
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

std::string MainWindow::DocumentSummary() const
{
    if (!m_document)
        return "no document";
    const auto& document = *m_document->chemistry;
    return "\"" + document.name + "\", " + std::to_string(document.Atoms().size()) + " atoms, "
           + std::to_string(document.Bonds().size()) + " bonds, " + std::to_string(document.ReactionSchemes().size())
           + " reactions";
}

void MainWindow::Close()
{
    if (m_hwnd == nullptr)
        return;
    m_app.CleanupMenus(*this);
    DestroyWindow(m_hwnd);
}

void MainWindow::SelectAll()
{
    if (!m_document)
        return;
    m_document->chemistry->SelectAll();
    DocumentChanged();
}

void MainWindow::SelectNone()
{
    if (!m_document)
        return;
    m_document->chemistry->ClearSelection();
    DocumentChanged();
}

bool MainWindow::SelectObjects(const std::vector<long>& atoms, const std::vector<long>& bonds, std::string* error)
{
    if (!m_document) {
        *error = "no document is open";
        return false;
    }
    auto& document = *m_document->chemistry;
    refhost::chem::Selection selection;
    for (long id : atoms) {
        auto index = id > INT_MAX ? std::nullopt : document.AtomIndex(static_cast<int>(id));
        if (!index) {
            *error = "the document has no atom with ID " + std::to_string(id);
            return false;
        }
        selection.atoms.push_back(*index);
    }
    for (long id : bonds) {
        auto index = id > INT_MAX ? std::nullopt : document.BondIndex(static_cast<int>(id));
        if (!index) {
            *error = "the document has no bond with ID " + std::to_string(id);
            return false;
        }
        selection.bonds.push_back(*index);
    }
    document.Select(selection);
    DocumentChanged();
    return true;
}

std::optional<POINT> MainWindow::PixelOf(bool bond, long id) const
{
    if (!m_document || id > INT_MAX)
        return std::nullopt;
    const auto& document = *m_document->chemistry;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const DocumentView view = ViewOf(document, client.right, client.bottom);
    refhost::chem::Point at;
    if (bond) {
        auto index = document.BondIndex(static_cast<int>(id));
        if (!index)
            return std::nullopt;
        const auto& found = document.Bonds()[*index];
        const auto one = view.layout.atoms[found.atom1], two = view.layout.atoms[found.atom2];
        at = view.viewport.ToPixels({(one.x + two.x) / 2, (one.y + two.y) / 2});
    } else {
        auto index = document.AtomIndex(static_cast<int>(id));
        if (!index)
            return std::nullopt;
        at = view.viewport.ToPixels(view.layout.atoms[*index]);
    }
    return POINT{static_cast<LONG>(std::lround(at.x)), static_cast<LONG>(std::lround(at.y))};
}

// A click on an atom or bond selects its structure (with Ctrl: adds or removes it); with Shift it adds or
// removes that atom or bond alone. A click on nothing clears the selection.
void MainWindow::OnClick(POINT point, WPARAM keys)
{
    if (!m_document)
        return;
    auto& document = *m_document->chemistry;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const DocumentView view = ViewOf(document, client.right, client.bottom);
    const refhost::chem::Point pixel{static_cast<double>(point.x), static_cast<double>(point.y)};
    const auto atom = refhost::chem::AtomAt(view.layout, view.viewport, pixel, view.HitRadius());
    const auto bond = atom ? std::nullopt : refhost::chem::BondAt(document, view.layout, view.viewport, pixel, view.HitRadius());
    refhost::chem::Selection selection = document.GetSelection();
    auto toggle = [](std::vector<int>& indices, int index) {
        auto found = std::find(indices.begin(), indices.end(), index);
        if (found == indices.end())
            indices.push_back(index);
        else
            indices.erase(found);
    };

    if (!atom && !bond) {
        if (keys & (MK_CONTROL | MK_SHIFT))
            return;
        selection = {};
    } else if (keys & MK_SHIFT) {
        toggle(atom ? selection.atoms : selection.bonds, atom ? *atom : *bond);
    } else {
        const int group = document.Atoms()[atom ? *atom : document.Bonds()[*bond].atom1].group;
        const auto& members = document.Groups()[group].atoms;
        auto inGroup = [&](int index) { return document.Atoms()[index].group == group; };
        if (!(keys & MK_CONTROL))
            selection = {};
        const bool whole = std::all_of(members.begin(), members.end(), [&](int member) {
            return std::find(selection.atoms.begin(), selection.atoms.end(), member) != selection.atoms.end();
        });
        std::erase_if(selection.atoms, inGroup);
        std::erase_if(selection.bonds, [&](int index) { return inGroup(document.Bonds()[index].atom1); });
        if (!whole || !(keys & MK_CONTROL)) {
            selection.atoms.insert(selection.atoms.end(), members.begin(), members.end());
            for (int member : members)
                for (int memberBond : document.BondsOfAtom(member))
                    selection.bonds.push_back(memberBond);
        }
    }
    document.Select(selection);
    DocumentChanged();
}

void MainWindow::DocumentChanged()
{
    if (m_document) {
        m_document->Synchronize();
        ReportSelection();
    }
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

void MainWindow::ReportSelection()
{
    const auto& selection = m_document->chemistry->GetSelection();
    char weight[32];
    std::snprintf(weight, sizeof weight, "%.2f", m_document->selection.molecularWeight);
    m_app.Report(Name() + ": selected " + std::to_string(selection.atoms.size()) + " atoms, "
                 + std::to_string(selection.bonds.size()) + " bonds, " + std::to_string(selection.schemes.size())
                 + " reactions (MW " + weight + ")");
}

bool MainWindow::IsOwnMenu(const std::shared_ptr<refhost::MenuModel>& menu) const
{
    return std::find(m_ownMenus.begin(), m_ownMenus.end(), menu) != m_ownMenus.end();
}

void MainWindow::RebuildMenuBar()
{
    if (m_hwnd == nullptr)
        return;
    HMENU bar = CreateMenu();
    m_popups.clear();
    for (const auto& menu : m_model->MainMenuBar().menus) {
        HMENU popup = CreatePopupMenu();
        FillPopup(popup, *menu, IsOwnMenu(menu));
        AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), menu->caption.c_str());
        m_popups.emplace_back(popup, menu);
    }
    HMENU previous = GetMenu(m_hwnd);
    SetMenu(m_hwnd, bar);
    if (previous != nullptr)
        DestroyMenu(previous);
    DrawMenuBar(m_hwnd);
}

// The host's items first (a host menu), the open windows (the Window menu), then the model's items.
void MainWindow::FillPopup(HMENU popup, const refhost::MenuModel& menu, bool own)
{
    while (GetMenuItemCount(popup) > 0)
        DeleteMenu(popup, 0, MF_BYPOSITION);
    if (own) {
        for (const HostItem& item : kHostItems) {
            if (item.menu != menu.caption)
                continue;
            if (item.caption == "-") {
                AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            const bool needsDocument = item.command == kCloseDocument || item.command == kSelectAll
                                       || item.command == kSelectNone;
            UINT flags = MF_STRING | (needsDocument && !m_document ? MF_GRAYED : MF_ENABLED);
            if (item.command == kAtomIds && m_atomIds)
                flags |= MF_CHECKED;
            AppendMenuA(popup, flags, item.command, std::string(item.caption).c_str());
        }
        if (menu.caption == "Window") {
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
            for (MainWindow* window : m_app.OpenWindows()) {
                if (window->Number() > static_cast<int>(kLastWindowEntry - kFirstWindowEntry) + 1)
                    break;
                const std::string entry = std::to_string(window->Number()) + " "
                                          + (window->m_document ? FileName(window->m_path) : "(no document)");
                AppendMenuA(popup, MF_STRING | (window == this ? MF_CHECKED : 0),
                            kFirstWindowEntry + static_cast<UINT>(window->Number()) - 1, entry.c_str());
            }
        }
    }
    for (const auto& item : menu.items) {
        if (item->separator)
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(popup, MF_STRING | (item->enabled ? MF_ENABLED : MF_GRAYED),
                        static_cast<unsigned short>(item->commandId), item->caption.c_str());
    }
}

// The menu opens: it shows the model as it is now, and each add-in item as its handler's Update left it.
void MainWindow::OnInitMenuPopup(HMENU popup)
{
    auto found = std::find_if(m_popups.begin(), m_popups.end(), [&](const auto& entry) { return entry.first == popup; });
    if (found == m_popups.end())
        return;
    const std::shared_ptr<refhost::MenuModel> menu = found->second;
    // The add-in calls back into the host during Update: work on a copy of the item list.
    const std::vector<std::shared_ptr<refhost::MenuItemModel>> items = menu->items;
    for (const auto& item : items)
        if (!item->separator && !item->handler.empty())
            m_app.UpdateItem(*this, item);
    FillPopup(popup, *menu, IsOwnMenu(menu));
    m_app.Report(Name() + ": menu " + menu->caption + ": " + DescribePopup(popup));
}

HMENU MainWindow::Popup(const std::string& caption, int* position) const
{
    HMENU bar = GetMenu(m_hwnd);
    for (int index = 0; bar != nullptr && index < GetMenuItemCount(bar); ++index)
        if (MenuText(bar, index) == caption) {
            *position = index;
            return GetSubMenu(bar, index);
        }
    return nullptr;
}

std::optional<MainWindow::FoundItem> MainWindow::OpenAndFind(const std::string& menu, const std::string& item,
                                                              std::string* error)
{
    int position = 0;
    HMENU popup = Popup(menu, &position);
    if (popup == nullptr) {
        *error = "the menu bar has no menu \"" + menu + "\"";
        return std::nullopt;
    }
    SendMessageA(m_hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(position, FALSE));
    for (int index = 0; index < GetMenuItemCount(popup); ++index) {
        const UINT state = GetMenuState(popup, static_cast<UINT>(index), MF_BYPOSITION);
        if (!(state & MF_SEPARATOR) && MenuText(popup, index) == item)
            return FoundItem{popup, GetMenuItemID(popup, index), !(state & (MF_GRAYED | MF_DISABLED))};
    }
    *error = "the menu \"" + menu + "\" has no item \"" + item + "\"";
    return std::nullopt;
}

std::shared_ptr<refhost::MenuItemModel> MainWindow::FindAddinItem(UINT command) const
{
    for (const auto& menu : m_model->MainMenuBar().menus)
        for (const auto& item : menu->items)
            if (!item->separator && static_cast<unsigned short>(item->commandId) == command)
                return item;
    return nullptr;
}

void MainWindow::OnCommand(UINT command)
{
    switch (command) {
    case kOpen: OpenByDialog(); return;
    case kCloseDocument: CloseDocument(); return;
    case kExit: m_app.CloseAll(); return;
    case kSelectAll: SelectAll(); return;
    case kSelectNone: SelectNone(); return;
    case kAtomIds:
        m_atomIds = !m_atomIds;
        InvalidateRect(m_hwnd, nullptr, FALSE);
        return;
    case kNewWindow: m_app.NewWindow(); return;
    case kCloseWindow: Close(); return;
    case kAbout: {
        const std::string text = "A stand-in drawing host for trying the add-in.\n\nApplication name: "
                                 + m_app.options().name + "\nAdd-in: "
                                 + (m_app.options().addin.empty() ? "none" : m_app.options().addin);
        MessageBoxA(m_hwnd, text.c_str(), "About Stand-in Drawing Host", MB_OK | MB_ICONINFORMATION);
        return;
    }
    default: break;
    }
    if (command >= kFirstWindowEntry && command <= kLastWindowEntry) {
        for (MainWindow* window : m_app.OpenWindows())
            if (static_cast<UINT>(window->Number()) == command - kFirstWindowEntry + 1) {
                SetActiveWindow(window->Handle());
                m_app.Activated(*window);
            }
        return;
    }
    if (auto item = FindAddinItem(command))
        ChangingDocument([&] { m_app.ExecuteItem(*this, item); });
}

void MainWindow::ExecuteDirect(const std::string& itemPath, const std::string& inputText)
{
    ChangingDocument([&] { m_app.ExecuteDirect(*this, itemPath, inputText); });
}

template <typename Call>
void MainWindow::ChangingDocument(Call call)
{
    // The document object stays the same; what the add-in places into it adds atoms and bonds.
    const auto size = [this] {
        return m_document ? std::pair(m_document->chemistry->Atoms().size(), m_document->chemistry->Bonds().size())
                          : std::pair<std::size_t, std::size_t>();
    };
    const auto before = size();
    call();
    if (m_hwnd == nullptr)
        return;
    if (m_document && size() != before) {
        m_app.Report(Name() + ": the document changed: " + DocumentSummary());
        ReportSelection();
    }
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

void MainWindow::OpenByDialog()
{
    char path[MAX_PATH] = {};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hwnd;
    dialog.lpstrFilter = "Structure files (*.mol;*.sdf;*.rxn;*.rdf)\0*.mol;*.sdf;*.rxn;*.rdf\0All files\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameA(&dialog))
        Open(path);
}

void MainWindow::Paint(HDC dc)
{
    RECT client{};
    GetClientRect(m_hwnd, &client);
    PaintDocument(dc, client, {m_document.get(), m_document ? FileName(m_path) : "", m_atomIds});
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        window = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        window->m_hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    if (window == nullptr)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        window->m_hwnd = nullptr;
        window->m_app.Destroyed(*window);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    try {
        return window->OnMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        window->m_app.Fail(window->Name() + ": " + failure.what());
    } catch (...) {
        window->m_app.Fail(window->Name() + ": unexpected failure");
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            m_app.Activated(*this);
        return 0;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam))
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_COMMAND:
        if (lParam == 0)
            OnCommand(LOWORD(wParam));
        return 0;
    case WM_LBUTTONDOWN: OnClick({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, wParam); return 0;
    case WM_SIZE: InvalidateRect(m_hwnd, nullptr, FALSE); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_hwnd, &paint);
        RECT client{};
        GetClientRect(m_hwnd, &client);
        // Drawn off screen first, so a repaint does not flicker; straight into the window when GDI has no
        // canvas to give.
        if (client.right > 0 && client.bottom > 0) {
            fw::Canvas canvas(client.right, client.bottom);
            Paint(canvas ? canvas.dc() : dc);
            if (canvas)
                BitBlt(dc, 0, 0, client.right, client.bottom, canvas.dc(), 0, 0, SRCCOPY);
        }
        EndPaint(m_hwnd, &paint);
        return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY:
        m_document.reset();
        m_model->activeDocument.reset();
        return 0;
    default: return DefWindowProcA(m_hwnd, message, wParam, lParam);
    }
}

} // namespace drawing_host
