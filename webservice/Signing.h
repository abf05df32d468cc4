// Computed request headers: the HMAC-SHA256 signature over chosen header values and the body, and the fresh
// UUID of each request.
#pragma once

#include "webservice/HeaderMap.h"

#include <string>

// The Base64 text (44 characters, no line break) of the signature that a recipe such as
// "sign(X-Request-Id|Request_Body)key" asks for, over the body and the headers defined so far.
std::string GenerateSignature(const std::string& recipe, const std::string& body, const HeaderMap& headers);

// HMAC-SHA256 of the message, up to its first zero byte, under the key's bytes: 32 raw bytes.
std::string Sign(const std::string& message, const std::string& key);

// A new GUID as 36 upper-case hexadecimal characters in 8-4-4-4-12 groups, without braces; empty when the
// system cannot make one.
std::string GenerateUUID();
