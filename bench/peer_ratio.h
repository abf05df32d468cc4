// Runs the registered benchmarks and then prints, for each (ours, peer) pair of benchmark names, both
// throughputs and their ratio, so a benchmark always reads against a peer measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class RateRecorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            if (rate != run.counters.end() && run.run_type == Run::RT_Iteration)
                m_rates[run.benchmark_name()] = rate->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Rate(const std::string& name) const
    {
        const auto found = m_rates.find(name);
        return found == m_rates.end() ? 0 : found->second;
    }

private:
    std::map<std::string, double> m_rates;
};

inline int RunWithRatios(int argc, char** argv, const std::vector<std::pair<std::string, std::string>>& pairs)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RateRecorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    for (const auto& [ours, peer] : pairs) {
        const double oursRate = recorder.Rate(ours);
        const double peerRate = recorder.Rate(peer);
        if (oursRate > 0 && peerRate > 0)
            std::printf("%s: %.1f MB/s, %s: %.1f MB/s, ratio %.2f\n", ours.c_str(), oursRate / 1e6, peer.c_str(),
                        peerRate / 1e6, oursRate / peerRate);
    }
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
