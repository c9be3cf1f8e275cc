// What a process of its own costs an instrument per block: the same instrument played through
// the one wrapper in this process and in its own, at several block sizes, each block timed. The
// added cost is printed as a share of the block's duration at 44.1 kHz (median and 99th
// percentile), and the start of an instrument (load to first sound) in both ways.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "hosting/hosted_child.h"
#include "platform/platform.h"

using vexlo::hosting::HostedChild;
using Clock = std::chrono::steady_clock;

namespace {

// Built beside this program; amsynth only where Debian installs it (the Windows builds skip it).
const std::string kTestSynth = [] {
    const std::string own = vexlo::platform::ownLibraryPath();
    return own.substr(0, own.find_last_of("/\\") + 1) + "test-synth" + vexlo::platform::pluginExtension();
}();
// The 32-bit build's test instrument, hosted by the 32-bit bridge (64-bit Windows builds only).
#ifdef VEXLO_WIN32_TEST_SYNTH
const std::string kTestSynth32 = VEXLO_WIN32_TEST_SYNTH;
#else
const std::string kTestSynth32;
#endif
const std::string kAmsynth =
    std::string(vexlo::platform::pluginExtension()) == ".so" ? "/usr/lib/vst/amsynth_vst.so" : "";
constexpr double kRate = 44100.0;

VstIntPtr VEXLO_CDECL quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetSampleRate) return static_cast<VstIntPtr>(kRate);
    return 0;
}

bool start(HostedChild& child, const std::string& path, bool ownProcess, int frames) {
    if (path.empty()) return false;
    const bool loaded = ownProcess ? child.loadInOwnProcess(path) : child.loadLibrary(path);
    if (!loaded || !child.enter(quietHost)) return false;
    child.open(static_cast<float>(kRate), frames);
    VstMidiEvent notes[3] = {};
    VstEvent* pointers[3];
    for (int i = 0; i < 3; ++i) {
        notes[i].type = kVstMidiType;
        notes[i].byteSize = sizeof(VstMidiEvent);
        notes[i].midiData[0] = static_cast<char>(0x90);
        notes[i].midiData[1] = static_cast<char>(48 + 7 * i);
        notes[i].midiData[2] = 100;
        pointers[i] = reinterpret_cast<VstEvent*>(&notes[i]);
    }
    alignas(VstEvents) char storage[sizeof(VstEvents) + 3 * sizeof(VstEvent*)];
    auto* list = reinterpret_cast<VstEvents*>(storage);
    list->numEvents = 3;
    list->reserved = 0;
    std::copy(pointers, pointers + 3, eventsOf(list));
    child.processEvents(list);
    return true;
}

// Plays blocks and times each; the counters carry the median and the 99th percentile. Paced,
// a block starts only when the one before would have played out at 44.1 kHz, as a host's audio
// thread calls: the bridge has gone to sleep meanwhile and must be woken, which back-to-back
// blocks never show.
void playBlocks(benchmark::State& state, const std::string& path, bool ownProcess, bool paced = false) {
    const int frames = static_cast<int>(state.range(0));
    HostedChild child;
    if (!start(child, path, ownProcess, frames)) return state.SkipWithError("the instrument did not start");
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<double> times;
    times.reserve(1 << 16);
    for (auto _ : state) {
        const auto begin = Clock::now();
        child.process(nullptr, outputs, frames);
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        state.SetIterationTime(seconds);
        if (times.size() < times.capacity()) times.push_back(seconds);
        if (paced) std::this_thread::sleep_until(begin + std::chrono::duration<double>(frames / kRate));
    }
    std::sort(times.begin(), times.end());
    if (times.empty()) return;
    state.counters["p50_us"] = times[times.size() / 2] * 1e6;
    state.counters["p99_us"] = times[times.size() * 99 / 100] * 1e6;
}

void BM_TestSynthHere(benchmark::State& state) { playBlocks(state, kTestSynth, false); }
void BM_TestSynthOwnProcess(benchmark::State& state) { playBlocks(state, kTestSynth, true); }
void BM_AmsynthHere(benchmark::State& state) { playBlocks(state, kAmsynth, false); }
void BM_AmsynthOwnProcess(benchmark::State& state) { playBlocks(state, kAmsynth, true); }
BENCHMARK(BM_TestSynthHere)->Arg(32)->Arg(64)->Arg(256)->Arg(512)->UseManualTime();
BENCHMARK(BM_TestSynthOwnProcess)->Arg(32)->Arg(64)->Arg(256)->Arg(512)->UseManualTime();
BENCHMARK(BM_AmsynthHere)->Arg(32)->Arg(64)->Arg(256)->Arg(512)->UseManualTime();
BENCHMARK(BM_AmsynthOwnProcess)->Arg(32)->Arg(64)->Arg(256)->Arg(512)->UseManualTime();
void BM_TestSynthHerePaced(benchmark::State& state) { playBlocks(state, kTestSynth, false, true); }
void BM_TestSynthOwnProcessPaced(benchmark::State& state) { playBlocks(state, kTestSynth, true, true); }
void BM_AmsynthHerePaced(benchmark::State& state) { playBlocks(state, kAmsynth, false, true); }
void BM_AmsynthOwnProcessPaced(benchmark::State& state) { playBlocks(state, kAmsynth, true, true); }
// In real time: a thousand blocks each (1.5 s at 64 frames, 5.8 s at 256).
BENCHMARK(BM_TestSynthHerePaced)->Arg(64)->Arg(256)->Iterations(1000)->UseManualTime();
BENCHMARK(BM_TestSynthOwnProcessPaced)->Arg(64)->Arg(256)->Iterations(1000)->UseManualTime();
BENCHMARK(BM_AmsynthHerePaced)->Arg(64)->Arg(256)->Iterations(1000)->UseManualTime();
BENCHMARK(BM_AmsynthOwnProcessPaced)->Arg(64)->Arg(256)->Iterations(1000)->UseManualTime();

