// Scan throughput: 200 real plug-in libraries (copies of Debian's, or of our test instrument
// where there are fewer) probed in the helper program, in this process, and only loaded and
// released: what a process of its own costs each probe. That cost, the helper's time less the
// same probe in this process, is also given as a ratio to a bare load: it should stay under 2.
// (Probing itself, which opens the plug-in, costs more than a bare load wherever it runs.)
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/ratio_main.h"
#include "hosting/probe.h"
#include "manager/core/vst_manager.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string>& libraries() {
    static const std::vector<std::string> paths = [] {
        std::vector<fs::path> sources;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator("/usr/lib/vst", error))
            if (entry.path().extension() == ".so") sources.push_back(entry.path());
        if (sources.empty()) sources.push_back(std::string(VEXLO_PLUGIN_DIR) + "test-synth.so");
        const fs::path folder = fs::temp_directory_path() / "vexlo-bench-probe";
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::vector<std::string> out;
        for (int i = 0; i < 200; ++i) {
            const fs::path copy = folder / ("lib" + std::to_string(i) + ".so");
            fs::copy_file(sources[i % sources.size()], copy);
            out.push_back(copy.string());
        }
        return out;
    }();
    return paths;
}

void BM_BareLoadAndRelease(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& path : libraries())
            if (auto library = vexlo::platform::loadLibrary(path)) vexlo::platform::releaseLibrary(library);
    state.counters["libraries/s"] = benchmark::Counter(200.0 * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ProbeInThisProcess(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& path : libraries())
            benchmark::DoNotOptimize(vexlo::hosting::probeHere(path));
    state.counters["libraries/s"] = benchmark::Counter(200.0 * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ProbeInTheHelper(benchmark::State& state) {
    if (!vexlo::platform::fileExists(vexlo::hosting::probeHelperPath())) {
        state.SkipWithError("no helper beside this program");
        return;
    }
    for (auto _ : state)
        for (const auto& path : libraries()) benchmark::DoNotOptimize(vexlo::hosting::probeInHelper(path));
    state.counters["libraries/s"] = benchmark::Counter(200.0 * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_BareLoadAndRelease)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProbeInThisProcess)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProbeInTheHelper)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv,
                                       {{"BM_ProbeInTheHelper/iterations:2/real_time", "BM_BareLoadAndRelease/iterations:2/real_time"},
                                        {"BM_ProbeInThisProcess/iterations:2/real_time", "BM_BareLoadAndRelease/iterations:2/real_time"},
                                        {"BM_ProbeInTheHelper/iterations:2/real_time", "BM_ProbeInThisProcess/iterations:2/real_time"}},
                                       {{"BM_ProbeInTheHelper/iterations:2/real_time", "BM_ProbeInThisProcess/iterations:2/real_time",
                                         "BM_BareLoadAndRelease/iterations:2/real_time"}});
}
