// Tokenizing a 1 MiB header list (name:'value';... as the add-in's stored header lists read) with the
// delimiters ";:" and no option flags, against a plain split at the same characters that knows no quotes and
// trims nothing: the price of quoting, trimming and unwrapping.
#include "peer_ratio.h"

#include "mx/tokenizer.h"

#include <string>
#include <string_view>

namespace {

const std::string& HeaderList()
{
    static const std::string text = [] {
        std::string list;
        for (int i = 0; list.size() < (1 << 20); ++i)
            list += "X-Header-" + std::to_string(i) + ": 'value " + std::to_string(i * 7919) +
                    "; more text' ; Accept : text/plain ;";
        return list;
    }();
    return text;
}

void TokenizeHeaderList(benchmark::State& state)
{
    const std::string& text = HeaderList();
    for (auto _ : state) {
        mx::mxTokenizer tokenizer(text, ";:", 0);
        std::string token;
        int count = 0;
        while (tokenizer.Next(token))
            ++count;
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}

void PlainSplit(benchmark::State& state)
{
    const std::string& text = HeaderList();
    for (auto _ : state) {
        std::string_view rest(text);
        std::string token;
        int count = 0;
        for (;;) {
            const std::size_t end = rest.find_first_of(";:");
            token.assign(rest.substr(0, end));
            ++count;
            if (end == std::string_view::npos)
                break;
            rest.remove_prefix(end + 1);
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}

} // namespace

BENCHMARK(TokenizeHeaderList);
BENCHMARK(PlainSplit);

int main(int argc, char** argv)
{
    return bench::RunWithRatios(argc, argv, {{"TokenizeHeaderList", "PlainSplit"}});
}
