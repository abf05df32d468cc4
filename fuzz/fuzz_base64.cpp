// Base64: the decoder over any text (scrambled text allowed or not) stays inside its buffers, and every
// encoding, with any line length and with or without scrambling, decodes back to its bytes.
#include "mx/base64.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::string Decode(const std::string& text, bool& ok)
{
    char* output = nullptr;
    const long long length = mxBase64Decode_Ext(text.data(), static_cast<int>(text.size()), &output);
    ok = output != nullptr;
    Require(length >= 0 && length <= static_cast<long long>(text.size() / 4 * 3 + 2));
    Require(ok || length == 0);
    std::string bytes = ok ? std::string(output, static_cast<std::size_t>(length)) : std::string();
    Require(!ok || output[length] == '\0');
    mxBase64FreeOutput(output);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool allowScrambled = input.ConsumeBool();
    const bool scramble = input.ConsumeBool();
    const unsigned lineLength = input.ConsumeIntegral<std::uint8_t>() % 80;
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    mxBase64AllowScrambled(allowScrambled);
    bool ok = false;
    Decode(bytes, ok);

    char* encoded = nullptr;
    const long long length =
        mxBase64Encode_Ext(bytes.data(), static_cast<int>(bytes.size()), &encoded, scramble, lineLength);
    Require(encoded && length == static_cast<long long>(std::strlen(encoded)));
    const std::string text(encoded, static_cast<std::size_t>(length));
    mxBase64FreeOutput(encoded);

    mxBase64AllowScrambled(true);
    Require(Decode(text, ok) == bytes && ok);
    return 0;
}
