// Version text: any text reads as a version or throws the one invalid-argument error; what is read prints
// back to text that reads as the same version.
#include "mx/version.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const mxVersion version(text);
        const mxVersion again(version.ToString());
        if (again != version || version < again || again < version)
            std::abort();
    } catch (const std::invalid_argument& error) {
        if (std::string(error.what()) != "mxVersion: Invalid version string")
            std::abort();
    }
    return 0;
}
