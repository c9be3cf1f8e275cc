// The arpeggiator's cost per sample for a 512-frame block with a held chord, against a plain
// loop over the same block.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/ratio_main.h"
#include "host/host.h"

using namespace vexlo::host;

namespace {

constexpr int kFrames = 512;

// The baseline: one pass over the block that reads and writes every sample.
void BM_PlainBlockLoop(benchmark::State& state) {
    std::vector<float> block(kFrames, 0.25f);
    for (auto _ : state) {
        for (float& sample : block) sample = sample * 0.5f + 0.125f;
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_sample"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kFrames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlainBlockLoop);

void BM_ArpeggiatorHeldChord(benchmark::State& state) {
    HostContext context(44100.0, kFrames);
    std::string error;
    auto arp = Plugin::load(VEXLO_PLUGIN_DIR "Vexlo ARP MIDI.so", context, &error);
    if (!arp) {
        state.SkipWithError(error.c_str());
        return;
    }
    arp->start();
    AEffect* effect = arp->effect();
    effect->setParameter(effect, 0, 3.0f);
    std::vector<VstMidiEvent> chord{makeMidiEvent(0, 0x90, 60, 100), makeMidiEvent(0, 0x90, 64, 100),
                                    makeMidiEvent(0, 0x90, 67, 100)};
    std::vector<char> storage;
    arp->processEvents(buildEventList(chord, storage));
    float silence[kFrames] = {};
    float* inputs[1] = {silence};
    for (auto _ : state) {
        arp->clearEmittedEvents();
        effect->processReplacing(effect, inputs, nullptr, kFrames);
        context.advance(kFrames);
    }
    state.counters["ns_per_sample"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kFrames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ArpeggiatorHeldChord);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv, {{"BM_ArpeggiatorHeldChord", "BM_PlainBlockLoop"}});
}
