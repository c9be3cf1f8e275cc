// The frame's cost on the audio path: a block of the test instrument through the record's
// trampolines, against a plain loop that writes the same block.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/ratio_main.h"
#include "host/host.h"

using namespace vexlo::host;

namespace {

constexpr int kFrames = 512;

void BM_PlainSineLoop(benchmark::State& state) {
    std::vector<float> left(kFrames), right(kFrames);
    double phase = 0.0;
    for (auto _ : state) {
        for (int i = 0; i < kFrames; ++i) {
            float s = static_cast<float>(std::sin(phase)) * 0.1f;
            phase = std::fmod(phase + 0.0627, 6.283185307179586);
            left[i] = s;
            right[i] = s;
        }
        benchmark::DoNotOptimize(left.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_PlainSineLoop);

void BM_TestInstrumentOneVoice(benchmark::State& state) {
    HostContext context(44100.0, kFrames);
    std::string error;
    auto synth = Plugin::load(VEXLO_PLUGIN_DIR "test-synth.so", context, &error);
    if (!synth) {
        state.SkipWithError(error.c_str());
        return;
    }
    synth->start();
    std::vector<VstMidiEvent> events{makeMidiEvent(0, 0x90, 69, 100)};
    std::vector<char> storage;
    synth->processEvents(buildEventList(events, storage));
    std::vector<float> left(kFrames), right(kFrames);
    float* outputs[2] = {left.data(), right.data()};
    for (auto _ : state) {
        synth->process(nullptr, outputs, kFrames);
        benchmark::DoNotOptimize(left.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_TestInstrumentOneVoice);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv, {{"BM_TestInstrumentOneVoice", "BM_PlainSineLoop"}});
}
