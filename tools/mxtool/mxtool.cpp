// mxtool: tokenizes a text, encodes or decodes Base64 and compares version numbers with the support library.
//
//   mxtool tokenize [--delimiters CHARS] [--flags N] [--nesting PAIRS] TEXT
//   mxtool base64 [--line-length N] [--scramble] TEXT
//   mxtool unbase64 [--allow-scrambled] TEXT
//   mxtool version A B
//
// TEXT "-" reads standard input. Exit code 0 on success, 1 for a usage error, 2 when the input is refused.
#include "mx/base64.h"
#include "mx/tokenizer.h"
#include "mx/version.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int usageError = 1;
constexpr int inputRefused = 2;

struct Arguments {
    std::map<std::string, std::string> options; // --name value, or --name "" for a switch
    std::vector<std::string> operands;
};

// Options that take a value; every other --name is a switch.
bool TakesValue(const std::string& name)
{
    return name == "--delimiters" || name == "--flags" || name == "--nesting" || name == "--line-length";
}

Arguments Parse(int argc, char** argv)
{
    Arguments arguments;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--", 0) == 0 && argument.size() > 2) {
            arguments.options[argument] = TakesValue(argument) && i + 1 < argc ? argv[++i] : "";
        } else {
            arguments.operands.push_back(argument);
        }
    }
    return arguments;
}

std::string Input(const std::string& operand)
{
    if (operand != "-")
        return operand;
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

std::string Shown(char c)
{
    switch (c) {
    case '\0': return "end";
    case '\t': return "'\\t'";
    case '\r': return "'\\r'";
    case '\n': return "'\\n'";
    case '\'': return "\"'\"";
    default: return std::string("'") + c + "'";
    }
}

int Tokenize(const Arguments& arguments)
{
    if (arguments.operands.size() != 1)
        return usageError;
    const auto option = [&](const char* name) { return arguments.options.find(name); };
    const auto delimiters = option("--delimiters");
    const auto flags = option("--flags");
    mx::mxTokenizer tokenizer(Input(arguments.operands[0]),
                              delimiters == arguments.options.end() ? nullptr : delimiters->second.c_str(),
                              flags == arguments.options.end() ? 0 : unsigned(std::strtoul(flags->second.c_str(), nullptr, 0)));
    if (const auto nesting = option("--nesting"); nesting != arguments.options.end())
        tokenizer.SetNestingCharacters(nesting->second.c_str());
    std::string token;
    char delimiter = 0;
    char encloser = 0;
    for (int number = 1; tokenizer.Next(token, &delimiter, &encloser); ++number) {
        std::cout << number << " [" << token << "] ended by " << Shown(delimiter);
        if (encloser)
            std::cout << ", unwrapped from " << Shown(encloser);
        std::cout << '\n';
    }
    if (!tokenizer.GetError().empty()) {
        std::cout << "error: " << tokenizer.GetError() << '\n';
        return inputRefused;
    }
    return 0;
}

int Encode(const Arguments& arguments)
{
    if (arguments.operands.size() != 1)
        return usageError;
    const auto lineLength = arguments.options.find("--line-length");
    const int width = lineLength == arguments.options.end() ? 72 : std::atoi(lineLength->second.c_str());
    const std::string text = mxBinaryToBase64(Input(arguments.operands[0]), arguments.options.count("--scramble") > 0, width);
    std::cout << text;
    if (text.empty() || text.back() != '\n')
        std::cout << '\n';
    return 0;
}

int Decode(const Arguments& arguments)
{
    if (arguments.operands.size() != 1)
        return usageError;
    mxBase64AllowScrambled(arguments.options.count("--allow-scrambled") > 0);
    const std::string text = Input(arguments.operands[0]);
    char* output = nullptr;
    const long long length = mxBase64Decode_Ext(text.data(), int(text.size()), &output);
    if (!output) {
        std::cout << "error: not Base64 text (or scrambled text not allowed)\n";
        return inputRefused;
    }
    std::cout.write(output, length);
    mxBase64FreeOutput(output);
    return 0;
}

int CompareVersions(const Arguments& arguments)
{
    if (arguments.operands.size() != 2)
        return usageError;
    try {
        const mxVersion first(arguments.operands[0]);
        const mxVersion second(arguments.operands[1]);
        const char* relation = first < second ? "<" : second < first ? ">" : "==";
        std::cout << first.ToString() << ' ' << relation << ' ' << second.ToString() << '\n';
        return 0;
    } catch (const std::invalid_argument& error) {
        std::cout << "error: " << error.what() << '\n';
        return inputRefused;
    }
}

struct Command {
    const char* name;
    int (*run)(const Arguments&);
};

constexpr Command commands[] = {
    {"tokenize", Tokenize},
    {"base64", Encode},
    {"unbase64", Decode},
    {"version", CompareVersions},
};

} // namespace

int main(int argc, char** argv) noexcept
try {
#ifdef _WIN32
    // Encoded lines end in CR LF already; text mode would write CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc >= 2) {
        for (const Command& command : commands) {
            if (argv[1] == std::string(command.name)) {
                const int result = command.run(Parse(argc, argv));
                if (result != usageError)
                    return result;
                break;
            }
        }
    }
    std::cerr << "usage: mxtool tokenize [--delimiters CHARS] [--flags N] [--nesting PAIRS] TEXT\n"
                 "       mxtool base64 [--line-length N] [--scramble] TEXT\n"
                 "       mxtool unbase64 [--allow-scrambled] TEXT\n"
                 "       mxtool version A B\n"
                 "TEXT - reads standard input.\n";
    return usageError;
} catch (const std::exception& error) {
    std::cerr << "mxtool: " << error.what() << '\n';
    return EXIT_FAILURE;
} catch (...) {
    return EXIT_FAILURE;
}
