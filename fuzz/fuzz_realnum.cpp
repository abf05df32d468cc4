// mxRealNum from arbitrary text, printed back: measuring, reading and formatting must stay within the
// text and never crash, whatever the digits, signs, points and exponents.
#include "mx/realnum.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const mxRealNum number(text);
    const std::string printed = number.String();
    if (!number.IsDefined() && !printed.empty())
        std::abort();
    // What was printed reads back as a number (formatting never produces an unreadable text).
    if (number.IsDefined() && !mxRealNum(printed).IsDefined() && printed != "inf" && printed != "-inf")
        std::abort();
    for (int figures : {1, 3, 7})
        (void)mxRealNum::DblToStr(number.Val(), figures);
    return 0;
}
