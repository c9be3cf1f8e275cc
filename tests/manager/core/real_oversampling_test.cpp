// Linux only: Vexlo VM's oversampling with Debian's instruments. How much aliasing each factor
// and quality leaves below 20 kHz, and instruments switched to another factor while they play
// keep their pitch and their state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"
#include "tests/support/spectrum.h"
#include "tests/support/debian_plugins.h"

using namespace vexlo::test;

namespace {


constexpr float kFactorValue[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};  // 1, 2, 4, 6, 8
constexpr int kBlock = 256;

void setOwn(ManagerRig& rig, VstInt32 index, float value) {
    AEffect* e = rig.plugin->effect();
    e->setParameter(e, index, value);
}

std::string parameterDisplay(AEffect* child, VstInt32 index) {
    char text[256] = {};
    child->dispatcher(child, effGetParamDisplay, index, 0, text, 0.0f);
    return text;
}

// Nekobi at its brightest: the saw (every harmonic, falling as 1/k, though its display calls
// it "Triangle") with the filter open and no resonance.
void brightNekobi(AEffect* nekobi) {
    nekobi->setParameter(nekobi, 0, 1.0f);
    ASSERT_EQ(parameterDisplay(nekobi, 0), "Triangle");
    nekobi->setParameter(nekobi, 2, 1.0f);  // cutoff
    nekobi->setParameter(nekobi, 3, 0.0f);  // resonance
}

std::vector<float> render(ManagerRig& rig, int samples) {
    std::vector<float> left;
    while (static_cast<int>(left.size()) < samples) {
        rig.process();
        left.insert(left.end(), rig.left.begin(), rig.left.begin() + kBlock);
    }
    left.resize(static_cast<std::size_t>(samples));
    return left;
}

// Nekobi's note 96 through Vexlo VM with the factor and quality set before it starts.
double nekobiAliasing(int choice, float quality) {
    ManagerRig rig(kBlock);
    setOwn(rig, 0, kFactorValue[choice]);
    setOwn(rig, 1, quality);
    rig.manager->loadInstrument(kNekobi, false, -1);
    EXPECT_NE(rig.instrument(), nullptr);
    if (!rig.instrument()) return 0.0;
    brightNekobi(rig.instrument());
    rig.send({note(96)});
    render(rig, 8192);  // past the attack and the way back's own start
    return nonHarmonicDb(render(rig, 32768), 44100.0, 2093.0);
}

TEST(RealOversampling, HighQualityKeepsNekobisAliasingFarBelowWhatItMakesAtTheHostsRate) {
    const int choices[] = {0, 1, 2, 4};  // factors 1, 2, 4 and 8
    double db[2][5] = {};
    for (int quality = 0; quality < 2; ++quality)
        for (int choice : choices) {
            db[quality][choice] = nekobiAliasing(choice, static_cast<float>(quality));
            std::printf("aliasing below 20 kHz, factor %d, %s: %.1f dB\n", 1 << (choice == 4 ? 3 : choice),
                        quality ? "High" : "Classic", db[quality][choice]);
        }
    EXPECT_NEAR(db[1][0], db[0][0], 0.01);  // factor 1 is the instrument alone in both
    EXPECT_LT(db[1][2], db[1][0] - 10.0);
    EXPECT_LT(db[1][4], db[1][0] - 10.0);
    EXPECT_LT(db[1][1], db[1][0]);
    // What the classic filter lets through is more than the instrument alone makes.
    EXPECT_GT(db[0][4], db[0][0]);
}

// Everything a host would need to give an instrument its sound back.
std::vector<unsigned char> stateOf(AEffect* child) {
    if (child->flags & effFlagsProgramChunks) {
        void* data = nullptr;
        const VstIntPtr size = child->dispatcher(child, effGetChunk, 0, 0, &data, 0.0f);
        auto* bytes = static_cast<unsigned char*>(data);
        return std::vector<unsigned char>(bytes, bytes + size);
    }
    std::vector<unsigned char> values;
    for (VstInt32 j = 0; j < child->numParams; ++j) {
        const float value = child->getParameter(child, j);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
        values.insert(values.end(), bytes, bytes + sizeof(value));
    }
    return values;
}

void keepsPitchAndState(const char* path, std::initializer_list<int> choices, int settleBlocks) {
    ManagerRig rig(kBlock);
    rig.manager->loadInstrument(path, false, -1);
    ASSERT_NE(rig.instrument(), nullptr) << path;
    AEffect* child = rig.instrument();
    if (child->flags & effFlagsProgramChunks) {
        // Some instruments rewrite their chunk once on the first round trip; start from there.
        // amsynth reads its chunk's text up to a terminator it never counted: zeros after it.
        std::vector<unsigned char> first = stateOf(child);
        const auto size = static_cast<VstIntPtr>(first.size());
        first.resize(first.size() + 16, 0);
        child->dispatcher(child, effSetChunk, 0, size, first.data(), 0.0f);
    } else {
        setOwn(rig, VstManager::kOwnParameters + 1, 0.5f);  // away from its defaults, as a host sets it
    }
    const std::vector<unsigned char> state = stateOf(child);
    rig.send({note(69)});
    render(rig, settleBlocks * kBlock);
    const double pitch = peakFrequency(render(rig, 16384), 44100.0);
    ASSERT_GT(pitch, 100.0) << path;
    for (int choice : choices) {
        setOwn(rig, 0, kFactorValue[choice]);
        ASSERT_NE(rig.instrument(), nullptr) << path;
        EXPECT_EQ(stateOf(rig.instrument()), state) << path << " at choice " << choice;
        render(rig, settleBlocks * kBlock);
        EXPECT_NEAR(peakFrequency(render(rig, 16384), 44100.0) / pitch, 1.0, 0.01) << path << " at choice " << choice;
    }
}

TEST(RealOversampling, NekobiSwitchedWhilePlayingKeepsItsPitchAndItsParameters) {
    keepsPitchAndState(kNekobi, {1, 2, 4}, 8);
}

TEST(RealOversampling, ZynAddSubFXSwitchedWhilePlayingKeepsItsPitchAndItsChunk) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ZynAddSubFX's own threads race with each other";
#endif
    keepsPitchAndState(kZyn, {1, 2, 4}, 16);
}

