// A full scan of Debian's plug-ins (every library under /usr/lib/vst) into a fresh scan
// database, against probing the same libraries with nothing written: what the database's
// bookkeeping (the crash marker, the ignore list, the walk's checks) adds to the probes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/ratio_main.h"
#include "manager/core/vst_manager.h"
#include "manager/library/scan_database.h"
#include "platform/platform.h"

namespace {

const char* kFolder = "/usr/lib/vst/";

void probeFolder(const std::string& folder, int& probed) {
    for (const auto& entry : vexlo::platform::listDirectory(folder, "*")) {
        const std::string path = folder + entry.name;
        if (entry.isFolder) {
            if (entry.name[0] != '.') probeFolder(path + "/", probed);
        } else if (path.size() > 3 && path.compare(path.size() - 3, 3, ".so") == 0) {
            vexlo::manager::VstManager::probePlugin(path);
            ++probed;
        }
    }
}

void BM_ProbeEveryLibrary(benchmark::State& state) {
    int probed = 0;
    for (auto _ : state) {
        probed = 0;
        probeFolder(kFolder, probed);
    }
    state.counters["libraries"] = probed;
}

void BM_FullScanIntoTheDatabase(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() / "vexlo-bench-scan.vIni").string();
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(path.c_str());
        state.ResumeTiming();
        vexlo::library::ScanDatabase(path).scan(kFolder, false, vexlo::manager::VstManager::probePlugin);
    }
    std::remove(path.c_str());
}

BENCHMARK(BM_ProbeEveryLibrary)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullScanIntoTheDatabase)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv, {{"BM_FullScanIntoTheDatabase/iterations:3", "BM_ProbeEveryLibrary/iterations:3"}});
}
