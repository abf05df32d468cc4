#include "addin/ConfigStore.h"

#include "host/wrappers.h"

#include <algorithm>
#include <iterator>

namespace {

struct HostEntry {
    std::string_view productWord;  // searched for in the host's name, in table order
    TreviskApp app;
    std::string_view storeFolder;
};

constexpr HostEntry kHosts[] = {
    {"Velmora", appVelmora, "Velmora"}, {"Tessivo", appTessivo, "Velmora"}, {"Brannic", appBrannic, "Velmora"},
    {"Korvane", appKorvane, "Korvane"}, {"Sylvane", appSylvane, "Sylvane"}, {"Pellane", appPellane, "Pellane"},
    {"Ravelle", appRavelle, "Ravelle"},
};

const HostEntry* EntryOf(TreviskApp app)
{
    auto found = std::find_if(std::begin(kHosts), std::end(kHosts), [app](const HostEntry& h) { return h.app == app; });
    return found == std::end(kHosts) ? nullptr : found;
}

constexpr char kPreferencesKeyPath[] = "Software\\Quennardix\\Ulnara\\19.0";
constexpr char kProxyURLValue[] = "ProxyURL";

} // namespace

TreviskApp IdentifyAppName(const std::string& name)
{
    for (const auto& host : kHosts)
        if (name.find(host.productWord) != std::string::npos)
            return host.app;
    return appUnknown;
}

TreviskApp IdentifyApp(Application& application)
{
    return IdentifyAppName(application.Name());
}

std::string_view StoreFolder(TreviskApp app)
{
    const HostEntry* entry = EntryOf(app);
    return entry ? entry->storeFolder : std::string_view{};
}

std::string_view ProductWord(TreviskApp app)
{
    const HostEntry* entry = EntryOf(app);
    return entry ? entry->productWord : std::string_view{};
}

std::string ExtensionKeyPath(TreviskApp app, std::string_view extensionName)
{
    std::string_view folder = StoreFolder(app);
    if (folder.empty())
        return {};
    return "SOFTWARE\\Quennardix\\" + std::string(folder) + "\\19.0\\Extensions\\" + std::string(extensionName);
}

basic_RegistryKey OpenConfigurationKey(const std::string& path)
{
    basic_RegistryKey userKey(HKEY_CURRENT_USER, path, kConfigReadAccess);
    if (userKey.IsOpen())
        return userKey;
    return basic_RegistryKey(HKEY_LOCAL_MACHINE, path, kConfigReadAccess);
}

basic_RegistryKey OpenPreferencesKey()
{
    return basic_RegistryKey(HKEY_CURRENT_USER, kPreferencesKeyPath, kPreferencesAccess, true);
}

std::string ReadProxyURL()
{
    return OpenPreferencesKey().QueryString(kProxyURLValue).value_or("");
}

LONG WriteProxyURL(const std::string& url)
{
    return OpenPreferencesKey().SetValue(kProxyURLValue, url);
}

void AddErrorString(const basic_RegistryKey& itemKey, int status, std::string& message)
{
    std::string code = std::to_string(status);
    auto text = itemKey.QueryString("Error" + code);
    if (!text)
        return;
    std::replace(text->begin(), text->end(), '#', '\n');
    message += " (" + code + ")" + *text;
}
