// The oversampler's costs: the high-quality resampler against the classic one and against
// Kars's own processing at the same factor, per host block; and how long a factor change
// takes with real instruments, which restarts them.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <vector>

#include "bench/ratio_main.h"
#include "bench/vm_bench.h"
#include "host/host.h"
#include "manager/core/band_limited_resampler.h"
#include "manager/core/resampler.h"
#include "manager/core/vst_manager.h"

using namespace vexlo::host;
using vexlo::manager::BandLimitedResampler;
using vexlo::manager::VstManager;

namespace {

constexpr int kFrames = 512;
const std::string kKars = "/usr/lib/vst/Kars-vst.so";

std::vector<float> sound(std::size_t count) {
    std::vector<float> samples(count);
    for (std::size_t i = 0; i < count; ++i) samples[i] = 0.5f * static_cast<float>(std::sin(0.01 * static_cast<double>(i)));
    return samples;
}

// What Vexlo VM does around a mono instrument such as Kars: both of the host's (silent) inputs
// up, the one output down.
void BM_ClassicForKars(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    std::vector<float> silence(kFrames, 0.0f), big = sound(static_cast<std::size_t>(kFrames) * factor),
                                               bigRight(big.size()), out(kFrames);
    float filter = 0.0f;
    for (auto _ : state) {
        vexlo::manager::upsample(silence.data(), kFrames, factor, bigRight.data());
        vexlo::manager::upsample(silence.data(), kFrames, factor, bigRight.data());
        vexlo::manager::decimate(big.data(), kFrames, factor, filter, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_HighForKars(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    std::vector<float> silence(kFrames, 0.0f), big = sound(static_cast<std::size_t>(kFrames) * factor),
                                               bigRight(big.size()), out(kFrames);
    BandLimitedResampler channels[2];
    for (auto& channel : channels) channel.setFactor(factor);
    for (auto _ : state) {
        channels[0].up(silence.data(), kFrames, bigRight.data());
        channels[1].up(silence.data(), kFrames, bigRight.data());
        channels[0].down(big.data(), kFrames, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

// The most the way there and back can cost: sound on both inputs, two outputs.
void BM_HighStereoWithSoundIn(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    std::vector<float> in = sound(kFrames), big(static_cast<std::size_t>(kFrames) * factor), out(kFrames);
    BandLimitedResampler channels[2];
    for (auto& channel : channels) channel.setFactor(factor);
    for (auto _ : state) {
        for (auto& channel : channels) {
            channel.up(in.data(), kFrames, big.data());
            channel.down(big.data(), kFrames, out.data());
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

// Kars playing a chord at factor times the host's rate: its own cost per host block.
void BM_KarsAtFactor(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    HostContext context(44100.0 * factor, kFrames * factor);
    std::string error;
    auto kars = Plugin::load(kKars, context, &error);
    if (!kars) return state.SkipWithError(error.c_str());
    kars->start();
    std::vector<VstMidiEvent> chord{makeMidiEvent(0, 0x90, 48, 100), makeMidiEvent(0, 0x90, 55, 100),
                                    makeMidiEvent(0, 0x90, 64, 100)};
    std::vector<char> storage;
    std::vector<float> left(static_cast<std::size_t>(kFrames) * factor);
    float* outputs[1] = {left.data()};
    AEffect* e = kars->effect();
    for (auto _ : state) {
        // Struck again now and then, so that the strings keep ringing.
        if (state.iterations() % 64 == 0) kars->processEvents(buildEventList(chord, storage));
        e->processReplacing(e, outputs, outputs, kFrames * factor);
        benchmark::DoNotOptimize(left.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

BENCHMARK(BM_ClassicForKars)->Arg(2)->Arg(4)->Arg(8);
BENCHMARK(BM_HighForKars)->Arg(2)->Arg(4)->Arg(8);
BENCHMARK(BM_HighStereoWithSoundIn)->Arg(2)->Arg(4)->Arg(8);
BENCHMARK(BM_KarsAtFactor)->Arg(2)->Arg(4)->Arg(8);

// A factor change while a note is held: the instrument restarted at the new rate with its
// state, to the first block it plays.

void factorChange(benchmark::State& state, const std::string& path) {
    HostContext context(44100.0, kFrames);
    auto vm = vexlo::bench::createVm(context);
    auto* manager = static_cast<VstManager*>(vm->effect()->object);
    vm->start();
    manager->loadInstrument(path.c_str(), false, -1);
    if (!manager->getInstrument()) return state.SkipWithError("the instrument did not load");
    std::vector<VstMidiEvent> events{makeMidiEvent(0, 0x90, 60, 100)};
    std::vector<char> storage;
    AEffect* e = vm->effect();
    e->dispatcher(e, effProcessEvents, 0, 0, buildEventList(events, storage), 0.0f);
    std::vector<float> left(kFrames), right(kFrames), silence(kFrames, 0.0f);
    float* outputs[2] = {left.data(), right.data()};
    float* inputs[2] = {silence.data(), silence.data()};
    bool twice = false;
    for (auto _ : state) {
        twice = !twice;
        auto start = std::chrono::steady_clock::now();
        e->setParameter(e, 0, twice ? 0.25f : 0.5f);  // factors 2 and 4 in turn
        e->processReplacing(e, inputs, outputs, kFrames);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
void BM_FactorChangeKars(benchmark::State& state) { factorChange(state, kKars); }
void BM_FactorChangeAmsynth(benchmark::State& state) { factorChange(state, "/usr/lib/vst/amsynth_vst.so"); }
void BM_FactorChangeZynAddSubFX(benchmark::State& state) { factorChange(state, "/usr/lib/vst/ZynAddSubFX.so"); }
BENCHMARK(BM_FactorChangeKars)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorChangeAmsynth)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorChangeZynAddSubFX)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv,
                                       {{"BM_HighForKars/2", "BM_ClassicForKars/2"},
                                        {"BM_HighForKars/4", "BM_ClassicForKars/4"},
                                        {"BM_HighForKars/8", "BM_ClassicForKars/8"},
                                        {"BM_HighForKars/2", "BM_KarsAtFactor/2"},
                                        {"BM_HighForKars/4", "BM_KarsAtFactor/4"},
                                        {"BM_HighForKars/8", "BM_KarsAtFactor/8"},
                                        {"BM_HighStereoWithSoundIn/2", "BM_KarsAtFactor/2"},
                                        {"BM_HighStereoWithSoundIn/4", "BM_KarsAtFactor/4"},
                                        {"BM_HighStereoWithSoundIn/8", "BM_KarsAtFactor/8"}});
}
