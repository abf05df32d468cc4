// Server-side check of a request signature: HMAC-SHA256 over the concatenated fields, in standard Base64.
#pragma once

#include "protocol.h"

#include <string>
#include <string_view>

namespace standin {

// The message a field list stands for: per "|"-separated field (blanks trimmed), the body for
// "Request_Body", else the first value of the header of that name (none: nothing), without separators.
std::string SignedMessage(const RecordedRequest& request, std::string_view fields);
// Base64 of HMAC-SHA256(key, message): 44 characters.
std::string SignatureOf(std::string_view key, std::string_view message);

} // namespace standin
