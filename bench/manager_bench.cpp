// Vexlo VM's costs: its overhead at factor 1 against hosting the same instrument directly, the
// resampler against a plain copy, and the time from a load to the first audible block.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "bench/ratio_main.h"
#include "bench/vm_bench.h"
#include "host/host.h"
#include "manager/core/resampler.h"
#include "manager/core/vst_manager.h"

using namespace vexlo::host;

using vexlo::manager::VstManager;

namespace {

constexpr int kFrames = 512;
const std::string kTestSynth = VEXLO_PLUGIN_DIR "test-synth.so";
const std::string kKars = "/usr/lib/vst/Kars-vst.so";


// Plays a held chord through a plug-in, block after block.
void playChord(benchmark::State& state, Plugin& plugin, HostContext& context) {
    plugin.start();
    std::vector<VstMidiEvent> chord{makeMidiEvent(0, 0x90, 48, 100), makeMidiEvent(0, 0x90, 55, 100),
                                    makeMidiEvent(0, 0x90, 64, 100)};
    std::vector<char> storage;
    plugin.processEvents(buildEventList(chord, storage));
    std::vector<float> left(kFrames), right(kFrames), silence(kFrames, 0.0f);
    float* outputs[2] = {left.data(), right.data()};
    float* inputs[2] = {silence.data(), silence.data()};
    AEffect* e = plugin.effect();
    for (auto _ : state) {
        e->processReplacing(e, inputs, outputs, kFrames);
        context.advance(kFrames);
        benchmark::DoNotOptimize(left.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    float peak = 0.0f;
    for (float s : left) peak = std::fmax(peak, std::fabs(s));
    if (peak == 0.0f) state.SkipWithError("the chord is silent");
}

void directly(benchmark::State& state, const std::string& path) {
    HostContext context(44100.0, kFrames);
    std::string error;
    auto instrument = Plugin::load(path, context, &error);
    if (!instrument) return state.SkipWithError(error.c_str());
    playChord(state, *instrument, context);
}

void throughVexloVm(benchmark::State& state, const std::string& path) {
    HostContext context(44100.0, kFrames);
    auto vm = vexlo::bench::createVm(context);
    auto* manager = static_cast<VstManager*>(vm->effect()->object);
    manager->loadInstrument(path.c_str(), false, -1);
    if (!manager->getInstrument()) return state.SkipWithError("the instrument did not load");
    playChord(state, *vm, context);
}

void BM_TestSynthDirect(benchmark::State& state) { directly(state, kTestSynth); }
void BM_TestSynthThroughVexloVm(benchmark::State& state) { throughVexloVm(state, kTestSynth); }
void BM_KarsDirect(benchmark::State& state) { directly(state, kKars); }
void BM_KarsThroughVexloVm(benchmark::State& state) { throughVexloVm(state, kKars); }
BENCHMARK(BM_TestSynthDirect);
BENCHMARK(BM_TestSynthThroughVexloVm);
BENCHMARK(BM_KarsDirect);
BENCHMARK(BM_KarsThroughVexloVm);

// The resampler's work per host block: repetition up and the averaging filter down.
void BM_PlainCopy(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    std::vector<float> in(kFrames, 0.5f), big(static_cast<std::size_t>(kFrames) * factor), out(kFrames);
    for (auto _ : state) {
        for (int k = 0; k < factor; ++k) std::memcpy(big.data() + k * kFrames, in.data(), kFrames * sizeof(float));
        std::memcpy(out.data(), big.data(), kFrames * sizeof(float));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
void BM_Resampler(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    std::vector<float> in(kFrames, 0.5f), big(static_cast<std::size_t>(kFrames) * factor), out(kFrames);
    float filter = 0.0f;
    for (auto _ : state) {
        vexlo::manager::upsample(in.data(), kFrames, factor, big.data());
        vexlo::manager::decimate(big.data(), kFrames, factor, filter, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_PlainCopy)->Arg(2)->Arg(4)->Arg(8);
BENCHMARK(BM_Resampler)->Arg(2)->Arg(4)->Arg(8);

// From the load of an already cached library to the first block that is not silent.
void loadToSound(benchmark::State& state, bool midiSlotToo) {
    HostContext context(44100.0, kFrames);
    auto vm = vexlo::bench::createVm(context);
    auto* manager = static_cast<VstManager*>(vm->effect()->object);
    vm->start();
    manager->loadInstrument(kTestSynth.c_str(), false, -1);  // the library is cached from here on
    std::vector<float> left(kFrames), right(kFrames), silence(kFrames, 0.0f);
    float* outputs[2] = {left.data(), right.data()};
    float* inputs[2] = {silence.data(), silence.data()};
    std::vector<VstMidiEvent> events;
    std::vector<char> storage;
    AEffect* e = vm->effect();
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (midiSlotToo) manager->loadMidiEffect(VEXLO_PLUGIN_DIR "test-midi-fx.so", 0);
        manager->loadInstrument(kTestSynth.c_str(), false, -1);
        events = {makeMidiEvent(0, 0x90, 69, 100)};
        e->dispatcher(e, effProcessEvents, 0, 0, buildEventList(events, storage), 0.0f);
        e->processReplacing(e, inputs, outputs, kFrames);
        auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (left[kFrames - 1] == 0.0f) return state.SkipWithError("the first block after the load is silent");
        state.SetIterationTime(elapsed);
    }
}
void BM_LoadInstrumentToFirstSound(benchmark::State& state) { loadToSound(state, false); }
void BM_LoadMidiEffectAndInstrumentToFirstSound(benchmark::State& state) { loadToSound(state, true); }
BENCHMARK(BM_LoadInstrumentToFirstSound)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMidiEffectAndInstrumentToFirstSound)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv,
                                       {{"BM_TestSynthThroughVexloVm", "BM_TestSynthDirect"},
                                        {"BM_KarsThroughVexloVm", "BM_KarsDirect"},
                                        {"BM_Resampler/2", "BM_PlainCopy/2"},
                                        {"BM_Resampler/4", "BM_PlainCopy/4"},
                                        {"BM_Resampler/8", "BM_PlainCopy/8"}});
}
