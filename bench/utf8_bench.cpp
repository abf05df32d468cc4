// UTF-8 to UTF-16 of 1 MiB of text, ASCII and mixed-script: UTF8String::GetUTF16String (which returns a new
// string each time) against glibc's iconv and ICU's u_strFromUTF8 (both writing into a buffer allocated once).
// After the runs it prints how many times faster UTF8String is than each peer (best time of each).
#include "mx/utf8string.h"

#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kTextBytes = 1 << 20;

// Whole repetitions of `sample`, padded with ASCII to exactly kTextBytes.
std::string Repeat(const std::string& sample)
{
    std::string text;
    while (text.size() + sample.size() <= kTextBytes)
        text += sample;
    text.resize(kTextBytes, ' ');
    return text;
}

const std::string& AsciiText()
{
    static const std::string text =
        Repeat("Benzene, C6H6, is a planar ring of six carbon atoms with delocalised pi electrons. ");
    return text;
}

// Latin with accents, Greek, Cyrillic, Japanese, Chinese, Arabic, mathematical symbols and emoji.
const std::string& MixedText()
{
    static const std::string text = Repeat(
        "Acide acétique (éthanoïque), Säure; \xCE\xB2\xCE\xB5\xCE\xBD\xCE\xB6\xCF\x8C\xCE\xBB\xCE\xB9\xCE\xBF "
        "\xD0\xB1\xD0\xB5\xD0\xBD\xD0\xB7\xD0\xBE\xD0\xBB \xE3\x83\x99\xE3\x83\xB3\xE3\x82\xBC\xE3\x83\xB3 "
        "\xE8\x8B\xAF\xE7\x8E\xAF \xD8\xA8\xD9\x86\xD8\xB2\xD9\x8A\xD9\x86 \xE2\x88\x86H \xE2\x89\x88 "
        "\xE2\x88\x92" "49 kJ/mol \xF0\x9F\xA7\xAA\xF0\x9F\x94\xAC\n");
    return text;
}

void RunUTF8String(benchmark::State& state, const std::string& source)
{
    const UTF8String text(source);
    for (auto _ : state) {
        std::u16string utf16 = text.GetUTF16String();
        benchmark::DoNotOptimize(utf16.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}

void RunIconv(benchmark::State& state, const std::string& source)
{
    iconv_t converter = iconv_open("UTF-16LE", "UTF-8");
    std::vector<char16_t> buffer(source.size());
    for (auto _ : state) {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(source.data());
        std::size_t inLeft = source.size();
        char* out = reinterpret_cast<char*>(buffer.data());
        std::size_t outLeft = buffer.size() * sizeof(char16_t);
        if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
            state.SkipWithError("iconv failed");
        benchmark::DoNotOptimize(buffer.data());
    }
    iconv_close(converter);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}

void RunICU(benchmark::State& state, const std::string& source)
{
    std::vector<UChar> buffer(source.size());
    for (auto _ : state) {
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = 0;
        u_strFromUTF8(buffer.data(), static_cast<int32_t>(buffer.size()), &length, source.data(),
                      static_cast<int32_t>(source.size()), &status);
        if (U_FAILURE(status))
            state.SkipWithError("u_strFromUTF8 failed");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}

// Prints as the console does and keeps each benchmark's best CPU time for the ratios (CPU time, because the
// machine may be shared: time spent waiting for a core is not the converter's).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that piped output stays plain.
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            auto [entry, added] = m_bestTimes.try_emplace(run.run_name.function_name, run.GetAdjustedCPUTime());
            if (!added)
                entry->second = std::min(entry->second, run.GetAdjustedCPUTime());
        }
    }

    double Speedup(const std::string& text, const std::string& peer) const
    {
        const auto ours = m_bestTimes.find("UTF8ToUTF16/" + text + "/UTF8String");
        const auto theirs = m_bestTimes.find("UTF8ToUTF16/" + text + "/" + peer);
        return ours == m_bestTimes.end() || theirs == m_bestTimes.end() ? 0 : theirs->second / ours->second;
    }

private:
    std::map<std::string, double> m_bestTimes;
};

} // namespace

int main(int argc, char** argv)
{
    const std::pair<const char*, const std::string*> texts[] = {{"ascii", &AsciiText()}, {"mixed", &MixedText()}};
    const std::pair<const char*, void (*)(benchmark::State&, const std::string&)> converters[] = {
        {"UTF8String", RunUTF8String}, {"iconv", RunIconv}, {"ICU", RunICU}};
    for (const auto& [textName, text] : texts)
        for (const auto& [converterName, converter] : converters)
            benchmark::RegisterBenchmark(
                (std::string("UTF8ToUTF16/") + textName + "/" + converterName).c_str(), converter, *text)
                ->Unit(benchmark::kMicrosecond);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nUTF8String speed-up (peer CPU time / UTF8String CPU time; goal: >= 1.5 iconv, >= 0.7 ICU)\n");
    for (const auto& [textName, text] : texts)
        std::printf("  %-6s vs iconv %.2fx   vs ICU %.2fx\n", textName, reporter.Speedup(textName, "iconv"),
                    reporter.Speedup(textName, "ICU"));
    return 0;
}
