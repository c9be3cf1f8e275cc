// Linux only: Vexlo VM hosting real plug-ins that nobody here wrote, from Debian's packages.
#include <gtest/gtest.h>

#include <cmath>

#include "host/wav_writer.h"
#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"
#include "tests/support/debian_plugins.h"

using namespace vexlo::test;

namespace {

const char* kTrigger = "/usr/lib/vst/lsp-plugins/trigger-midi-stereo.so";

// Renders blocks and keeps both channels.
std::vector<float> renderBlocks(ManagerRig& rig, int blocks, std::vector<float>* rightOut = nullptr) {
    std::vector<float> left;
    for (int b = 0; b < blocks; ++b) {
        rig.process();
        left.insert(left.end(), rig.left.begin(), rig.left.begin() + 256);
        if (rightOut) rightOut->insert(rightOut->end(), rig.right.begin(), rig.right.begin() + 256);
    }
    return left;
}

bool cleanSignal(const std::vector<float>& samples) {
    for (float s : samples)
        if (!std::isfinite(s) || std::fpclassify(s) == FP_SUBNORMAL) return false;
    return true;
}

TEST(RealManager, KarsPlaysItsMonoSignalOnBothChannelsAtEveryFactor) {
    for (float factorValue : {0.0f, 0.25f, 0.5f, 1.0f}) {  // factors 1, 2, 4 and 8
        ManagerRig rig(256);
        rig.manager->loadInstrument(kKars, false, -1);
        ASSERT_NE(rig.instrument(), nullptr) << (rig.script.messages.empty() ? "" : rig.script.messages[0].caption);
        EXPECT_EQ(rig.instrument()->numOutputs, 1);
        rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, factorValue);
        rig.send({note(57)});
        std::vector<float> right;
        std::vector<float> left = renderBlocks(rig, 40, &right);
        EXPECT_EQ(left, right) << factorValue;
        EXPECT_TRUE(cleanSignal(left)) << factorValue;
        EXPECT_GT(vexlo::host::measure(left).rms, 0.005) << factorValue;
    }
}

// amsynth stops the process when told a rate above 192 kHz, so factor 8 at 44.1 kHz is not for it.
TEST(RealManager, AmsynthBehindTheArpeggiatorPlaysAtFactorsOneToFour) {
    for (float factorValue : {0.0f, 0.25f, 0.5f}) {  // factors 1, 2 and 4
        ManagerRig rig(256);
        rig.manager->loadInstrument(kAmsynth, false, -1);  // it answers 0 ("don't know") to receiveVstEvents
        ASSERT_NE(rig.instrument(), nullptr);
        EXPECT_EQ(rig.instrument()->numOutputs, 2);
        rig.loadMidi("Vexlo ARP MIDI", 0);
        ASSERT_NE(rig.manager->getMidiSlot(0), nullptr);
        AEffect* arp = rig.manager->getMidiSlot(0);
        arp->setParameter(arp, 0, 6.0f);  // 1/128 (Half): many short notes
        rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, factorValue);
        rig.send({note(60), note(64), note(67)});
        std::vector<float> right;
        std::vector<float> left = renderBlocks(rig, 120, &right);
        EXPECT_TRUE(cleanSignal(left) && cleanSignal(right)) << factorValue;
        EXPECT_GT(vexlo::host::measure(left).rms, 0.001) << factorValue;
        EXPECT_NE(left, right) << factorValue;  // a stereo instrument
    }
}

