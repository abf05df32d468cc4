#include "signature.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace standin {

std::string SignedMessage(const RecordedRequest& request, std::string_view fields)
{
    std::string message;
    while (true) {
        std::size_t bar = fields.find('|');
        std::string_view field = TrimBlanks(fields.substr(0, bar));
        if (field == kBodyField) {
            message += request.body;
        } else {
            auto values = request.HeaderValues(field);
            if (!values.empty())
                message += values.front();
        }
        if (bar == std::string_view::npos)
            return message;
        fields.remove_prefix(bar + 1);
    }
}

std::string SignatureOf(std::string_view key, std::string_view message)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(message.data()),
         message.size(), digest, &digestLength);
    std::string text(4 * ((digestLength + 2) / 3) + 1, '\0'); // the encoder ends with a zero byte
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), digest, static_cast<int>(digestLength));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

} // namespace standin
