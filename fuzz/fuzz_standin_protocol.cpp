// The stand-in services' text forms: any bytes give requests, answers, request heads or nothing, and
// recorded requests read back are written again to the same text.
#include "protocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto requests = standin::ParseRecordedRequests(text))
        if (standin::FormatRecordedRequests(*requests) != text)
            std::abort();
    if (auto reply = standin::ParseHttpReply(text))
        if (reply->body.size() > size || reply->status > 999)
            std::abort();
    if (auto head = standin::ParseRequestHead(text))
        if (head->method.empty() || head->target.empty() || head->headers.size() > size)
            std::abort();
    return 0;
}
