#include "netfile/DownloadDialogModel.h"

#include <array>
#include <utility>

namespace netfile {

StateControls ControlsOf(DialogState state)
{
    switch (state) {
    case DialogState::Ready:
        return {true, "Exit"};
    case DialogState::Initialising:
    case DialogState::InitFailed:
    case DialogState::Fetching:
        break;
    }
    return {false, "Cancel"};
}

bool ExitCancelEndsDialog(DialogState state, bool initJobPending)
{
    switch (state) {
    case DialogState::Ready:
    case DialogState::InitFailed:
        return true;
    case DialogState::Initialising:
        return initJobPending;
    case DialogState::Fetching:
        break;
    }
    return false;
}

std::optional<std::string_view> DownloadStatusText(int code)
{
    static constexpr std::array<std::pair<int, std::string_view>, 9> texts{{
        {1, "Wrong input"},
        {2, "URL parsing error"},
        {3, "Wrong Link"},
        {4, "User canceled"},
        {5, "Error on server"},
        {6, "Error on file"},
        {21, "Connecting ..."},
        {22, "Request data ..."},
        {23, "Receiving data ..."},
    }};
    for (const auto& [known, text] : texts)
        if (known == code)
            return text;
    return std::nullopt;
}

std::string SpeedText(long kilobytesPerSecond)
{
    return std::to_string(kilobytesPerSecond) + " kb/sec";
}

std::string AmountText(long kilobytes)
{
    return "downloaded: " + std::to_string(kilobytes) + " kb";
}

std::string PercentText(long percent)
{
    return std::to_string(percent) + "%";
}

std::string SaveToText(std::string_view fileName)
{
    return "Save to \"" + std::string(fileName) + "\"";
}

std::uint32_t KilobyteCounter::Update(std::uint16_t reported)
{
    // Unsigned 16-bit difference: how far the count moved since the last notice, across a wrap.
    m_kilobytes += static_cast<std::uint16_t>(reported - static_cast<std::uint16_t>(m_kilobytes));
    return m_kilobytes;
}

bool ParseListValues(std::string_view label, std::string& name, std::vector<std::string>& values)
{
    const std::size_t open = label.find('{');
    if (open == std::string_view::npos || label.empty() || label.back() != '}')
        return false;
    name.assign(label.substr(0, open));
    values.clear();
    std::string_view choices = label.substr(open + 1, label.size() - open - 2);
    for (;;) {
        const std::size_t comma = choices.find(',');
        values.emplace_back(choices.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        choices.remove_prefix(comma + 1);
    }
    return true;
}

std::string TrimInputValue(std::string_view value)
{
    constexpr std::string_view blanks = " \t\r\n\v\f";
    const std::size_t first = value.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = value.find_last_not_of(blanks);
    return std::string(value.substr(first, last - first + 1));
}

std::size_t LastSeparator(std::string_view path)
{
    const std::size_t separator = path.rfind('\\');
    return separator == 0 ? std::string_view::npos : separator;
}

std::string FileNameOf(std::string_view path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string_view::npos ? std::string() : std::string(path.substr(separator + 1));
}

std::string FolderOf(std::string_view path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string_view::npos ? std::string() : std::string(path.substr(0, separator));
}

std::string FailedSavePath(std::string_view savePath, bool isExistingFolder)
{
    const std::size_t separator = LastSeparator(savePath);
    if (isExistingFolder || separator == std::string_view::npos)
        return std::string(savePath);
    return std::string(savePath.substr(0, separator + 1));
}

std::string SaveAsInitialName(std::string_view savePath, bool isExistingFolder, std::string_view defaultExtension)
{
    std::string name(savePath);
    if (isExistingFolder)
        name = WithTrailingSeparator(std::move(name)) + "*." + std::string(defaultExtension);
    return name;
}

std::string WithTrailingSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return folder;
}

} // namespace netfile
