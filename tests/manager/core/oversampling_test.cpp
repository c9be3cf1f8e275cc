// Vexlo VM's oversampling as a host meets it: the quality parameter, the latency it reports, an
// instrument restarted at its new rate with everything it had, and Classic's sound kept.
#include <gtest/gtest.h>

#include <cmath>

#include "manager/core/resampler.h"
#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"

using namespace vexlo::test;
using vexlo::manager::Oversampler;

namespace {

constexpr float kFactorValue[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};  // 1, 2, 4, 6, 8

void setOwn(ManagerRig& rig, VstInt32 index, float value) {
    AEffect* e = rig.plugin->effect();
    e->setParameter(e, index, value);
}

std::string display(ManagerRig& rig, VstInt32 opcode, VstInt32 index) {
    char text[256] = {};
    rig.plugin->dispatch(opcode, index, 0, text);
    return text;
}

// The pitch of a sine from its rising zero crossings.
double pitchOf(ManagerRig& rig, int blocks) {
    int crossings = 0;
    float last = 0.0f;
    long first = -1, lastCrossing = 0, at = 0;
    for (int b = 0; b < blocks; ++b) {
        rig.process();
        for (int i = 0; i < 64; ++i, ++at) {
            const float s = rig.left[static_cast<std::size_t>(i)];
            if (last < 0.0f && s >= 0.0f) {
                if (first < 0) first = at;
                else ++crossings;
                lastCrossing = at;
            }
            last = s;
        }
    }
    return crossings > 0 ? 44100.0 * crossings / static_cast<double>(lastCrossing - first) : 0.0;
}

std::vector<unsigned char> instrumentChunk(AEffect* child) {
    void* data = nullptr;
    const VstIntPtr size = child->dispatcher(child, effGetChunk, 0, 0, &data, 0.0f);
    auto* bytes = static_cast<unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

std::string programName(AEffect* child) {
    char name[256] = {};
    child->dispatcher(child, effGetProgramName, 0, 0, name, 0.0f);
    return name;
}

}  // namespace

TEST(Oversampling, QualityIsParameterOneAndTravelsInTheState) {
    ManagerRig rig;
    EXPECT_EQ(display(rig, effGetParamName, 1), "Quality");
    EXPECT_EQ(display(rig, effGetParamDisplay, 1), "Classic");
    EXPECT_EQ(rig.manager->getOversamplingQuality(), Oversampler::Quality::classic);
    setOwn(rig, 1, 1.0f);
    EXPECT_EQ(display(rig, effGetParamDisplay, 1), "High");
    rig.loadInstrument("test-synth");
    setOwn(rig, 0, 0.5f);
    EXPECT_EQ(rig.manager->getAppliedQuality(), Oversampler::Quality::high);
    const auto saved = rig.chunk();

    ManagerRig other(64, rig.folder.path());
    ASSERT_EQ(other.restore(saved), 1);
    EXPECT_EQ(other.manager->getAppliedFactor(), 4);
    EXPECT_EQ(other.manager->getAppliedQuality(), Oversampler::Quality::high);
    EXPECT_EQ(other.plugin->effect()->initialDelay, 38);
    setOwn(other, 1, 0.0f);
    EXPECT_EQ(other.manager->getAppliedQuality(), Oversampler::Quality::classic);
}

TEST(Oversampling, TheHostLearnsTheLatencyOfTheHighQualityWayBack) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    AEffect* e = rig.plugin->effect();
    setOwn(rig, 1, 1.0f);
    EXPECT_EQ(e->initialDelay, 0);  // at factor 1 nothing is resampled
    const std::pair<int, VstInt32> expected[] = {{1, 35}, {2, 38}, {4, 39}, {3, 38}};
    for (auto [choice, delay] : expected) {
        rig.plugin->calls().clear();
        rig.plugin->setRecordCalls(true);
        setOwn(rig, 0, kFactorValue[choice]);
        rig.plugin->setRecordCalls(false);
        EXPECT_EQ(e->initialDelay, delay) << choice;
        bool told = false;
        for (const auto& call : rig.plugin->calls()) told = told || call.opcode == audioMasterIOChanged;
        EXPECT_TRUE(told) << choice;
    }
    setOwn(rig, 1, 0.0f);
    EXPECT_EQ(e->initialDelay, 0);
    setOwn(rig, 1, 1.0f);
    EXPECT_EQ(e->initialDelay, 38);
    // With nothing to play there is nothing to delay.
    ManagerRig empty;
    setOwn(empty, 1, 1.0f);
    setOwn(empty, 0, 1.0f);
    EXPECT_EQ(empty.plugin->effect()->initialDelay, 0);
}

TEST(Oversampling, AnInstrumentThatTakesItsRateWhenItOpensKeepsItsPitchAtEveryFactor) {
    for (float quality : {0.0f, 1.0f}) {
        ManagerRig rig;
        rig.loadInstrument("test-rate-at-open");
        setOwn(rig, 1, quality);
        rig.send({note(69)});
        EXPECT_NEAR(pitchOf(rig, 200), 440.0, 2.0);
        for (int choice : {1, 2, 4, 3, 0}) {
            setOwn(rig, 0, kFactorValue[choice]);
            rig.process();  // the way back's own start
            // Held through the change: the note plays on without being struck again.
            EXPECT_NEAR(pitchOf(rig, 200), 440.0, 2.0) << choice << " quality " << quality;
        }
    }
}

