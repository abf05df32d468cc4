// standin-host: a console stand-in for a drawing host. It creates the add-in by its ProgID through COM, as a
// host does once the DLL is registered, lets it add its menus to the main window, asks each item's handler
// (created by the item's handler id) whether the item can be chosen for three states of the active document,
// prints the menu bar, and removes the menus again.
#include "refhost/addin_client.h"
#include "refhost/application.h"
#include "refhost/drawing.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using refhost::MenuItemModel;

struct DocumentState {
    const char* title;
    std::shared_ptr<refhost::Document> document;
};

std::vector<DocumentState> SampleStates()
{
    auto empty = std::make_shared<refhost::DrawingDocument>();
    auto glucose = std::make_shared<refhost::DrawingDocument>();
    glucose->selection.molecularWeight = 180.156;   // C6H12O6 selected
    return {{"no document", nullptr}, {"nothing selected", empty}, {"C6H12O6 selected", glucose}};
}

std::string Column(std::string text)
{
    text.resize(std::max<std::size_t>(text.size() + 1, 20), ' ');
    return text;
}

std::string Trimmed(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string MenuBarText(refhost::Window& window)
{
    std::string text;
    for (const std::string& caption : window.MainMenuBar().Captions())
        text += (text.empty() ? "" : "  ") + caption;
    return text;
}

int Run()
{
    auto host = refhost::Host::Create("Velmora 19.0", 0x00010020);
    std::shared_ptr<refhost::Window> window = host->windows.front();
    const auto hostMenus = window->MainMenuBar().Captions();
    std::printf("Stand-in host \"%s\", main window 0x%08lX\n", host->name.c_str(), window->mainWindow);

    std::optional<refhost::AddinClient> addin;
    try {
        addin.emplace("Ulnara19.Extension");
    } catch (const COleException& error) {
        std::printf("The add-in could not be created through COM (%s); is Ulnara19.dll registered?\n",
                    refhost::DescribeResult(error.m_sc).c_str());
        return 1;
    }
    fw::ComPtr<IDispatch> application = host->Application(window);
    const bool setUp = addin->Setup(application.Get());
    std::printf("Created \"Ulnara19.Extension\" by ProgID; Setup returned %s.\n\n", setUp ? "TRUE" : "FALSE");
    std::printf("Menu bar: %s\n\n", MenuBarText(*window).c_str());

    // The enabled state of every add-in item for each document state, as Item.Update leaves it.
    const std::vector<DocumentState> states = SampleStates();
    std::string heading(36, ' ');
    for (const DocumentState& state : states)
        heading += Column(state.title);
    std::printf("%s\n", Trimmed(heading).c_str());
    std::set<std::string> own(hostMenus.begin(), hostMenus.end());
    for (const auto& menu : window->MainMenuBar().menus) {
        if (own.count(menu->caption) != 0)
            continue;
        std::printf("%s\n", menu->caption.c_str());
        for (const std::shared_ptr<MenuItemModel>& entry : menu->items) {
            if (entry->separator) {
                std::printf("  ------------\n");
                continue;
            }
            std::string line = "  " + entry->caption;
            line.resize(std::max<std::size_t>(line.size() + 1, 36), ' ');
            for (const DocumentState& state : states) {
                window->activeDocument = state.document;
                fw::ComPtr<IDispatch> menuItem = refhost::MakeMenuItem(host, window, entry);
                addin->Update(entry->handler, menuItem.Get());
                line += Column(entry->enabled ? "enabled" : "disabled");
            }
            std::printf("%s\n", Trimmed(line).c_str());
        }
    }

    const bool cleanedUp = addin->Cleanup(application.Get());
    std::printf("\nCleanup returned %s. Menu bar: %s\n", cleanedUp ? "TRUE" : "FALSE", MenuBarText(*window).c_str());
    return setUp && cleanedUp ? 0 : 1;
}

} // namespace

int main()
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int status = 1;
    try {
        status = Run();
    } catch (const std::exception& failure) {
        std::printf("standin-host: %s\n", failure.what());
    }
    CoUninitialize();
    return status;
}
