// Opening, closing, many instances, suspend and resume, and every sample rate and block size
// a host may choose while the plug-in is suspended.
#include <chrono>

#include "host/validate/checks.h"

namespace vexlo::host::validate {

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A chord played and released over about `seconds`, in blocks of `block` frames.
void playAndRelease(Rig& rig, double rate, int block, double seconds) {
    const long blocks = std::max(2L, static_cast<long>(seconds * rate / block));
    for (long i = 0; i < blocks; ++i) {
        if (i == 0) playChord(rig);
        if (i == blocks / 2) releaseChord(rig);
        rig.process(block);
    }
}

}  // namespace

void lifecycleOpenClose(Subject& subject, CheckResult& result) {
    const int cycles = subject.times(100);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < cycles; ++i) {
        std::string error;
        auto plugin = subject.running(&error);
        if (!plugin) return result.fail("cycle " + std::to_string(i + 1) + ": " + error);
        Rig rig(*plugin, subject.watch());
        playChord(rig);
        rig.process(kBlock);
        plugin->stop();
        plugin->close();
    }
    result.figure("cycles", cycles);
    result.figure("seconds", secondsSince(start));
}

void lifecycleInstances(Subject& subject, CheckResult& result) {
    constexpr int kInstances = 8;
    std::vector<std::unique_ptr<Plugin>> plugins;
    std::vector<std::unique_ptr<Rig>> rigs;
    for (int i = 0; i < kInstances; ++i) {
        std::string error;
        plugins.push_back(subject.running(&error));
        if (!plugins.back()) return result.fail("instance " + std::to_string(i + 1) + ": " + error);
        rigs.push_back(std::make_unique<Rig>(*plugins.back(), subject.watch()));
    }
    // Interleaved, as a host processes its tracks one after another in each cycle.
    for (int block = 0; block < subject.times(40); ++block)
        for (auto& rig : rigs) {
            chordCycle(*rig, block, 10, 5);
            rig->process(kBlock);
        }
    // Closed in another order than opened.
    for (int i = kInstances - 1; i >= 0; i -= 2) plugins[static_cast<std::size_t>(i)].reset();
    plugins.clear();
    result.figure("instances", kInstances);
}

void lifecycleSuspendResume(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    Rig rig(*plugin, subject.watch());
    const int cycles = subject.times(50);
    for (int i = 0; i < cycles; ++i) {
        playChord(rig);
        rig.process(kBlock);
        plugin->stop();
        plugin->child().resume();
        releaseChord(rig);
        rig.process(kBlock);
    }
    result.figure("cycles", cycles);
}

void lifecycleRatesAndBlocks(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    Rig rig(*plugin, subject.watch());
    const double rates[] = {22050, 44100, 48000, 88200, 96000, 176400, 192000};
    const int blocks[] = {1, 7, 32, 512, 4096};
    const double seconds = 0.02 + 0.008 * subject.times(10);
    int combinations = 0;
    for (double rate : rates)
        for (int block : blocks) {
            subject.context().setSampleRate(rate);
            subject.context().setBlockSize(block);
            plugin->child().setRateAndBlock(static_cast<float>(rate), block, true);
            playAndRelease(rig, rate, block, seconds);
            ++combinations;
        }
    subject.context().setSampleRate(kRate);
    subject.context().setBlockSize(kBlock);
    plugin->child().setRateAndBlock(static_cast<float>(kRate), kBlock, true);
    playAndRelease(rig, kRate, kBlock, 0.1);
    result.figure("rates x blocks", combinations);
    result.figure("seconds each", seconds);
}

}  // namespace vexlo::host::validate
