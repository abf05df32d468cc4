// The stand-in host's binary exchange format: what its data object hands out for the interchange
// clipboard format and takes back. Bytes 0 to 3 are "VLX" and a zero byte, 4 and 5 the format version
// (1, little-endian), 6 to 9 the length of the body (little-endian), then the body: the structure as
// molfile, RXN or RD file text (Molfile.h). The header's zero bytes catch a caller that cuts the data at
// the first zero as C text does.
#pragma once

#include "refhost/chem/Molfile.h"

#include <optional>
#include <string>
#include <string_view>

namespace refhost::chem {

std::string EncodeExchange(std::string_view text);

// Errors in the header name line 0; errors in the body name the body's line.
std::optional<ChemDocument> ReadExchange(std::string_view bytes, ReadError* error = nullptr);

} // namespace refhost::chem
