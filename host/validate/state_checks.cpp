// State as hosts keep it: taken from one instance, restored into a fresh one, and the other way
// round; and chunks that were cut short or are garbage, which must not bring the plug-in down.
#include <algorithm>
#include <cmath>
#include <random>

#include "host/validate/checks.h"

namespace vexlo::host::validate {

namespace {

using Bytes = std::vector<unsigned char>;

Bytes chunkOf(Plugin& plugin, VstInt32 index) {
    const auto chunk = plugin.child().getChunk(index);
    return Bytes(chunk.data, chunk.data + chunk.size);
}

bool takesChunks(Plugin& plugin) { return plugin.child().hasFlag(effFlagsProgramChunks); }

// Moves the instance away from its defaults, so that a restore has something to restore.
void leaveDefaults(Plugin& plugin) {
    if (plugin.effect()->numPrograms > 1) plugin.child().setProgram(plugin.effect()->numPrograms - 1);
}

std::vector<float> parameters(Plugin& plugin) {
    std::vector<float> values;
    for (VstInt32 i = 0; i < std::min(plugin.effect()->numParams, 2000); ++i)
        values.push_back(plugin.child().getParameter(i));
    return values;
}

// A chord played for half a second and released for half a second.
std::vector<float> chordRender(Plugin& plugin, AudioWatch& watch) {
    Rig rig(plugin, watch);
    playChord(rig);
    auto held = renderSeconds(rig, 0.5);
    releaseChord(rig);
    auto released = renderSeconds(rig, 0.5);
    held.insert(held.end(), released.begin(), released.end());
    return held;
}

// How far apart two renders are: 0 when equal to the sample; else the largest difference, in
// dB, of their loudness over windows of 4,096 frames that are louder than -60 dB. Synthesizers
// with free-running noise or random phases never repeat a render exactly but sound the same.
double renderDistance(const std::vector<float>& a, const std::vector<float>& b, bool* exact) {
    *exact = a.size() == b.size() &&
             std::equal(a.begin(), a.end(), b.begin(), [](float x, float y) { return x == y || (x != x && y != y); });
    if (*exact) return 0.0;
    if (a.size() != b.size()) return 1e9;
    double worst = 0;
    constexpr std::size_t kWindow = 8192;  // two channels interleaved by block
    for (std::size_t start = 0; start + kWindow <= a.size(); start += kWindow) {
        double energyA = 0, energyB = 0;
        for (std::size_t i = start; i < start + kWindow; ++i) {
            if (std::isfinite(a[i])) energyA += double(a[i]) * a[i];
            if (std::isfinite(b[i])) energyB += double(b[i]) * b[i];
        }
        const double floor = 1e-6 * kWindow;  // -60 dB
        if (energyA < floor && energyB < floor) continue;
        worst = std::max(worst, std::fabs(10.0 * std::log10((energyA + 1e-30) / (energyB + 1e-30))));
    }
    return worst;
}

}  // namespace

void stateRoundTrip(Subject& subject, CheckResult& result) {
    std::string error;
    auto original = subject.running(&error);
    if (!original) return result.fail(error);
    leaveDefaults(*original);
    if (!takesChunks(*original)) {
        const auto values = parameters(*original);
        auto fresh = subject.running(&error);
        if (!fresh) return result.fail(error);
        for (std::size_t i = 0; i < values.size(); ++i) fresh->child().setParameter(static_cast<VstInt32>(i), values[i]);
        const auto back = parameters(*fresh);
        for (std::size_t i = 0; i < values.size(); ++i)
            if (std::fabs(back[i] - values[i]) > 1e-5f)
                result.fail("parameter " + std::to_string(i) + " restored as " + std::to_string(back[i]) + ", saved " +
                            std::to_string(values[i]));
        result.figure("state", "parameters only");
        return;
    }
    for (VstInt32 index : {0, 1}) {
        const char* what = index == 0 ? "bank" : "program";
        // Three generations: saved, restored and saved again, restored and saved once more. Some
        // instruments settle once on the first restore (a default they fill in); from then on
        // the bytes must hold.
        std::vector<Bytes> generations{chunkOf(*original, index)};
        if (generations[0].empty()) {
            if (index == 0) result.fail("the plug-in says it keeps its state in chunks but hands over none");
            else result.figure("program chunk", "none");
            continue;
        }
        for (int step = 0; step < 2; ++step) {
            auto fresh = subject.running(&error);
            if (!fresh) return result.fail(error);
            fresh->child().suspend();
            fresh->child().setChunk(generations.back(), index);
            fresh->child().resume();
            generations.push_back(chunkOf(*fresh, index));
        }
        result.figure(std::string(what) + " chunk bytes", static_cast<double>(generations[0].size()));
        if (generations[0] == generations[1]) continue;
        if (generations[1] == generations[2]) {
            result.figure(std::string(what) + " chunk", "settles on the first round trip");
            continue;
        }
        result.fail(std::string("the ") + what + " chunk changes on every round trip (" +
                    std::to_string(generations[0].size()) + ", " + std::to_string(generations[1].size()) + ", " +
                    std::to_string(generations[2].size()) + " bytes)");
    }
}

void stateRenders(Subject& subject, CheckResult& result) {
    std::string error;
    // Both instances get their state while suspended, as a host loading a session does, so
    // that neither glides there from its defaults while it plays.
    auto original = subject.instance(&error);
    if (!original) return result.fail(error);
    if (original->effect()->numOutputs == 0) return result.skip("no audio outputs");
    leaveDefaults(*original);
    original->start();
    const bool chunks = takesChunks(*original);
    const Bytes chunk = chunks ? chunkOf(*original, 0) : Bytes();
    const auto values = parameters(*original);
    const auto before = chordRender(*original, subject.watch());

    auto restored = subject.instance(&error);
    if (!restored) return result.fail(error);
    if (chunks && !chunk.empty()) {
        restored->child().setChunk(chunk);
    } else {
        if (original->effect()->numPrograms > 1) restored->child().setProgram(original->child().program());
        for (std::size_t i = 0; i < values.size(); ++i) restored->child().setParameter(static_cast<VstInt32>(i), values[i]);
    }
    restored->start();
    const auto after = chordRender(*restored, subject.watch());
    bool exact = false;
    const double distance = renderDistance(before, after, &exact);
    result.figure("renders", exact ? "equal to the sample" : "differ");
    if (exact) return;
    result.figure("largest loudness difference (dB)", distance);
    // Some plug-ins never play the same twice in one process (noise from a random generator
    // they share between instances): a third instance set up as the first shows how far apart
    // two renders are without any restore, and the restore is judged against that.
    auto again = subject.instance(&error);
    if (!again) return result.fail(error);
    leaveDefaults(*again);
    again->start();
    bool repeatable = false;
    const double spread = renderDistance(before, chordRender(*again, subject.watch()), &repeatable);
    result.figure("spread without a restore (dB)", spread);
    if (distance > 1.0 + 2.0 * spread)
        result.fail("the restored instance sounds different (" + std::to_string(distance) + " dB apart, " +
                    std::to_string(spread) + " dB without a restore)");
}

void stateBadChunks(Subject& subject, CheckResult& result) {
    std::string error;
    auto original = subject.running(&error);
    if (!original) return result.fail(error);
    if (!takesChunks(*original)) return result.skip("the plug-in keeps no chunks");
    const Bytes good = chunkOf(*original, 0);
    std::mt19937 random(41);
    std::vector<Bytes> bad;
    for (std::size_t size : {good.size() / 2, good.size() > 1 ? good.size() - 1 : 0, std::size_t{1}, std::size_t{4}})
        if (size > 0 && size < good.size()) bad.emplace_back(good.begin(), good.begin() + static_cast<long>(size));
    for (std::size_t size : {good.size(), std::size_t{64}, std::size_t{4096}}) {
        Bytes garbage(size);
        for (auto& byte : garbage) byte = static_cast<unsigned char>(random());
        bad.push_back(garbage);
    }
    bad.push_back(Bytes(std::max<std::size_t>(good.size(), 16), 0xFF));
    bad.push_back(Bytes(std::max<std::size_t>(good.size(), 16), 0x00));
    // The good chunk with bytes flipped here and there: a file damaged on disk.
    for (int copy = 0; copy < subject.times(10); ++copy) {
        Bytes damaged = good;
        for (int flip = 0; flip < 4 && !damaged.empty(); ++flip)
            damaged[random() % damaged.size()] ^= static_cast<unsigned char>(1u << (random() % 8));
        bad.push_back(damaged);
    }
    for (const Bytes& chunk : bad) {
        auto fresh = subject.running(&error);
        if (!fresh) return result.fail(error);
        fresh->child().restoreChunk(chunk, static_cast<float>(kRate));
        Rig rig(*fresh, subject.watch());
        playChord(rig);
        rig.process(kBlock);
        releaseChord(rig);
        rig.process(kBlock);
        chunkOf(*fresh, 0);
    }
    result.figure("bad chunks handed over", static_cast<double>(bad.size()));
}

}  // namespace vexlo::host::validate
