// .reg text reader: any bytes give operations or an error with a line inside the text, read as they are and
// as the text of a file (UTF-16 converted).
#include "regtext.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string fileText = regtext::TextOfFile(bytes);
    for (std::string_view text : {bytes, std::string_view(fileText)}) {
        regtext::ParseError error;
        auto ops = regtext::Parse(text, &error);
        if (!ops && (error.line < 0 || error.message.empty()))
            std::abort();
    }
    return 0;
}