TEST(Oversampling, AFactorChangeCarriesTheWholeStateOver) {
    {  // An instrument with a chunk: its chunk and its program.
        ManagerRig rig;
        rig.loadInstrument("test-synth");
        AEffect* synth = rig.instrument();
        synth->setParameter(synth, 1, 0.125f);
        rig.plugin->dispatch(effSetProgram, 0, 2);
        char name[] = "Edited";
        synth->dispatcher(synth, effSetProgramName, 0, 0, name, 0.0f);
        const auto before = instrumentChunk(synth);
        setOwn(rig, 0, 1.0f);
        AEffect* restarted = rig.instrument();
        EXPECT_EQ(instrumentChunk(restarted), before);
        EXPECT_EQ(restarted->dispatcher(restarted, effGetProgram, 0, 0, nullptr, 0.0f), 2);
        EXPECT_EQ(programName(restarted), "Edited");
    }
    {  // One without: every program's parameters and name.
        ManagerRig rig;
        rig.loadInstrument("test-dump");  // 128 programs of 10 parameters
        AEffect* synth = rig.instrument();
        for (int p : {0, 5, 127}) {
            synth->dispatcher(synth, effSetProgram, 0, p, nullptr, 0.0f);
            for (int j = 0; j < 10; ++j) synth->setParameter(synth, j, static_cast<float>(p + j) / 200.0f);
            std::string name = "Sound " + std::to_string(p);
            synth->dispatcher(synth, effSetProgramName, 0, 0, name.data(), 0.0f);
        }
        auto everything = [](AEffect* child) {
            std::vector<std::string> all;
            const VstIntPtr current = child->dispatcher(child, effGetProgram, 0, 0, nullptr, 0.0f);
            for (int p = 0; p < 128; ++p) {
                child->dispatcher(child, effSetProgram, 0, p, nullptr, 0.0f);
                std::string line = programName(child);
                for (int j = 0; j < 10; ++j) line += " " + std::to_string(child->getParameter(child, j));
                all.push_back(line);
            }
            child->dispatcher(child, effSetProgram, 0, current, nullptr, 0.0f);
            return all;
        };
        rig.plugin->dispatch(effSetProgram, 0, 5);
        const auto before = everything(synth);
        EXPECT_EQ(before[127].substr(0, 9), "Sound 127");
        setOwn(rig, 0, 0.25f);
        AEffect* restarted = rig.instrument();
        EXPECT_EQ(restarted->dispatcher(restarted, effGetProgram, 0, 0, nullptr, 0.0f), 5);
        EXPECT_EQ(everything(restarted), before);
    }
}

TEST(Oversampling, AnInstrumentRestartedAtItsNewRateHearsTheNotesStillHeld) {
    ManagerRig rig;
    rig.loadInstrument("probe-instrument");
    rig.send({note(60, 90, 3), note(64), noteOff(64)});
    setOwn(rig, 0, 0.5f);
    EXPECT_EQ(ManagerRig::ask(rig.instrument(), kAskToldRate), 4 * 44100);
    EXPECT_EQ(rig.receivedByProbe(), (std::vector<int>{probeEvent(0, 0x93, 60)}));
    // Only a new rate restarts it: the same factor, or a new block size, does not.
    AEffect* running = rig.instrument();
    setOwn(rig, 0, 0.6f);
    rig.plugin->dispatch(effSetBlockSize, 0, 128);
    EXPECT_EQ(rig.instrument(), running);
    EXPECT_EQ(ManagerRig::ask(running, kAskToldBlock), 4 * 128);
}

TEST(Oversampling, ClassicQualityIsTheRepeatAndAverageOfOld) {
    // The test synth through Vexlo VM at factor 4 against the same synth played at four times the
    // rate by hand, decimated by the averaging filter: the same samples, bit for bit.
    ManagerRig rig;
    setOwn(rig, 0, 0.5f);
    rig.loadInstrument("test-synth");
    rig.send({note(81)});
    std::vector<float> throughVm;
    for (int b = 0; b < 20; ++b) {
        rig.process();
        throughVm.insert(throughVm.end(), rig.left.begin(), rig.left.begin() + 64);
    }

    vexlo::host::HostContext context(4 * 44100.0, 4 * 64, 120.0);
    std::string error;
    auto synth = vexlo::host::Plugin::load(pluginPath("test-synth"), context, &error);
    ASSERT_TRUE(synth) << error;
    synth->start();
    std::vector<vexlo::host::MidiEvent> events{note(81)};
    std::vector<char> storage;
    synth->processEvents(vexlo::host::buildEventList(events, storage));
    std::vector<float> high(4 * 64), highRight(4 * 64), byHand;
    float state = 0.0f;
    for (int b = 0; b < 20; ++b) {
        std::fill(high.begin(), high.end(), 0.0f);  // the host's silent input, repeated
        std::fill(highRight.begin(), highRight.end(), 0.0f);
        float* io[2] = {high.data(), highRight.data()};
        synth->process(io, io, 4 * 64);
        std::vector<float> out(64);
        vexlo::manager::decimate(high.data(), 64, 4, state, out.data());
        byHand.insert(byHand.end(), out.begin(), out.end());
    }
    EXPECT_EQ(throughVm, byHand);
}
