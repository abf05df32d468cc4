// Where the add-in's configuration lives and how it is found: the host kind (which picks the store folder),
// the extension key read from the user hive or else the machine hive, the configured error texts, and the
// per-user preferences key with the proxy address.
#pragma once

#include "addin/RegistryKey.h"

#include <cstdint>
#include <string>
#include <string_view>

// The host application kind; other subsystems branch on the family ranges below.
enum TreviskApp : std::int32_t {
    appUnknown = 0,
    appVelmora = 1, // drawing family: 1 to 3
    appTessivo = 2,
    appBrannic = 3,
    appKorvane = 4, // 3D family: 4 to 6
    appSylvane = 5,
    appPellane = 6,
    appRavelle = 7, // database host
};

constexpr bool IsDrawingApp(TreviskApp app) { return app >= appVelmora && app <= appBrannic; }
constexpr bool IsModelApp(TreviskApp app) { return app >= appKorvane && app <= appPellane; }

class Application;

// The first product word, in the order of the enumeration, that occurs anywhere in the host's name
// (case-sensitively) decides; none gives appUnknown.
TreviskApp IdentifyAppName(const std::string& name);
// The host's kind from its Application.Name; a host without a name is appUnknown. Never fails by itself;
// an error the host raises while answering propagates.
TreviskApp IdentifyApp(Application& application);

// The host's key name under the maker's key; empty for appUnknown. The drawing family shares "Velmora".
std::string_view StoreFolder(TreviskApp app);
// The word of the host's name that IdentifyAppName looks for; empty for appUnknown.
std::string_view ProductWord(TreviskApp app);

inline constexpr char kExtensionName[] = "Ulnara19.Extension";
inline constexpr REGSAM kConfigReadAccess = 0x20019;   // KEY_READ
inline constexpr REGSAM kPreferencesAccess = 0x2001F;  // KEY_READ | KEY_WRITE

// "SOFTWARE\Quennardix\<store folder>\19.0\Extensions\<extension name>", relative to a hive; empty for
// appUnknown, which has no store folder.
std::string ExtensionKeyPath(TreviskApp app, std::string_view extensionName = kExtensionName);

// Opens a configuration key (the extension key or an item path) for reading under HKEY_CURRENT_USER, and
// only if that fails under HKEY_LOCAL_MACHINE: the whole key comes from one hive. When neither opens, the
// result is not open and carries the machine hive's status.
basic_RegistryKey OpenConfigurationKey(const std::string& path);

// The add-in's own key under HKEY_CURRENT_USER, opened for reading and writing, created when missing.
basic_RegistryKey OpenPreferencesKey();
std::string ReadProxyURL();                   // empty when absent
LONG WriteProxyURL(const std::string& url);   // the registry's result

// When the item key has a string value "Error<status>", appends " (<status>)" and its text to the message,
// each "#" in the text becoming a line break; otherwise leaves the message as it is.
void AddErrorString(const basic_RegistryKey& itemKey, int status, std::string& message);
