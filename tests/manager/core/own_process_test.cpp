// Vexlo VM with a child in a process of its own: the same sound as in process, the choice kept
// for the plug-in in every song, and a child that crashes there leaving the song with its last
// state, told once, and back with Reload.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"

using namespace vexlo::test;

namespace {

constexpr int kFaultyParameter = VstManager::kOwnParameters + 1;

// Blocks played one after another: the left channel.
std::vector<float> play(ManagerRig& rig, int blocks) {
    std::vector<float> samples;
    for (int b = 0; b < blocks; ++b) {
        rig.process();
        samples.insert(samples.end(), rig.left.begin(), rig.left.begin() + 64);
    }
    return samples;
}


}  // namespace

TEST(OwnProcess, AnInstrumentChosenForItsOwnProcessPlaysThereAsItDoesHereAndStaysThere) {
    ManagerRig here, there;
    here.loadInstrument("test-synth");
    there.loadInstrument("test-synth");
    there.manager->setParameter(kFaultyParameter, 0.375f);
    there.manager->setOwnProcess(0, true);
    ASSERT_TRUE(there.manager->instrumentChild().inOwnProcess());
    EXPECT_TRUE(there.manager->ownProcess(0));
    // Started again there with its state.
    EXPECT_FLOAT_EQ(there.manager->getParameter(kFaultyParameter), 0.375f);
    here.manager->setParameter(kFaultyParameter, 0.375f);
    for (ManagerRig* rig : {&here, &there}) rig->send({note(60), note(64, 90)});
    const auto expected = play(here, 30);
    ASSERT_GT(peakBetween(expected, 0, expected.size()), 0.05f);
    EXPECT_EQ(play(there, 30), expected);

    // Another Vexlo VM with the same settings starts the plug-in there, loaded or restored.
    ManagerRig again(64, there.folder.path());
    again.loadInstrument("test-synth");
    EXPECT_TRUE(again.manager->instrumentChild().inOwnProcess());
    ManagerRig restored(64, there.folder.path());
    ASSERT_EQ(restored.restore(there.chunk()), 1);
    EXPECT_TRUE(restored.manager->instrumentChild().inOwnProcess());
    EXPECT_EQ(restored.chunk(), there.chunk());
    // And back into the host's process.
    there.manager->setOwnProcess(0, false);
    EXPECT_FALSE(there.manager->instrumentChild().inOwnProcess());
    EXPECT_FLOAT_EQ(there.manager->getParameter(kFaultyParameter), 0.375f);
}

TEST(OwnProcess, AnInstrumentThatCrashesThereLeavesTheSongItsLastStateAndComesBackWithReload) {
    for (const char* name : {"test-faulty-write", "test-faulty-hang"}) {
        ManagerRig rig;
        rig.loadInstrument(name);
        rig.manager->setOwnProcess(0, true);
        rig.manager->setParameter(kFaultyParameter, 0.375f);
        const auto saved = rig.chunk();
        rig.send({note(64)});
        const auto samples = play(rig, 150);
        EXPECT_GT(peakBetween(samples, 0, 99 * 64), 0.05f) << name;
        EXPECT_EQ(peakBetween(samples, 100 * 64, samples.size()), 0.0f) << name;
        ASSERT_TRUE(rig.manager->instrumentChild().failed()) << name;
        // A song saved now names the instrument with the state it had.
        EXPECT_EQ(rig.chunk(), saved) << name;
        // Told once.
        rig.manager->tellFailures();
        rig.manager->tellFailures();
        ASSERT_EQ(rig.script.messages.size(), 1u) << name;
        EXPECT_EQ(rig.script.messages[0].text,
                  std::string(name) + " crashed: its last state is kept. Choose Reload to start it again.");
        // Reload: the same plug-in, its state, its sound.
        rig.manager->reloadFailed();
        ASSERT_FALSE(rig.manager->instrumentChild().failed()) << name;
        EXPECT_TRUE(rig.manager->instrumentChild().inOwnProcess()) << name;
        EXPECT_FLOAT_EQ(rig.manager->getParameter(kFaultyParameter), 0.375f) << name;
        rig.send({note(67)});
        EXPECT_GT(peakBetween(play(rig, 20), 0, 20 * 64), 0.05f) << name;
    }
}
