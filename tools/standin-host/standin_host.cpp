// standin-host: a console stand-in host of the suite. It creates the add-in by its ProgID through COM, as a
// host does once the DLL is registered, lets it add its menus to the main window, asks each item's handler
// (created by the item's handler id) whether the item can be chosen for three states of the active document,
// prints the menu bar, and removes the menus again.
//
// An administrator previews a configuration with it: --host gives the application name the add-in sees
// (which decides the host family, the configuration folder and the document states shown), and --reg
// imports a .reg file into a private registry sandbox for the run instead of reading what is installed.
#include "addin/ConfigStore.h"
#include "refhost/addin_client.h"
#include "refhost/application.h"
#include "refhost/database.h"
#include "refhost/drawing.h"
#include "refhost/modeller.h"
#include "reg_import.h"
#include "registry_sandbox.h"
#include "regtext.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using refhost::MenuItemModel;

constexpr char kUsage[] =
    "Usage: standin-host [--host NAME] [--reg FILE]\n"
    "  --host NAME  the application name the add-in sees (default \"Velmora 19.0\"); it decides the host\n"
    "               family, the configuration folder read and the documents shown\n"
    "  --reg FILE   a .reg file imported into a private registry sandbox for the run, in place of the\n"
    "               installed configuration (UTF-16 as regedit writes it, or UTF-8)\n"
    "Exit codes: 0 the add-in answered every call, 1 it could not be created, a call failed or the file\n"
    "could not be imported, 2 wrong usage.\n";

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

struct Options {
    std::string host = "Velmora 19.0";
    std::optional<std::string> regFile;
    bool preview = false;   // --host or --reg given: say which family and configuration are shown
    bool help = false;
};

struct DocumentState {
    const char* title;
    std::shared_ptr<refhost::Document> document;
};

// Three documents per host family, from none to one an item that searches with a structure can use.
std::vector<DocumentState> SampleStates(TreviskApp app)
{
    if (IsModelApp(app)) {
        auto empty = std::make_shared<refhost::ModellerDocument>();
        auto protein = std::make_shared<refhost::ModellerDocument>();
        protein->atomCount = 1250;
        return {{"no document", nullptr}, {"no atoms", empty}, {"1250 atoms", protein}};
    }
    if (app == appRavelle) {
        auto textOnly = std::make_shared<refhost::DatabaseDocument>();
        textOnly->fields.resize(1);
        textOnly->fields[0].type = 1;
        auto withStructure = std::make_shared<refhost::DatabaseDocument>();
        withStructure->fields.resize(2);
        withStructure->fields[0].type = 1;
        withStructure->fields[1].type = 3;   // a structure field
        withStructure->fields[1].molecule = std::make_shared<refhost::DataStore>();
        return {{"no document", nullptr}, {"no structure field", textOnly}, {"structure field", withStructure}};
    }
    auto empty = std::make_shared<refhost::DrawingDocument>();
    auto glucose = std::make_shared<refhost::DrawingDocument>();
    glucose->selection.molecularWeight = 180.156;   // C6H12O6 selected
    return {{"no document", nullptr}, {"nothing selected", empty}, {"C6H12O6 selected", glucose}};
}

