// What comes out of the plug-in's processing, and what processing costs: silence after a
// release, no allocation on the audio thread, finite samples inside the buffers, block times.
#include <algorithm>
#include <cmath>

#include "host/validate/checks.h"
#include "platform/allocation_counter.h"

namespace vexlo::host::validate {

void audioSilence(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    if (plugin->effect()->numOutputs == 0) return result.skip("no audio outputs");
    Rig rig(*plugin, subject.watch());
    playChord(rig);
    float loudest = 0;
    for (int block = 0; block < 40; ++block) {
        rig.process(kBlock);
        loudest = std::max(loudest, rig.lastPeak());
    }
    releaseChord(rig);
    constexpr double kTailSeconds = 10.0;
    const int tail = static_cast<int>(kTailSeconds * kRate / kBlock);
    for (int block = 0; block < tail; ++block) {
        rig.process(kBlock);
        if (rig.lastPeak() == 0.0f && !rig.lastHadDenormal()) {
            result.figure("exact silence after (s)", block * kBlock / kRate);
            return;
        }
    }
    result.figure("loudest while held", loudest);
    result.figure("peak 10 s after the release", rig.lastPeak());
    if (rig.lastHadDenormal()) return result.fail("denormal samples still come out 10 s after the release");
    if (rig.lastPeak() > loudest * 1e-3f)
        result.fail("still " + std::to_string(rig.lastPeak()) + " 10 s after the release (it was " +
                    std::to_string(loudest) + ")");
}

void audioAllocations(Subject& subject, CheckResult& result) {
    if (!platform::allocationsCounted()) return result.skip("this build cannot count allocations");
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    Rig rig(*plugin, subject.watch());
    // The same music twice: first to let the plug-in make what it makes on first use, then counted.
    const int blocks = subject.times(400);
    for (bool counted : {false, true}) {
        rig.setCounting(counted);
        for (int block = 0; block < blocks; ++block) {
            chordCycle(rig, block, 16, 8, 40 + block % 80);
            if (block % 64 == 32) rig.add(3, 0xE0, 0, 80);  // a pitch bend
            if (block % 64 == 40) rig.add(5, 0xB0, 1, 64);  // the modulation wheel
            rig.process(kBlock);
        }
    }
    result.figure("blocks counted", blocks);
    result.figure("allocations", static_cast<double>(rig.allocations()));
    if (rig.allocations() > 0)
        result.fail(std::to_string(rig.allocations()) + " allocations on the audio thread in " + std::to_string(blocks) +
                    " blocks of steady state");
}

void timingBlocks(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    Rig rig(*plugin, subject.watch());
    const int blocks = subject.times(800);
    std::vector<double> seconds;
    seconds.reserve(static_cast<std::size_t>(blocks));
    for (int block = 0; block < blocks; ++block) {
        chordCycle(rig, block, 32, 24);
        rig.process(kBlock);
        seconds.push_back(rig.lastBlockSeconds());
    }
    std::sort(seconds.begin(), seconds.end());
    const double budget = kBlock / kRate;
    const double median = seconds[seconds.size() / 2], worst = seconds.back();
    result.figure("blocks of 512 at 44.1 kHz", blocks);
    result.figure("median block (ms)", median * 1e3);
    result.figure("worst block (ms)", worst * 1e3);
    result.figure("median share of the block's time", median / budget);
}

void audioFinite(Subject& subject, CheckResult& result) {
    const AudioWatch& watch = subject.watch();
    result.figure("blocks watched", static_cast<double>(watch.blocks));
    if (watch.nonFinite > 0)
        result.fail(std::to_string(watch.nonFinite) + " samples not finite; the first: " + watch.firstNonFinite);
}

void audioGuardZones(Subject& subject, CheckResult& result) {
    const AudioWatch& watch = subject.watch();
    result.figure("blocks watched", static_cast<double>(watch.blocks));
    if (watch.guardWrites > 0)
        result.fail(std::to_string(watch.guardWrites) + " writes outside the buffers; the first: " + watch.firstGuardWrite);
}

}  // namespace vexlo::host::validate
