// Header lists and answer header texts: any bytes give headers (each dynamic value replaced by what the
// source returns), a URL-encoding decision, a declared length or nothing, and the tool's and the sender's
// checks, without faults.
#include "webservice/HeaderList.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto items = ParseHeaderList(text);
    const HeaderMap headers = BuildHeaderMap(text, [&](const std::string& value, const HeaderMap& earlier) {
        if (!IsDynamic(value) || earlier.size() > items.size())
            std::abort();
        ClassifyDynamicContent(value);
        return std::string("computed");
    });
    if (headers.size() > items.size())
        std::abort();
    if (ListRequiresURLEncoding(text) && !text.empty() && text.find(contentTypeHeaderName) == std::string::npos)
        std::abort();
    DeclaredBodyLength(text);
    // The tool's checks: a list that reads whole has no unclosed quote; any value can be judged; a header
    // reported unsafe names one whose text holds a line break or zero byte.
    const auto unclosed = UnclosedQuote(text);
    if (unclosed && unclosed->rfind("Unmatched ", 0) != 0)
        std::abort();
    for (const auto& item : items)
        LooksLikeMistypedDynamicValue(item.second);
    if (UnsafeHeaderName(headers) && text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos)
        std::abort();
    return 0;
}
