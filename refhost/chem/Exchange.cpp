#include "refhost/chem/Exchange.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace refhost::chem {
namespace {

constexpr std::string_view kMagic{"VLX\0", 4};
constexpr std::uint16_t kVersion = 1;
constexpr std::size_t kHeaderSize = 10;

void AppendLittleEndian(std::string& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xff);
}

std::uint32_t ReadLittleEndian(std::string_view bytes, std::size_t offset, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

std::optional<ChemDocument> Refuse(ReadError* error, std::string message)
{
    if (error)
        *error = {0, std::move(message)};
    return std::nullopt;
}

} // namespace

std::string EncodeExchange(std::string_view text)
{
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("an exchange body holds at most 4 GiB");
    std::string bytes(kMagic);
    AppendLittleEndian(bytes, kVersion, 2);
    AppendLittleEndian(bytes, static_cast<std::uint32_t>(text.size()), 4);
    bytes += text;
    return bytes;
}

std::optional<ChemDocument> ReadExchange(std::string_view bytes, ReadError* error)
{
    if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic)
        return Refuse(error, "not exchange-format data: it must start with VLX and a zero byte");
    if (const auto version = ReadLittleEndian(bytes, 4, 2); version != kVersion)
        return Refuse(error, "exchange-format version " + std::to_string(version) + " is not supported");
    if (ReadLittleEndian(bytes, 6, 4) != bytes.size() - kHeaderSize)
        return Refuse(error, "the exchange-format body is not as long as its header says");
    return ReadChemDocument(bytes.substr(kHeaderSize), error);
}

} // namespace refhost::chem
