// The downloader's handling of URLs, header text and response bytes from servers: any bytes split as a POST
// URL, cleared of framing headers, tested as an error page, and turned into a file name; a name judged safe
// never leaves its folder.
#include "netfile/DownloadText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string host, path, query;
    if (netfile::SplitPostUrl(text, host, path, query))
        if (host.size() < 2 || path.size() < 2 || path[0] != '/' || "http://" + host + path + "?" + query != text)
            std::abort();
    netfile::IsErrorPage(text);
    const std::string headers = netfile::WithoutFramingHeaders(text);
    if (headers.size() > text.size() || netfile::WithoutFramingHeaders(headers) != headers)
        std::abort();
    const std::string name = netfile::ResponseFileName(netfile::UrlObject(text));
    if (netfile::IsSafeFileName(name) &&
        (name.find_first_of("/\\:") != std::string::npos || name == "." || name == ".." || name.empty()))
        std::abort();
    netfile::DownloadProgress progress;
    for (std::size_t i = 0; i < size; ++i)
        progress.Add(data[i] * 4099u);
    if (progress.Percent() > 99)
        std::abort();
    return 0;
}
