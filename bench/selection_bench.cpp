// From a preset chosen in the browser or the search window to the first audible block, with a
// real instrument (amsynth) and a note held: the path is left in Vexlo VM, the editor's idle
// takes it and loads the file (read, checked, handed over, the held notes sounded again), and
// blocks are processed until one is not silent. The baseline, in the same run: the instrument
// given the same program's chunk directly, then blocks until one sounds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <vector>

#include "bench/ratio_main.h"
#include "bench/vm_bench.h"
#include "host/host.h"
#include "manager/core/vst_manager.h"
#include "platform/user_services.h"

using namespace vexlo::host;
using vexlo::manager::VstManager;
namespace fs = std::filesystem;

namespace {

const char* kAmsynth = "/usr/lib/vst/amsynth_vst.so";

struct Session {
    Session() : context(44100.0, 512) {
        plugin = vexlo::bench::createVm(context);
        manager = static_cast<VstManager*>(plugin->effect()->object);
        plugin->start();
        manager->loadInstrument(kAmsynth, false, -1);
        left.assign(512, 0.0f);
        right = left;
        if (!manager->getInstrument()) return;
        // Two presets of different programs, made by Vexlo VM itself.
        vexlo::platform::ScriptedUserServices script;
        vexlo::platform::ScopedUserServices installed(script);
        for (int program : {1, 5}) {
            plugin->dispatch(effSetProgram, 0, program);
            const std::string path = (vexlo::bench::vmFolder() / ("selection" + std::to_string(program) + ".fxp")).string();
            fs::remove(path);
            script.files.push_back(path);
            manager->saveProgram(true);
            presets.push_back(path);
        }
        std::vector<MidiEvent> note{makeMidiEvent(0, 0x90, 60, 100)};
        std::vector<char> storage;
        plugin->processEvents(buildEventList(note, storage));
    }
    // Blocks until one sounds (at most a second's worth); how many it took.
    int blocksUntilAudible() {
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 1; block <= 86; ++block) {
            plugin->process(nullptr, outputs, 512);
            const float peak = std::max(*std::max_element(left.begin(), left.end()), -*std::min_element(left.begin(), left.end()));
            if (peak > 1e-4f) return block;
        }
        return 0;
    }
    HostContext context;
    std::unique_ptr<Plugin> plugin;
    VstManager* manager = nullptr;
    std::vector<std::string> presets;
    std::vector<float> left, right;
};

void BM_SelectionToFirstAudibleBlock(benchmark::State& state) {
    Session s;
    if (s.presets.size() != 2) return state.SkipWithError("amsynth did not load");
    std::size_t round = 0;
    int blocks = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        s.manager->offerPresetPath(s.presets[round++ % 2]);  // the click
        const std::string path = s.manager->takePendingPresetPath();  // the editor's idle
        s.manager->loadPresetOrBank(false, path.c_str());
        blocks = s.blocksUntilAudible();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["blocks"] = blocks;
}

void BM_ChunkStraightToTheInstrument(benchmark::State& state) {
    Session s;
    AEffect* synth = s.manager->getInstrument();
    if (!synth) return state.SkipWithError("amsynth did not load");
    std::vector<std::vector<char>> chunks;
    for (int program : {1, 5}) {
        synth->dispatcher(synth, effSetProgram, 0, program, nullptr, 0.0f);
        void* data = nullptr;
        const VstIntPtr size = synth->dispatcher(synth, effGetChunk, 1, 0, &data, 0.0f);
        chunks.emplace_back(static_cast<char*>(data), static_cast<char*>(data) + size);
    }
    std::size_t round = 0;
    int blocks = 0;
    for (auto _ : state) {
        auto& chunk = chunks[round++ % 2];
        const auto start = std::chrono::steady_clock::now();
        synth->dispatcher(synth, effSetChunk, 1, static_cast<VstIntPtr>(chunk.size()), chunk.data(), 0.0f);
        blocks = s.blocksUntilAudible();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["blocks"] = blocks;
}

BENCHMARK(BM_ChunkStraightToTheInstrument)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SelectionToFirstAudibleBlock)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv,
                                       {{"BM_SelectionToFirstAudibleBlock/iterations:20/manual_time",
                                         "BM_ChunkStraightToTheInstrument/iterations:20/manual_time"}});
}