// amsynth stops the process when told a rate above 192 kHz: factor 8 is not for it.
TEST(RealOversampling, AmsynthSwitchedWhilePlayingKeepsItsPitchAndItsChunk) {
    keepsPitchAndState(kAmsynth, {1, 2}, 16);
}

// A factor chosen after a restore sounds as the same factor set in the state: the restart
// brings every parameter back exactly, even one an instrument starts with at an inner value that
// no parameter value gives back (Nekobi reports its tuning as 0.5 at its start, and 0.5 set
// raises it by a major third).
void switchedAfterARestoreSoundsAsTheFactorInTheState(const char* path, std::initializer_list<int> choices) {
    ManagerRig first(kBlock);
    first.manager->loadInstrument(path, false, -1);
    ASSERT_NE(first.instrument(), nullptr) << path;
    const std::vector<unsigned char> saved = first.chunk();
    // The strongest partial of note 84 as a multiple of its fundamental (Kars' strongest is
    // now the first, now the second, as its noise falls); a detuned note is no whole multiple.
    auto play = [&](ManagerRig& rig) {
        rig.send({note(84)});
        render(rig, 16 * kBlock);
        const double ratio = peakFrequency(render(rig, 16384), 44100.0) / (440.0 * std::pow(2.0, (84 - 69) / 12.0));
        return ratio / std::max(1.0, std::round(ratio));
    };
    for (int choice : choices) {
        ManagerRig switched(kBlock, first.folder.path());
        ASSERT_EQ(switched.restore(saved), 1);
        setOwn(switched, 0, kFactorValue[choice]);
        ASSERT_NE(switched.instrument(), nullptr) << path;
        std::vector<unsigned char> withFactor = saved;
        std::memcpy(withFactor.data() + 10, &kFactorValue[choice], 4);  // parameter 0, after the magic
        ManagerRig inState(kBlock, first.folder.path());
        ASSERT_EQ(inState.restore(withFactor), 1);
        ASSERT_NE(inState.instrument(), nullptr) << path;
        EXPECT_EQ(switched.manager->getAppliedFactor(), inState.manager->getAppliedFactor());
        EXPECT_EQ(stateOf(switched.instrument()), stateOf(inState.instrument())) << path << " at choice " << choice;
        EXPECT_NEAR(play(switched), 1.0, 0.01) << path << " at choice " << choice;
        EXPECT_NEAR(play(inState), 1.0, 0.01) << path << " at choice " << choice;
    }
}

TEST(RealOversampling, NekobiAmsynthAndKarsSwitchedAfterARestoreSoundAsTheFactorInTheState) {
    switchedAfterARestoreSoundsAsTheFactorInTheState(kNekobi, {2, 4});
    switchedAfterARestoreSoundsAsTheFactorInTheState(kAmsynth, {1, 2});  // nothing above 192 kHz for amsynth
    switchedAfterARestoreSoundsAsTheFactorInTheState("/usr/lib/vst/Kars-vst.so", {2, 4});
}

}  // namespace