// In a process of its own, amsynth's stop at factor 8 takes only that process down: Vexlo VM
// plays silence and says so, and back at factor 1 amsynth starts again with its edited sound.
TEST(RealManager, AmsynthInItsOwnProcessSurvivesFactorEightAndComesBackWithItsSound) {
    ManagerRig rig(256);
    rig.manager->loadInstrument(kAmsynth, false, -1);
    ASSERT_NE(rig.instrument(), nullptr);
    rig.manager->setOwnProcess(0, true);
    ASSERT_TRUE(rig.manager->instrumentChild().inOwnProcess());
    const int cutoff = VstManager::kOwnParameters + 9;
    rig.manager->setParameter(cutoff, 0.25f);
    const float edited = rig.manager->getParameter(cutoff);
    AEffect* vm = rig.plugin->effect();
    vm->setParameter(vm, 0, 1.0f);  // factor 8
    EXPECT_TRUE(rig.manager->instrumentChild().failed());
    rig.send({note(60)});
    EXPECT_EQ(vexlo::host::measure(renderBlocks(rig, 20)).peak, 0.0);
    rig.manager->tellFailures();
    ASSERT_EQ(rig.script.messages.size(), 1u);
    EXPECT_EQ(rig.script.messages[0].text, "amsynth_vst crashed: its last state is kept. Choose Reload to start it again.");
    vm->setParameter(vm, 0, 0.0f);  // factor 1: a fresh process
    ASSERT_FALSE(rig.manager->instrumentChild().failed());
    EXPECT_FLOAT_EQ(rig.manager->getParameter(cutoff), edited);
    rig.send({note(60)});
    EXPECT_GT(vexlo::host::measure(renderBlocks(rig, 40)).rms, 0.001);
}

// amsynth complains of every event without a status byte ("bad status byte: 00"). Behind the
// key-switch (whose low keys are used up) and the arpeggiator (which uses up every note), it
// hears only events it can use.
TEST(RealManager, AmsynthHearsNoUsedUpEventsFromTheMidiSlots) {
    ManagerRig rig(256);
    rig.manager->loadInstrument(kAmsynth, false, -1);
    ASSERT_NE(rig.instrument(), nullptr);
    rig.loadMidi("Vexlo Key-Switch MIDI", 0);
    rig.loadMidi("Vexlo ARP MIDI", 1);
    ASSERT_NE(rig.manager->getMidiSlot(1), nullptr);
    testing::internal::CaptureStderr();
    rig.send({note(36), note(60), note(64), controller(7, 100)});
    renderBlocks(rig, 40);
    rig.send({noteOff(36), noteOff(60), noteOff(64), note(30)});
    std::vector<float> right;
    const std::vector<float> left = renderBlocks(rig, 40, &right);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("bad status"), std::string::npos) << said;
}

TEST(RealManager, LspTriggerMidiIsAMidiSlot) {
    ManagerRig rig(256);
    rig.loadInstrument("probe-listener");  // no inputs of its own: the MIDI slot hears the host's input
    rig.manager->loadMidiEffect(kTrigger, 0);
    ASSERT_NE(rig.manager->getMidiSlot(0), nullptr) << (rig.script.messages.empty() ? "" : rig.script.messages[0].caption);
    EXPECT_EQ(rig.manager->getMidiSlotName(0), "trigger-midi-stereo");
    // Loud input makes it emit notes from inside its processing; they reach the instrument.
    for (int b = 0; b < 200; ++b) {
        for (int i = 0; i < 256; ++i) rig.inLeft[i] = rig.inRight[i] = (b % 20 < 2) ? ((i % 8) < 4 ? 0.9f : -0.9f) : 0.0f;
        rig.process();
    }
    EXPECT_GT(ManagerRig::ask(rig.instrument(), kAskEventCount), 0);
}

TEST(RealManager, AnEditedAmsynthSoundSurvivesASaveAndARestore) {
    ManagerRig first(256);
    first.manager->loadInstrument(kAmsynth, false, -1);
    AEffect* synth = first.instrument();
    ASSERT_NE(synth, nullptr);
    synth->setParameter(synth, 0, 0.5f);  // the attack, away from every factory sound
    const float edited = synth->getParameter(synth, 0);
    const auto saved = first.chunk();

    ManagerRig second(256, first.folder.path());
    ASSERT_EQ(second.restore(saved), 1);
    AEffect* restored = second.instrument();
    ASSERT_NE(restored, nullptr);
    EXPECT_NEAR(restored->getParameter(restored, 0), edited, 1e-3);
    EXPECT_EQ(second.chunk(), second.chunk());
}

}  // namespace
