// The configuration check of UlnaraHeaders: any .reg text that parses gives findings with lines inside the
// text, whatever its keys, names, types and data.
#include "config_check.h"
#include "regtext.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = regtext::TextOfFile(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto operations = regtext::Parse(text);
    if (!operations)
        return 0;
    config_check::CheckEnvironment environment;
    environment.toCodePage = [](std::string_view utf8) {
        return config_check::CodePageText{utf8.size(), utf8.find('\x7F') == std::string_view::npos};
    };
    environment.inspectHeaderList = [](std::string_view stored) -> std::vector<std::string> {
        if (stored.size() % 4 != 0)
            return {"ignored: cannot be deciphered"};
        return {};
    };
    environment.hosts = {{"Velmora", "Velmora"}, {"Tessivo", "Velmora"}, {"Korvane", "Korvane"}};
    const config_check::Report report = config_check::Check(*operations, environment);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const auto& finding : report.findings)
        if (finding.line < 1 || finding.line > lines || finding.message.empty())
            std::abort();
    return 0;
}
