// Tokenizer over any text with every combination of option flags, delimiter characters or strings, nesting
// and trim characters: it must end, keep its cursor inside the text, keep nested groups inside their token,
// report only its one error, and tokenize again the same way once rewound.
#include "mx/tokenizer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

unsigned Flags(std::uint8_t bits)
{
    constexpr unsigned options[] = {1, 2, 4, 8, 32, 64};
    unsigned flags = 0;
    for (unsigned i = 0; i < 6; ++i)
        if (bits & (1u << i))
            flags |= options[i];
    return flags;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const unsigned flags = Flags(input.ConsumeIntegral<std::uint8_t>());
    const int delimiterMode = input.ConsumeIntegralInRange(0, 3);
    const std::string delimiters = input.ConsumeRandomLengthString(6);
    std::vector<std::string> strings;
    for (int i = input.ConsumeIntegralInRange(0, 4); i > 0; --i)
        strings.push_back(input.ConsumeRandomLengthString(4));
    const bool customNesting = input.ConsumeBool();
    const std::string nesting = input.ConsumeRandomLengthString(8);
    const bool customTrim = input.ConsumeBool();
    const std::string trim = input.ConsumeRandomLengthString(3);
    const std::string text = input.ConsumeRemainingBytesAsString();

    std::vector<const char*> stringPointers;
    for (const std::string& s : strings)
        stringPointers.push_back(s.c_str());
    stringPointers.push_back(nullptr); // a null entry is tolerated too

    mx::mxTokenizer tokenizer(text, delimiterMode == 0 ? nullptr : delimiters.c_str(), flags);
    if (delimiterMode == 2)
        tokenizer.SetDelimiters(static_cast<int>(stringPointers.size()), stringPointers.data());
    else if (delimiterMode == 3)
        tokenizer.SetDelimiters("");
    if (customNesting)
        tokenizer.SetNestingCharacters(nesting.c_str());
    if (customTrim)
        tokenizer.SetTrimCharacters(trim.c_str());

    const int length = static_cast<int>(std::string(text.c_str()).size());
    // What one pass produced, to compare with the pass after rewinding.
    struct Step {
        std::string token;
        char delimiter;
        char encloser;
        int start;
        int rawStart;
        mx::mxTokenizer::NestLocations locations;
        bool operator==(const Step&) const = default;
    };
    std::vector<Step> firstPass;
    std::string firstError;
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<Step> steps;
        std::string token;
        char delimiter = '?';
        char encloser = '?';
        int tokens = 0;
        int cursor = tokenizer.GetCursor();
        while (tokenizer.Next(token, &delimiter, &encloser)) {
            // Every token but one consumes at least a character.
            Require(++tokens <= length + 1);
            Require(tokenizer.GetCursor() >= cursor && tokenizer.GetCursor() <= length);
            Require(tokenizer.StartOfCurrentToken(true) <= tokenizer.StartOfCurrentToken(false));
            // Nested groups lie inside the token they were found in.
            const auto& locations = tokenizer.GetNestCharacterLocations();
            for (const auto& [start, end] : locations)
                Require(0 <= start && start < end && end <= static_cast<int>(token.size()));
            steps.push_back({token, delimiter, encloser, tokenizer.StartOfCurrentToken(false),
                             tokenizer.StartOfCurrentToken(true), locations});
            cursor = tokenizer.GetCursor();
        }
        const std::string& error = tokenizer.GetError();
        Require(error.empty() || (error.rfind("Unmatched ", 0) == 0 && !(flags & 64)));
        // Rewound to the start, a tokenizer produces exactly what it produced the first time.
        if (pass == 0) {
            firstPass = std::move(steps);
            firstError = error;
        } else {
            Require(steps == firstPass && error == firstError);
        }
        // A copy rewound to the start tokenizes again the same way.
        mx::mxTokenizer copy(tokenizer);
        copy.SetCursor(0);
        tokenizer = copy;
        (void)tokenizer.GetResidue();
        tokenizer.SetCursor(0);
    }
    return 0;
}
