// One lookup and one in-place rewrite in a store of 2,000 records (a large scan database),
// against reading the same file into memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/ratio_main.h"
#include "manager/library/config_file.h"

using vexlo::library::ConfigFile;

namespace {

constexpr int kRecords = 2000;

const std::string& storePath() {
    static const std::string path = [] {
        std::string file = (std::filesystem::temp_directory_path() / "vexlo-bench-store.vIni").string();
        std::remove(file.c_str());
        ConfigFile store(file);
        for (int i = 0; i < kRecords; ++i) {
            char key[40];
            std::snprintf(key, sizeof(key), "%d", 1000000 + i);
            store.write(key, "/usr/lib/vst/plugin-number-" + std::to_string(i) + ".so", true);
        }
        return file;
    }();
    return path;
}

void BM_ReadWholeFile(benchmark::State& state) {
    const std::string& path = storePath();
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        std::string bytes;
        char buffer[64 * 1024];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, n);
        std::fclose(file);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ReadWholeFile);

void BM_LookupLastOf2000(benchmark::State& state) {
    ConfigFile store(storePath());
    const std::string key = std::to_string(1000000 + kRecords - 1);
    for (auto _ : state) {
        auto value = store.read(key);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_LookupLastOf2000);

void BM_RewriteInPlaceLastOf2000(benchmark::State& state) {
    ConfigFile store(storePath());
    const std::string key = std::to_string(1000000 + kRecords - 1);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        benchmark::DoNotOptimize(store.write(key, flip ? "/usr/lib/vst/a.so" : "/usr/lib/vst/b.so", true));
    }
}
BENCHMARK(BM_RewriteInPlaceLastOf2000);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv,
                                       {{"BM_LookupLastOf2000", "BM_ReadWholeFile"},
                                        {"BM_RewriteInPlaceLastOf2000", "BM_ReadWholeFile"}});
}
