// Input labels the download server sends and the save paths the dialog derives: any bytes parse or are
// refused without faults, a parsed choice list rebuilds the label, and the path pieces stay inside the path.
#include "netfile/DownloadDialogModel.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string name;
    std::vector<std::string> values;
    if (netfile::ParseListValues(text, name, values)) {
        std::string rebuilt = name + "{";
        for (std::size_t index = 0; index < values.size(); ++index)
            rebuilt += (index == 0 ? "" : ",") + values[index];
        if (rebuilt + "}" != text || values.empty())
            std::abort();
    }
    const std::string folder = netfile::FolderOf(text);
    const std::string file = netfile::FileNameOf(text);
    if (!folder.empty() && folder + "\\" + file != text)
        std::abort();
    if (netfile::FailedSavePath(text, false).size() > text.size())
        std::abort();
    if (netfile::TrimInputValue(text).size() > text.size())
        std::abort();
    netfile::SaveAsInitialName(text, true, text);
    return 0;
}