const char* FamilyName(TreviskApp app)
{
    if (IsDrawingApp(app))
        return "drawing host";
    if (IsModelApp(app))
        return "3D modeller";
    if (app == appRavelle)
        return "chemical database";
    return "not a host of the suite";
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

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Imports the file's keys of the two hives the add-in reads into the sandbox; keys of other hives (a
// class registration, say) are left out, as they do not change what the add-in shows.
void ImportConfiguration(const std::string& path)
{
    regtext::ParseError error;
    auto operations = regtext::Parse(regtext::TextOfFile(ReadFileBytes(path)), &error);
    if (!operations)
        throw std::runtime_error("line " + std::to_string(error.line) + ": " + error.message);
    const auto otherHives = std::erase_if(*operations, [](const regtext::Operation& operation) {
        return !regconfig::IsImportableHive(operation.hive);
    });
    regconfig::ImportRegOperations(*operations);
    std::printf("Configuration: %s, imported into a private registry sandbox (the installed one is not read)\n",
                path.c_str());
    if (otherHives != 0)
        std::printf("Left out: keys and values of other hives than HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (%zu)\n",
                    static_cast<std::size_t>(otherHives));
}

// The enabled state of every add-in item for each document state, as Item.Update leaves it.
void PrintItems(const std::shared_ptr<refhost::Host>& host, const std::shared_ptr<refhost::Window>& window,
                const std::set<std::string>& hostMenus, refhost::AddinClient& addin,
                const std::vector<DocumentState>& states)
{
    // The captions' column: 36 characters, wider when a caption needs it.
    std::size_t width = 36;
    for (const auto& menu : window->MainMenuBar().menus)
        for (const std::shared_ptr<MenuItemModel>& entry : menu->items)
            width = std::max(width, entry->caption.size() + 3);
    std::string heading(width, ' ');
    for (const DocumentState& state : states)
        heading += Column(state.title);
    std::printf("%s\n", Trimmed(heading).c_str());
    for (const auto& menu : window->MainMenuBar().menus) {
        if (hostMenus.count(menu->caption) != 0)
            continue;
        std::printf("%s\n", menu->caption.c_str());
        for (const std::shared_ptr<MenuItemModel>& entry : menu->items) {
            if (entry->separator) {
                std::printf("  ------------\n");
                continue;
            }
            std::string line = "  " + entry->caption;
            line.resize(width, ' ');
            try {
                for (const DocumentState& state : states) {
                    window->activeDocument = state.document;
                    fw::ComPtr<IDispatch> menuItem = refhost::MakeMenuItem(host, window, entry);
                    addin.Update(entry->handler, menuItem.Get());
                    line += Column(entry->enabled ? "enabled" : "disabled");
                }
            } catch (const COleException& failure) {
                // What a host shows for an item whose handler it cannot create: a handler id of the
                // configuration that names no registered class, say.
                line += "the handler \"" + entry->handler + "\" fails: " + refhost::DescribeResult(failure.m_sc);
            }
            std::printf("%s\n", Trimmed(line).c_str());
        }
    }
}

int Run(const Options& options)
{
    auto host = refhost::Host::Create(options.host, 0x00010020);
    std::shared_ptr<refhost::Window> window = host->windows.front();
    const auto hostMenus = window->MainMenuBar().Captions();
    const TreviskApp app = IdentifyAppName(options.host);
    std::printf("Stand-in host \"%s\", main window 0x%08lX\n", host->name.c_str(), window->mainWindow);
    if (options.preview) {
        if (app == appUnknown)
            std::printf("Host family: %s\n", FamilyName(app));
        else
            std::printf("Host family: %s; configuration read from the folder \"%s\"\n", FamilyName(app),
                        std::string(StoreFolder(app)).c_str());
    }

    // The extension is created before the sandbox stands in for the hives; COM activation reads the real
    // class registration anyway, also for the handlers created later.
    std::optional<refhost::AddinClient> addin;
    try {
        addin.emplace("Ulnara19.Extension");
    } catch (const COleException& error) {
        std::printf("The add-in could not be created through COM (%s); is Ulnara19.dll registered?\n",
                    refhost::DescribeResult(error.m_sc).c_str());
        return exitFailed;
    }

    std::optional<regconfig::RegistrySandbox> sandbox;
    if (options.regFile) {
        sandbox.emplace();
        try {
            ImportConfiguration(*options.regFile);
        } catch (const std::exception& failure) {
            std::printf("standin-host: %s: %s\n", options.regFile->c_str(), failure.what());
            return exitFailed;
        }
    } else if (options.preview) {
        std::printf("Configuration: as installed in this machine's registry\n");
    }

    fw::ComPtr<IDispatch> application = host->Application(window);
    const bool setUp = addin->Setup(application.Get());
    std::printf("Created \"Ulnara19.Extension\" by ProgID; Setup returned %s.\n\n", setUp ? "TRUE" : "FALSE");
    std::printf("Menu bar: %s\n\n", MenuBarText(*window).c_str());

    const std::set<std::string> own(hostMenus.begin(), hostMenus.end());
    if (app == appUnknown)
        std::printf("The add-in adds no menus to a host whose name has none of the suite's product names.\n");
    else if (window->MainMenuBar().menus.size() == hostMenus.size())
        std::printf("The add-in added no menus: no configuration for this host in either hive, or no menu with a "
                    "caption.\n");
    else
        PrintItems(host, window, own, *addin, SampleStates(app));

    const bool cleanedUp = addin->Cleanup(application.Get());
    std::printf("\nCleanup returned %s. Menu bar: %s\n", cleanedUp ? "TRUE" : "FALSE", MenuBarText(*window).c_str());
    return exitDone;
}

// Options, or nothing after printing what is wrong.
std::optional<Options> ParseArguments(int argc, char** argv)
{
    Options options;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument == "--help") {
            options.help = true;
            continue;
        }
        if ((argument == "--host" || argument == "--reg") && index + 1 < argc) {
            const std::string value = argv[++index];
            if (argument == "--host")
                options.host = value;
            else
                options.regFile = value;
            options.preview = true;
            continue;
        }
        std::fprintf(stderr, "standin-host: %s\n%s",
                     argument.starts_with("--") ? ("option " + argument + " needs a value or is unknown").c_str()
                                                : ("unexpected argument " + argument).c_str(),
                     kUsage);
        return std::nullopt;
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<Options> options = ParseArguments(argc, argv);
    if (!options)
        return exitUsage;
    if (options->help) {
        std::fputs(kUsage, stdout);
        return exitDone;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return exitFailed;
    int status = exitFailed;
    try {
        status = Run(*options);
    } catch (const std::exception& failure) {
        std::printf("standin-host: %s\n", refhost::DescribeFailure(failure).c_str());
    }
    CoUninitialize();
    return status;
}
