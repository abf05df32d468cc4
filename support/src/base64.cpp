#include "mx/base64.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace {

using Alphabet = std::array<char, 64>;

constexpr Alphabet standardAlphabet = [] {
    constexpr std::string_view characters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    Alphabet alphabet{};
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        alphabet[i] = characters[i];
    return alphabet;
}();

// How many characters of a text are checked for being Base64 before decoding starts.
constexpr std::size_t checkedPrefixLength = 256;

std::atomic<bool> scrambledTextAllowed{false};

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The scrambled variant's permutation, driven by the three digits after "#" in the order they were written.
// Each index stays below 64 because the digits are decimal ('0'..'9' plus at most 3 is below 64).
void Permute(Alphabet& alphabet, const char* digits)
{
    for (int k = 1; k <= 3; ++k) {
        const int c = static_cast<unsigned char>(digits[k - 1]);
        int i = c + k;
        int j = k;
        for (int round = 0; round < 20; ++round) {
            std::swap(alphabet[i], alphabet[j]);
            j = (i + k) % 64;
            i = (c + i + k) % 64;
            if (i == k)
                break;
        }
    }
}

// Two characters for each 12-bit value (in memory order), so three bytes become two table reads and a
// group of four characters is written as two 16-bit stores.
using PairTable = std::array<std::uint16_t, 4096>;

PairTable MakePairTable(const Alphabet& alphabet)
{
    PairTable table{};
    for (std::size_t value = 0; value < table.size(); ++value) {
        const char pair[2] = {alphabet[value >> 6], alphabet[value & 63]};
        std::memcpy(&table[value], pair, 2);
    }
    return table;
}

void StorePair(char* out, std::uint16_t pair)
{
    std::memcpy(out, &pair, 2);
}

// Encodes whole groups; in has at least groups * 3 readable bytes, end is where the readable bytes end.
char* EncodeGroups(const unsigned char* in, const unsigned char* end, std::size_t groups, char* out,
                   const PairTable& pairs)
{
    // Two groups at a time through one 8-byte read while 8 bytes remain (the last 2 are not used).
    for (; groups >= 2 && end - in >= 8; groups -= 2, in += 6, out += 8) {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = bits << 8 | in[i];
        StorePair(out, pairs[bits >> 52 & 0xFFF]);
        StorePair(out + 2, pairs[bits >> 40 & 0xFFF]);
        StorePair(out + 4, pairs[bits >> 28 & 0xFFF]);
        StorePair(out + 6, pairs[bits >> 16 & 0xFFF]);
    }
    for (; groups > 0; --groups, in += 3, out += 4) {
        const unsigned bits = unsigned(in[0]) << 16 | unsigned(in[1]) << 8 | in[2];
        StorePair(out, pairs[bits >> 12]);
        StorePair(out + 2, pairs[bits & 0xFFF]);
    }
    return out;
}

} // namespace

