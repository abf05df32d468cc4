#include "webservice/Signing.h"

#include "framework/handle.h"
#include "framework/text.h"
#include "mx/base64.h"
#include "webservice/Crypto.h"
#include "webservice/SigningText.h"

std::string GenerateSignature(const std::string& recipe, const std::string& body, const HeaderMap& headers)
{
    auto parsed = signing::ParseSignatureRecipe(recipe);
    std::string raw = Sign(signing::SignatureMessage(parsed, body, headers), parsed.key);
    // The encoder ends every line with CR LF; the header value is the bare 44 characters.
    std::string text = mxBinaryToBase64(raw, false, 72);
    text.erase(text.find_last_not_of(" \t\r\n") + 1);
    return text;
}

std::string Sign(const std::string& message, const std::string& key)
{
    auto signedPart = std::string_view(message).substr(0, message.find('\0'));
    auto mac = crypto::HmacSha256(crypto::AsBytes(key), crypto::AsBytes(signedPart));
    return std::string(mac.begin(), mac.end());
}

std::string GenerateUUID()
{
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid)))
        return {};
    fw::unique_cotaskmem_string braced;
    if (FAILED(StringFromCLSID(guid, braced.put())))
        return {};
    std::string text = fw::Narrow(braced.get());
    text.erase(0, text.find_first_not_of('{'));
    text.erase(text.find_last_not_of('}') + 1);
    return text;
}
