// Periodic table and measured numbers against peers measured in the same run:
// - loading the built-in table against RDKit's first PeriodicTable::getTable() (goal: a third or less),
//   each timed once in a fresh child process since a first call can happen only once per process;
// - symbol lookup per call against RDKit's getAtomicNumber (goal: no slower);
// - a measured number parsed and printed against strtod plus snprintf("%.*g") (goal: within 3x).
// Ratios of processor times are printed after the table of results.
#include "mx/ptable.h"
#include "mx/realnum.h"

#include <GraphMol/PeriodicTable.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs work once in a fresh child process and returns the processor seconds it took there (processor time,
// so that other work on the machine does not count).
template <class Work> double TimeInChild(Work work)
{
    int channel[2];
    if (pipe(channel) != 0)
        std::abort();
    const pid_t child = fork();
    if (child == 0) {
        const double start = ProcessCpuSeconds();
        work();
        const double seconds = ProcessCpuSeconds() - start;
        (void)!write(channel[1], &seconds, sizeof seconds);
        _exit(0);
    }
    double seconds = 0;
    (void)!read(channel[0], &seconds, sizeof seconds);
    close(channel[0]);
    close(channel[1]);
    waitpid(child, nullptr, 0);
    return seconds;
}

// The two first loads alternate, each in its own fresh child, so that a change of load on the machine during
// the run touches both alike. Time is ours; the counters give the peer's time and the ratio of the sums.
void BM_FirstLoad_mxLoadDefault_vs_RDKitGetTable(benchmark::State& state)
{
    double ours = 0, peer = 0;
    for (auto _ : state) {
        const double seconds = TimeInChild([] { benchmark::DoNotOptimize(mx::mxGetPTable()->LoadDefault()); });
        peer += TimeInChild([] { benchmark::DoNotOptimize(RDKit::PeriodicTable::getTable()); });
        ours += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["RDKit_us"] = benchmark::Counter(peer * 1e6 / static_cast<double>(state.iterations()));
    state.counters["ratio"] = benchmark::Counter(peer > 0 ? ours / peer : 0);
}
BENCHMARK(BM_FirstLoad_mxLoadDefault_vs_RDKitGetTable)->UseManualTime()->Iterations(60)->Unit(benchmark::kMicrosecond);

void BM_ReloadInProcess_mxLoadDefault(benchmark::State& state)
{
    mx::mxPeriodicTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.LoadDefault());
}
BENCHMARK(BM_ReloadInProcess_mxLoadDefault)->Unit(benchmark::kMicrosecond);

// Symbols as a structure reader meets them: mostly organic elements, some two-letter ones.
const std::vector<std::string> kSymbols = {"C", "N", "O", "H", "C", "Cl", "S", "C", "O", "Br", "P", "F",
                                           "C", "N", "Na", "Fe", "I", "Si", "C", "B", "Zn", "Se", "K", "Mg"};

const mx::mxPeriodicTable& LoadedTable()
{
    static const mx::mxPeriodicTable table = [] {
        mx::mxPeriodicTable loaded;
        loaded.LoadDefault();
        return loaded;
    }();
    return table;
}

void BM_SymbolLookup_mxGetAtomicNo(benchmark::State& state)
{
    const mx::mxPeriodicTable& table = LoadedTable();
    for (auto _ : state)
        for (const std::string& symbol : kSymbols)
            benchmark::DoNotOptimize(table.GetAtomicNo(symbol));
    state.SetItemsProcessed(state.iterations() * kSymbols.size());
}
BENCHMARK(BM_SymbolLookup_mxGetAtomicNo);

void BM_SymbolLookup_mxLookupElement(benchmark::State& state)
{
    const mx::mxPeriodicTable& table = LoadedTable();
    for (auto _ : state)
        for (const std::string& symbol : kSymbols)
            benchmark::DoNotOptimize(table.LookupElement(symbol));
    state.SetItemsProcessed(state.iterations() * kSymbols.size());
}
BENCHMARK(BM_SymbolLookup_mxLookupElement);

void BM_SymbolLookup_RDKitGetAtomicNumber(benchmark::State& state)
{
    const RDKit::PeriodicTable* table = RDKit::PeriodicTable::getTable();
    for (auto _ : state)
        for (const std::string& symbol : kSymbols)
            benchmark::DoNotOptimize(table->getAtomicNumber(symbol));
    state.SetItemsProcessed(state.iterations() * kSymbols.size());
}
BENCHMARK(BM_SymbolLookup_RDKitGetAtomicNumber);

struct MeasuredText {
    const char* text;
    int figures;
};
const MeasuredText kNumbers[] = {{"47.28", 4},  {"-36.728", 5}, {"0.0300", 3},      {"1.0E-8", 2},   {"3020", 3},
                                 {"10000.001", 8}, {"6.022e23", 4}, {"-100.", 3}, {"12.011", 5}, {"0.000123", 3}};

void BM_NumberParsePrint_mxRealNum(benchmark::State& state)
{
    for (auto _ : state)
        for (const MeasuredText& number : kNumbers)
            benchmark::DoNotOptimize(mxRealNum(number.text).String());
    state.SetItemsProcessed(state.iterations() * std::size(kNumbers));
}
BENCHMARK(BM_NumberParsePrint_mxRealNum);

void BM_NumberParsePrint_strtodSnprintf(benchmark::State& state)
{
    char buffer[64];
    for (auto _ : state)
        for (const MeasuredText& number : kNumbers) {
            const double value = std::strtod(number.text, nullptr);
            std::snprintf(buffer, sizeof buffer, "%.*g", number.figures, value);
            benchmark::DoNotOptimize(std::string(buffer));
        }
    state.SetItemsProcessed(state.iterations() * std::size(kNumbers));
}
BENCHMARK(BM_NumberParsePrint_strtodSnprintf);

// Keeps each benchmark's processor time per iteration for the ratios, so that other work on the machine does
// not skew them; the first-load comparison brings its own ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            times[run.benchmark_name()] = run.GetAdjustedCPUTime();
            if (const auto ratio = run.counters.find("ratio"); ratio != run.counters.end())
                firstLoadRatio = ratio->second.value;
        }
    }
    std::map<std::string, double> times;
    double firstLoadRatio = -1;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    struct Ratio {
        const char* what;
        const char* ours;
        const char* peer;
        const char* goal;
    } const ratios[] = {
        {"GetAtomicNo / RDKit getAtomicNumber", "BM_SymbolLookup_mxGetAtomicNo", "BM_SymbolLookup_RDKitGetAtomicNumber",
         "<= 1"},
        {"LookupElement / RDKit getAtomicNumber", "BM_SymbolLookup_mxLookupElement",
         "BM_SymbolLookup_RDKitGetAtomicNumber", "<= 1"},
        {"mxRealNum parse+String / strtod+snprintf", "BM_NumberParsePrint_mxRealNum",
         "BM_NumberParsePrint_strtodSnprintf", "<= 3"},
    };
    std::printf("\nRatios (ours / peer, same run):\n");
    if (reporter.firstLoadRatio >= 0)
        std::printf("  %-42s %6.3f   goal %s\n", "LoadDefault / RDKit first getTable()", reporter.firstLoadRatio,
                    "<= 0.33");
    for (const Ratio& ratio : ratios) {
        const auto ours = reporter.times.find(ratio.ours), peer = reporter.times.find(ratio.peer);
        if (ours != reporter.times.end() && peer != reporter.times.end() && peer->second > 0)
            std::printf("  %-42s %6.3f   goal %s\n", ratio.what, ours->second / peer->second, ratio.goal);
    }
    benchmark::Shutdown();
    return 0;
}
