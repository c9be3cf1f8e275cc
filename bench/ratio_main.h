// A benchmark main that also prints each benchmark's time as a ratio to a named baseline
// measured in the same run: BENCHMARK_MAIN_WITH_RATIOS({{"BM_Thing", "BM_Baseline"}, ...}).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vexlo::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            // Benchmarks that wait for other processes are timed by the clock on the wall.
            if (run.run_type == Run::RT_Iteration)
                nanoseconds[run.benchmark_name()] = run.benchmark_name().find("/real_time") != std::string::npos
                                                        ? run.GetAdjustedRealTime()
                                                        : run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;
};

inline int runWithRatios(int argc, char** argv, const std::vector<std::pair<std::string, std::string>>& ratios) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios to baselines measured in this run:\n");
    for (const auto& [name, baseline] : ratios) {
        auto a = reporter.nanoseconds.find(name), b = reporter.nanoseconds.find(baseline);
        if (a == reporter.nanoseconds.end() || b == reporter.nanoseconds.end() || b->second <= 0) continue;
        std::printf("  %-40s %8.2f x %s\n", name.c_str(), a->second / b->second, baseline.c_str());
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace vexlo::bench
