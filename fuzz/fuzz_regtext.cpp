// .reg text reader: any bytes give operations or an error with a line inside the text.
#include "regtext.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    regtext::ParseError error;
    auto ops = regtext::Parse(text, &error);
    if (!ops && (error.line < 0 || error.message.empty()))
        std::abort();
    return 0;
}
