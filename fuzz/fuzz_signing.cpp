// Signature recipes and deciphered header-list bytes: any input is read without fault, and the
// checks keep their promises (what passes the padding and UTF-16 checks encodes back to the same bytes).
#include "webservice/SigningText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);

    auto recipe = signing::ParseSignatureRecipe(signing::StripDynamicBrackets(text));
    HeaderMap headers;
    for (const auto& field : recipe.fields)
        headers[field] = field;
    auto message = signing::SignatureMessage(recipe, text, headers);
    if (recipe.fields.empty() && !message.empty())
        std::abort();
    if (recipe.key.size() > size)
        std::abort();

    (void)signing::IsBase64Text(text);

    std::vector<std::uint8_t> bytes(data, data + size);
    auto unpadded = bytes;
    if (signing::RemovePkcs7Padding(unpadded, 16)) {
        auto padded = unpadded;
        signing::AddPkcs7Padding(padded, 16);
        if (padded != bytes)
            std::abort();
    }
    if (auto decoded = signing::DecodeUtf16Le(bytes); decoded && signing::EncodeUtf16Le(*decoded) != bytes)
        std::abort();
    return 0;
}