long long mxBase64Encode_Ext(const char* data, int length, char** output, bool scramble, unsigned lineLength)
{
    if (!output)
        return 0;
    if (!data || length < 0)
        length = 0;
    const long long lineWidth = lineLength & 0xFFFC;
    long long size = 4LL * (length / 3 + (length % 3 ? 1 : 0) + (scramble ? 1 : 0));
    if (lineWidth > 0)
        size += 2 * ((size + lineWidth - 1) / lineWidth);
    char* const buffer = new char[size + 1];
    char* out = buffer;

    long long column = 0;
    auto endLineWhenFull = [&] {
        if (lineWidth > 0 && column >= lineWidth) {
            *out++ = '\r';
            *out++ = '\n';
            column = 0;
        }
    };

    static const PairTable standardPairs = MakePairTable(standardAlphabet);
    PairTable scrambledPairs;
    const PairTable* pairs = &standardPairs;
    Alphabet alphabet = standardAlphabet;
    if (scramble) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        int number;
        do
            number = std::rand() % 1000;
        while (number < 101);
        const char digits[3] = {char('0' + number % 10), char('0' + number / 10 % 10), char('0' + number / 100)};
        *out++ = '#';
        for (char digit : digits)
            *out++ = digit;
        Permute(alphabet, digits);
        scrambledPairs = MakePairTable(alphabet);
        pairs = &scrambledPairs;
        column = 4;
        // With lines of 4 the prefix fills the first line; the size above counts it as a line of its own.
        endLineWhenFull();
    }

    // Whole groups, a line (or what is left of it) at a time.
    const auto* in = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = in + length;
    long long groups = length / 3;
    while (groups > 0) {
        const long long room = lineWidth > 0 ? (lineWidth - column) / 4 : groups;
        const long long count = room < groups ? room : groups;
        out = EncodeGroups(in, end, static_cast<std::size_t>(count), out, *pairs);
        in += 3 * count;
        groups -= count;
        column += 4 * count;
        endLineWhenFull();
    }

    const int rest = length % 3;
    if (rest > 0) {
        const unsigned value = unsigned(in[0]) << 16 | (rest == 2 ? unsigned(in[1]) << 8 : 0);
        *out++ = alphabet[value >> 18];
        *out++ = alphabet[value >> 12 & 63];
        *out++ = rest == 2 ? alphabet[value >> 6 & 63] : '=';
        *out++ = '=';
        column += 4;
    }
    if (lineWidth > 0 && column != 0) {
        *out++ = '\r';
        *out++ = '\n';
    }
    *out = '\0';
    *output = buffer;
    return out - buffer;
}

void mxBase64FreeOutput(char* output)
{
    delete[] output;
}

void mxBase64AllowScrambled(bool allow)
{
    scrambledTextAllowed = allow;
}

long long mxBase64Decode_Ext(const char* text, int length, char** output)
{
    if (!output)
        return 0;
    *output = nullptr;
    if (!text || length < 0)
        length = 0;
    std::string_view in(text, static_cast<std::size_t>(length));

    Alphabet alphabet = standardAlphabet;
    if (in.size() >= 4 && in[0] == '#' && IsDecimalDigit(in[1]) && IsDecimalDigit(in[2]) && IsDecimalDigit(in[3])) {
        if (!scrambledTextAllowed)
            return 0;
        Permute(alphabet, in.data() + 1);
        in.remove_prefix(4);
    }
    for (char c : in.substr(0, checkedPrefixLength)) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDecimalDigit(c) || c == '+' ||
                             c == '/' || c == '=' || c == ' ' || (c >= '\t' && c <= '\r');
        if (!allowed)
            return 0;
    }

    std::array<signed char, 256> values;
    values.fill(-1);
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);

    // At most three bytes for every four characters, plus a trailing group and the NUL.
    char* const buffer = new char[in.size() / 4 * 3 + 3];
    char* out = buffer;
    unsigned accumulated = 0;
    int characters = 0;
    for (char c : in) {
        const int value = values[static_cast<unsigned char>(c)];
        if (value < 0)
            continue;
        accumulated = accumulated << 6 | unsigned(value);
        if (++characters == 4) {
            *out++ = char(accumulated >> 16);
            *out++ = char(accumulated >> 8);
            *out++ = char(accumulated);
            accumulated = 0;
            characters = 0;
        }
    }
    if (characters >= 2) {
        accumulated <<= 6 * (4 - characters);
        *out++ = char(accumulated >> 16);
        if (characters == 3)
            *out++ = char(accumulated >> 8);
    }
    *out = '\0';
    *output = buffer;
    return out - buffer;
}

mxBinaryToBase64::mxBinaryToBase64(const std::string& data, bool scramble, int lineLength)
{
    if (data.size() > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("mxBinaryToBase64: data too long");
    m_length = mxBase64Encode_Ext(data.data(), static_cast<int>(data.size()), &m_output, scramble,
                                  static_cast<unsigned>(lineLength));
}

mxBinaryToBase64::~mxBinaryToBase64()
{
    mxBase64FreeOutput(m_output);
}

mxBinaryToBase64::operator std::string() const
{
    return m_output ? std::string(m_output, static_cast<std::size_t>(m_length)) : std::string();
}
