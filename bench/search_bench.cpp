// The preset search's walk over a generated tree of 20,000 files in 2,000 folders (a tenth of
// them presets), against a plain recursive listing of the same tree with the standard library:
// what matching names, skipping hidden entries and guarding against link loops add to the walk.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/ratio_main.h"
#include "manager/library/preset_search.h"

namespace fs = std::filesystem;

namespace {

const fs::path& tree() {
    static const fs::path root = [] {
        const fs::path path = fs::temp_directory_path() / "vexlo-bench-search";
        fs::remove_all(path);
        for (int folder = 0; folder < 2000; ++folder) {
            // Ten folders at the top, two hundred below each: a tree, not a flat list.
            const fs::path here = path / ("group" + std::to_string(folder % 10)) / ("folder" + std::to_string(folder));
            fs::create_directories(here);
            for (int file = 0; file < 10; ++file) {
                const char* extension = file == 0 ? ".fxp" : file == 1 ? ".fxb" : ".wav";
                std::FILE* out = std::fopen((here / ("sound" + std::to_string(folder * 10 + file) + extension)).string().c_str(), "wb");
                if (out) std::fclose(out);
            }
        }
        return path;
    }();
    return root;
}

void BM_PlainRecursiveListing(benchmark::State& state) {
    const fs::path& root = tree();
    std::size_t entries = 0;
    for (auto _ : state) {
        entries = 0;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            benchmark::DoNotOptimize(entry.path().filename().string());
            ++entries;
        }
    }
    state.counters["entries"] = static_cast<double>(entries);
}

void BM_PresetSearchWalk(benchmark::State& state) {
    const std::string root = tree().string();
    const std::string pattern = vexlo::library::searchPattern("sound1");
    std::atomic<bool> stop{false};
    std::size_t found = 0;
    for (auto _ : state) {
        vexlo::library::PresetSearch search;
        search.run(root, pattern, stop, nullptr);
        found = search.results().size();
    }
    state.counters["found"] = static_cast<double>(found);
}

BENCHMARK(BM_PlainRecursiveListing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresetSearchWalk)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const int result = vexlo::bench::runWithRatios(argc, argv, {{"BM_PresetSearchWalk", "BM_PlainRecursiveListing"}});
    fs::remove_all(tree());
    return result;
}
