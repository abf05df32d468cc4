// Owners for the handles of the platform's cryptography services (CNG). BCryptCloseAlgorithmProvider takes a
// flags argument, so it gets a one-argument adaptor to fit fw::unique_handle.
#pragma once

#include "framework/handle.h"

#include <bcrypt.h>

namespace fw {

inline void CloseAlgorithmProvider(BCRYPT_ALG_HANDLE algorithm) noexcept
{
    BCryptCloseAlgorithmProvider(algorithm, 0);
}

using unique_bcrypt_algorithm = unique_handle<BCRYPT_ALG_HANDLE, &CloseAlgorithmProvider>;
using unique_bcrypt_key = unique_handle<BCRYPT_KEY_HANDLE, &BCryptDestroyKey>;
using unique_bcrypt_hash = unique_handle<BCRYPT_HASH_HANDLE, &BCryptDestroyHash>;

} // namespace fw