// Across word sizes: the 32-bit instrument in the 32-bit bridge, against the 64-bit one in the
// 64-bit bridge and in this process above.
void BM_TestSynthAcross(benchmark::State& state) { playBlocks(state, kTestSynth32, true); }
void BM_TestSynthAcrossPaced(benchmark::State& state) { playBlocks(state, kTestSynth32, true, true); }
BENCHMARK(BM_TestSynthAcross)->Arg(64)->Arg(512)->UseManualTime();
BENCHMARK(BM_TestSynthAcrossPaced)->Arg(64)->Arg(256)->Iterations(1000)->UseManualTime();

// From the library's load to the first block played.
void startToFirstSound(benchmark::State& state, bool ownProcess) {
    for (auto _ : state) {
        const auto begin = Clock::now();
        HostedChild child;
        if (!start(child, kTestSynth, ownProcess, 256)) return state.SkipWithError("the instrument did not start");
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        child.process(nullptr, outputs, 256);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
        child.close();
    }
}
void BM_StartHere(benchmark::State& state) { startToFirstSound(state, false); }
void BM_StartOwnProcess(benchmark::State& state) { startToFirstSound(state, true); }
BENCHMARK(BM_StartHere)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartOwnProcess)->UseManualTime()->Unit(benchmark::kMillisecond);

class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            Figures& f = figures[run.benchmark_name()];
            f.mean = run.GetAdjustedRealTime();
            if (run.counters.count("p50_us")) f.p50 = run.counters.at("p50_us");
            if (run.counters.count("p99_us")) f.p99 = run.counters.at("p99_us");
        }
        ConsoleReporter::ReportRuns(runs);
    }
    struct Figures {
        double mean = 0, p50 = 0, p99 = 0;
    };
    std::map<std::string, Figures> figures;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    std::printf("\nA process of its own, per block, against this process (same run):\n");
    for (const char* pacing : {"", "Paced"}) {
        std::printf("%s\n", *pacing ? " blocks in real time:" : " blocks back to back:");
        for (const char* instrument : {"TestSynth", "Amsynth"}) {
            for (int frames : {32, 64, 256, 512}) {
                const std::string suffix = pacing + std::string("/") + std::to_string(frames);
                const std::string time = "/manual_time", iterations = "/iterations:1000/manual_time";
                const std::string tail = *pacing ? iterations : time;
                const auto here = collector.figures.find(std::string("BM_") + instrument + "Here" + suffix + tail);
                const auto there = collector.figures.find(std::string("BM_") + instrument + "OwnProcess" + suffix + tail);
                if (here == collector.figures.end() || there == collector.figures.end() || here->second.p50 <= 0) continue;
                const double blockUs = 1e6 * frames / kRate;
                std::printf("  %-9s %3d frames: added %6.2f %% of the block (median), %6.2f %% (99th), %.2f x in process (mean), %.2f x (median)\n",
                            instrument, frames, 100.0 * (there->second.p50 - here->second.p50) / blockUs,
                            100.0 * (there->second.p99 - here->second.p99) / blockUs, there->second.mean / here->second.mean, there->second.p50 / here->second.p50);
            }
        }
    }
    for (const char* pacing : {"", "Paced"}) {
        for (int frames : {64, 256, 512}) {
            const std::string tail = std::string(pacing) + "/" + std::to_string(frames) +
                                     (*pacing ? "/iterations:1000/manual_time" : "/manual_time");
            const auto across = collector.figures.find("BM_TestSynthAcross" + tail);
            const auto sameSize = collector.figures.find("BM_TestSynthOwnProcess" + tail);
            const auto here = collector.figures.find("BM_TestSynthHere" + tail);
            if (across == collector.figures.end() || sameSize == collector.figures.end() ||
                here == collector.figures.end() || here->second.p50 <= 0 || across->second.p50 <= 0)
                continue;
            const double blockUs = 1e6 * frames / kRate;
            std::printf("  32-bit instrument %s, %3d frames: added %6.2f %% of the block (median), %6.2f %% (99th) to "
                        "in process; %.2f x the same-size process, %.2f x in process (medians)\n",
                        *pacing ? "in real time" : "back to back", frames,
                        100.0 * (across->second.p50 - here->second.p50) / blockUs,
                        100.0 * (across->second.p99 - here->second.p99) / blockUs,
                        across->second.p50 / sameSize->second.p50, across->second.p50 / here->second.p50);
        }
    }
    const auto startHere = collector.figures.find("BM_StartHere/manual_time");
    const auto startThere = collector.figures.find("BM_StartOwnProcess/manual_time");
    if (startHere != collector.figures.end() && startThere != collector.figures.end())
        std::printf("  start to first sound: %.3f ms in its own process, %.3f ms here (%.1f x)\n", startThere->second.mean,
                    startHere->second.mean, startThere->second.mean / startHere->second.mean);  // in milliseconds
    benchmark::Shutdown();
    return 0;
}
