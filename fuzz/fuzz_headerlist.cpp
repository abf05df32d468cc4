// Header lists and answer header texts: any bytes give headers (each dynamic value replaced by what the
// source returns), a URL-encoding decision and a declared length or nothing, without faults.
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
    return 0;
}
