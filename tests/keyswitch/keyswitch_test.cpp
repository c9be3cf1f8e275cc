// Vexlo Key-Switch MIDI, through its real library; learning through the engine the editor uses.
#include <gtest/gtest.h>

#include <cmath>

#include <cstring>

#include "keyswitch/keyswitch_effect.h"
#include "tests/support/midi_rig.h"

using vexlo::keyswitch::KeySwitchEffect;

using namespace vexlo::test;
using vexlo::host::MidiEvent;

namespace {

constexpr const char* kKeySwitch = "Vexlo Key-Switch MIDI";

// Which of the events the plug-in left alone. Those it used up stay blanked in the host's list
// and are never handed back: the host gets exactly the others.
std::vector<bool> passes(MidiRig& rig, std::vector<MidiEvent> events) {
    rig.send(std::move(events));
    std::vector<bool> out;
    std::size_t left = 0;
    for (const MidiEvent& e : rig.handedBack) {
        out.push_back(e.midiData[0] != 0);
        if (e.midiData[0] != 0) ++left;
    }
    EXPECT_EQ(rig.passed.size(), left);
    for (const MidiEvent& e : rig.passed) EXPECT_NE(e.midiData[0], 0);
    return out;
}

std::vector<unsigned char> chunkWith(float split, float switchKey) {
    std::vector<unsigned char> chunk(18, 0);
    std::memcpy(&chunk[10], &split, 4);
    std::memcpy(&chunk[14], &switchKey, 4);
    return chunk;
}

TEST(KeySwitch, DefaultsCloseTheGateForGoodWithAnyLowKey) {
    MidiRig rig(kKeySwitch);
    rig.setParameter(KeySwitchEffect::kSplit, 36.0f);
    EXPECT_EQ(passes(rig, {note(60), note(36)}), (std::vector<bool>{true, true}));
    // Key 35 is a switch key but not ours: the gate closes and the key is blanked.
    EXPECT_EQ(passes(rig, {note(35), note(60), noteOff(60), noteOff(35)}),
              (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(passes(rig, {note(36), note(100)}), (std::vector<bool>{false, false}));
}

TEST(KeySwitch, TheSwitchKeyOpensAndOtherLowKeysClose) {
    MidiRig rig(kKeySwitch);
    rig.setParameter(KeySwitchEffect::kSplit, 48.0f);
    rig.setParameter(KeySwitchEffect::kSwitch, 40.0f);
    EXPECT_EQ(passes(rig, {note(41), note(60)}), (std::vector<bool>{false, false}));
    EXPECT_EQ(passes(rig, {note(40), note(60), note(48)}), (std::vector<bool>{false, true, true}));
    // Velocity-zero note-ons are note-offs and pass; so do controllers below the split.
    EXPECT_EQ(passes(rig, {note(41, 0), controller(30, 5)}), (std::vector<bool>{true, true}));
    EXPECT_EQ(rig.passed[1].midiData[1], 30);
    EXPECT_EQ(rig.passed[0].deltaFrames, 0);
}

TEST(KeySwitch, NothingLeftToHandBackAnswersOneAndOtherwiseTheHostsAnswerComesBack) {
    MidiRig rig(kKeySwitch);
    EXPECT_EQ(rig.send({}), 1);
    EXPECT_EQ(rig.send({note(30)}), 1);  // a low key, used up
    EXPECT_TRUE(rig.passed.empty());
    rig.plugin->overrideAnswer(audioMasterProcessEvents, 5);
    EXPECT_EQ(rig.send({noteOff(30)}), 0);
}

std::unique_ptr<vexlo::host::Plugin> linkedKeySwitch(vexlo::host::HostContext& context) {
    std::string error;
    auto plugin = vexlo::host::Plugin::create(
        "keyswitch", [](audioMasterCallback master) { return (new KeySwitchEffect(master))->getAeffect(); },
        context, &error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

VstMidiEvent sendOne(vexlo::host::Plugin& plugin, const MidiEvent& event) {
    std::vector<MidiEvent> events{event};
    std::vector<char> storage;
    plugin.processEvents(vexlo::host::buildEventList(events, storage));
    return events[0];
}

TEST(KeySwitch, LearningTheSwitchKeyAboveTheSplitMovesTheSplit) {
    vexlo::host::HostContext context;
    auto plugin = linkedKeySwitch(context);
    auto* keys = static_cast<KeySwitchEffect*>(plugin->effect()->object);
    keys->setParameter(KeySwitchEffect::kSplit, 36.0f);
    keys->learnSwitch();
    VstMidiEvent learned = sendOne(*plugin, note(60));
    EXPECT_EQ(KeySwitchEffect::sharedSplitKey(), 61);
    EXPECT_EQ(keys->getSwitchKey(), 60);
    EXPECT_EQ(keys->getParameter(0), 61.0f);
    EXPECT_EQ(keys->getParameter(1), 60.0f);
    EXPECT_TRUE(keys->isGateOpen());
    EXPECT_EQ(learned.midiData[0], 0);  // the learned key is a switch key now
    EXPECT_NE(sendOne(*plugin, note(61)).midiData[0], 0);
}

TEST(KeySwitch, LearningTheSplitKeyLetsThatKeyThrough) {
    vexlo::host::HostContext context;
    auto plugin = linkedKeySwitch(context);
    auto* keys = static_cast<KeySwitchEffect*>(plugin->effect()->object);
    keys->learnSplit();
    EXPECT_EQ(static_cast<unsigned char>(sendOne(*plugin, noteOff(30)).midiData[0]), 0x80);  // not a key press
    EXPECT_EQ(static_cast<unsigned char>(sendOne(*plugin, note(48)).midiData[0]), 0x90);
    EXPECT_EQ(KeySwitchEffect::sharedSplitKey(), 48);
}

TEST(KeySwitch, TheSplitIsSharedByEveryInstanceOfTheLibrary) {
    MidiRig first(kKeySwitch), second(kKeySwitch);
    first.setParameter(KeySwitchEffect::kSplit, 48.0f);
    first.setParameter(KeySwitchEffect::kSwitch, 36.0f);
    second.setParameter(KeySwitchEffect::kSwitch, 37.0f);
    EXPECT_EQ(second.getParameter(KeySwitchEffect::kSplit), 36.0f);  // its own value stays

    passes(first, {note(36)});
    passes(second, {note(36)});
    EXPECT_EQ(passes(first, {note(60)}), (std::vector<bool>{true}));
    EXPECT_EQ(passes(second, {note(60)}), (std::vector<bool>{false}));
    passes(first, {note(37)});
    passes(second, {note(37)});
    EXPECT_EQ(passes(first, {note(60)}), (std::vector<bool>{false}));
    EXPECT_EQ(passes(second, {note(60)}), (std::vector<bool>{true}));

    // A state restored into one instance moves the split of both.
    auto chunk = chunkWith(60.0f, 37.0f);
    EXPECT_EQ(second.plugin->dispatch(effSetChunk, 0, 18, chunk.data()), 1);
    passes(first, {note(36)});
    EXPECT_EQ(passes(first, {note(60), note(59), note(60)}), (std::vector<bool>{true, false, false}));
}

TEST(KeySwitch, ParameterValuesBecomeKeysByTruncation) {
    vexlo::host::HostContext context;
    auto plugin = linkedKeySwitch(context);
    auto* keys = static_cast<KeySwitchEffect*>(plugin->effect()->object);
    keys->setParameter(KeySwitchEffect::kSplit, 0.7f);
    EXPECT_EQ(KeySwitchEffect::sharedSplitKey(), 0);
    keys->setParameter(KeySwitchEffect::kSplit, -3.9f);
    EXPECT_EQ(KeySwitchEffect::sharedSplitKey(), -3);
    EXPECT_NE(sendOne(*plugin, note(0)).midiData[0], 0);  // every key lies above a negative split
    keys->setParameter(KeySwitchEffect::kSplit, 1e30f);
    EXPECT_GT(KeySwitchEffect::sharedSplitKey(), 127);
    keys->setParameter(KeySwitchEffect::kSplit, 36.0f);
}

TEST(KeySwitch, ChunkRoundTripAndShortChunks) {
    MidiRig rig(kKeySwitch);
    rig.setParameter(0, 50.0f);
    rig.setParameter(1, 45.0f);
    void* data = nullptr;
    ASSERT_EQ(rig.plugin->dispatch(effGetChunk, 0, 0, &data), 18);
    std::vector<unsigned char> saved(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 18);
    EXPECT_EQ(saved, chunkWith(50.0f, 45.0f));

    MidiRig other(kKeySwitch);
    auto shortChunk = chunkWith(70.0f, 60.0f);
    EXPECT_EQ(other.plugin->dispatch(effSetChunk, 0, 17, shortChunk.data()), 0);
    EXPECT_EQ(other.plugin->dispatch(effSetChunk, 0, 18, nullptr), 0);
    EXPECT_EQ(other.getParameter(1), 36.0f);
    // Not ours (a header that is not ten zero bytes) or keys that are no keys: refused whole.
    auto foreign = chunkWith(70.0f, 60.0f);
    foreign[3] = 'X';
    std::vector<std::vector<unsigned char>> bad = {foreign, chunkWith(std::nanf(""), 60.0f), chunkWith(70.0f, 128.0f),
                                                   chunkWith(-1.0f, 60.0f), chunkWith(70.0f, INFINITY)};
    for (auto& chunk : bad) EXPECT_EQ(other.plugin->dispatch(effSetChunk, 0, 18, chunk.data()), 0);
    EXPECT_EQ(other.getParameter(1), 36.0f);
    EXPECT_EQ(other.plugin->dispatch(effSetChunk, 1, 18, saved.data()), 1);
    EXPECT_EQ(other.getParameter(0), 50.0f);
    EXPECT_EQ(other.getParameter(1), 45.0f);
}

TEST(KeySwitch, IdentityNamesAndDisplays) {
    MidiRig rig(kKeySwitch);
    AEffect* e = rig.effect();
    EXPECT_EQ(e->uniqueID, 0x4E6F4566);  // the frame's default
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 0);
    EXPECT_EQ(e->flags, effFlagsHasEditor | effFlagsIsSynth | effFlagsCanReplacing | effFlagsProgramChunks);
    EXPECT_EQ(rig.plugin->effectName(), "Zaz Ozevovore");
    EXPECT_EQ(rig.plugin->productString(), "Zaz Ozevovore");
    EXPECT_EQ(rig.plugin->vendorString(), "Vexloworks");
    EXPECT_EQ(rig.plugin->canDo("sendVstMidiEvent"), 1);
    EXPECT_EQ(rig.plugin->canDo("offline"), -1);
    EXPECT_EQ(rig.plugin->parameterName(0), "Split-NT");
    EXPECT_EQ(rig.plugin->parameterLabel(1), "SwitchNT");
    EXPECT_EQ(rig.plugin->parameterDisplay(1), "36.00000");
    EXPECT_EQ(rig.plugin->parameterDisplay(2), "    ");
    EXPECT_EQ(rig.getParameter(2), 0.0f);
}

}  // namespace
