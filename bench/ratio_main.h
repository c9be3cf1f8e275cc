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

// What one way of doing a job costs on top of another, as a ratio to a baseline:
// (time of `name` - time of `without`) / time of `baseline`.
struct ExtraCost {
    std::string name, without, baseline;
};

inline int runWithRatios(int argc, char** argv, const std::vector<std::pair<std::string, std::string>>& ratios,
                         const std::vector<ExtraCost>& extraCosts = {}) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto time = [&](const std::string& name) {
        auto found = reporter.nanoseconds.find(name);
        return found == reporter.nanoseconds.end() ? -1.0 : found->second;
    };
    std::printf("\nRatios to baselines measured in this run:\n");
    for (const auto& [name, baseline] : ratios) {
        const double a = time(name), b = time(baseline);
        if (a < 0 || b <= 0) continue;
        std::printf("  %-40s %8.2f x %s\n", name.c_str(), a / b, baseline.c_str());
    }
    for (const ExtraCost& cost : extraCosts) {
        const double a = time(cost.name), without = time(cost.without), b = time(cost.baseline);
        if (a < 0 || without < 0 || b <= 0) continue;
        std::printf("  %s - %s: %.2f x %s\n", cost.name.c_str(), cost.without.c_str(), (a - without) / b,
                    cost.baseline.c_str());
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace vexlo::bench
