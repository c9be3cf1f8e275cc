// Scans of a folder as large as a musician's: copies of our test plug-ins under distinct names
// (1,000 on Linux; 200 under wine, where each helper process costs far more), each probed in
// the helper. The first scan with the probes one at a time against as many at once as there are
// processors, and a full rescan of the unchanged folder (which starts no process) against the
// first scan. On Linux also Debian's plug-ins in /usr/lib/vst, one at a time against at once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/ratio_main.h"
#include "hosting/probe.h"
#include "manager/library/scan_database.h"
#include "platform/platform.h"

namespace fs = std::filesystem;
using vexlo::library::ScanDatabase;
using vexlo::library::ScanOptions;

namespace {

const bool kLinux = std::string(vexlo::platform::pluginExtension()) == ".so";
const int kCopies = kLinux ? 1000 : 200;

std::string besideThisProgram(const std::string& name) {
    const std::string own = vexlo::platform::ownLibraryPath();
    return own.substr(0, own.find_last_of("/\\") + 1) + name;
}

// The folder of copies, made once for the run and removed at its end.
struct Copies {
    Copies() {
        const char* const plugins[] = {"test-synth", "test-mono", "test-midi-fx", "test-wide", "test-deaf"};
        fs::create_directories(folder);
        for (int i = 0; i < kCopies; ++i) {
            char name[32];
            std::snprintf(name, sizeof(name), "library-%04d", i);
            fs::copy_file(besideThisProgram(std::string(plugins[i % 5]) + vexlo::platform::pluginExtension()),
                          folder / (name + std::string(vexlo::platform::pluginExtension())),
                          fs::copy_options::overwrite_existing);
        }
    }
    ~Copies() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    const fs::path folder = fs::temp_directory_path() / "vexlo-bench-copies";
};

const Copies& copies() {
    static const Copies made;
    return made;
}

std::string database(const char* name) { return (fs::temp_directory_path() / name).string(); }

void scanFresh(benchmark::State& state, const std::string& folder, int atOnce) {
    const std::string path = database("vexlo-bench-first.vIni");
    ScanOptions options;
    options.probesAtOnce = atOnce;
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(path.c_str());
        state.ResumeTiming();
        const auto summary = ScanDatabase(path).scan(folder, false, vexlo::hosting::probeLibrary, {}, options);
        state.counters["probed"] = summary.probed;
    }
    std::remove(path.c_str());
}

void BM_FirstScanOneAtATime(benchmark::State& state) { scanFresh(state, copies().folder.string(), 1); }
void BM_FirstScanAtOnce(benchmark::State& state) {
    scanFresh(state, copies().folder.string(), vexlo::hosting::probesAtOnce());
}

void BM_RescanUnchanged(benchmark::State& state) {
    const std::string path = database("vexlo-bench-rescan.vIni");
    std::remove(path.c_str());
    ScanOptions options;
    options.probesAtOnce = vexlo::hosting::probesAtOnce();
    ScanDatabase(path).scan(copies().folder.string(), false, vexlo::hosting::probeLibrary, {}, options);
    for (auto _ : state) {
        const auto summary = ScanDatabase(path).scan(copies().folder.string(), false, vexlo::hosting::probeLibrary, {}, options);
        state.counters["probed"] = summary.probed;
    }
    std::remove(path.c_str());
}

void BM_DebianOneAtATime(benchmark::State& state) {
    if (!kLinux) return state.SkipWithError("Linux only");
    scanFresh(state, "/usr/lib/vst/", 1);
}
void BM_DebianAtOnce(benchmark::State& state) {
    if (!kLinux) return state.SkipWithError("Linux only");
    scanFresh(state, "/usr/lib/vst/", vexlo::hosting::probesAtOnce());
}

BENCHMARK(BM_FirstScanOneAtATime)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstScanAtOnce)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RescanUnchanged)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DebianOneAtATime)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DebianAtOnce)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::printf("%d copies; %d probes at once\n", kCopies, vexlo::hosting::probesAtOnce());
    return vexlo::bench::runWithRatios(
        argc, argv,
        {{"BM_FirstScanOneAtATime/iterations:1/real_time", "BM_FirstScanAtOnce/iterations:1/real_time"},
         {"BM_FirstScanAtOnce/iterations:1/real_time", "BM_RescanUnchanged/iterations:3/real_time"},
         {"BM_DebianOneAtATime/iterations:2/real_time", "BM_DebianAtOnce/iterations:2/real_time"}});
}
