// Vexlo ARP MIDI, driven through its real library as a host drives it.
#include <gtest/gtest.h>

#include <cmath>

#include <cstring>
#include <map>
#include <thread>

#include "arp/arp_effect.h"
#include "tests/support/midi_rig.h"

using vexlo::arp::ArpEffect;

using namespace vexlo::test;
using vexlo::host::MidiEvent;

namespace {

constexpr const char* kArp = "Vexlo ARP MIDI";
enum Mode { kUp = 0, kUp2Oct = 2, kUp3Oct = 3, kDown = 5, kDown1Oct = 6, kUpDown = 10, kUpDown1Oct = 11,
            kRandom1Oct = 16, kOrder = 20, kOrder1Oct = 21 };
constexpr float kFastestHalf = 6.0f;   // 1/128 (Half): a tick every 346 samples at 120 BPM
constexpr float kSixteenthHalf = 3.0f;
constexpr float kSixteenthFull = 11.0f;

// The notes the arpeggiator plays for a chord in a mode, in order.
std::vector<int> playNotes(int mode, const std::vector<int>& pressOrder, int count) {
    MidiRig rig(kArp);
    rig.setParameter(ArpEffect::kSpeed, kFastestHalf);
    rig.setParameter(ArpEffect::kMode, static_cast<float>(mode));
    rig.run(1);
    std::vector<MidiEvent> chord;
    for (int key : pressOrder) chord.push_back(note(key));
    rig.send(chord);
    std::vector<int> notes = MidiRig::noteOns(rig.run(2 * count + 2));
    if (notes.size() > static_cast<std::size_t>(count)) notes.resize(static_cast<std::size_t>(count));
    return notes;
}

TEST(Arp, ModesBuildTheirSequences) {
    const std::vector<int> chord{60, 64, 67};
    EXPECT_EQ(playNotes(kUp, chord, 4), (std::vector<int>{60, 64, 67, 60}));
    EXPECT_EQ(playNotes(kDown, chord, 4), (std::vector<int>{67, 64, 60, 67}));
    EXPECT_EQ(playNotes(kUpDown, chord, 5), (std::vector<int>{60, 64, 67, 64, 60}));
    EXPECT_EQ(playNotes(kUpDown1Oct, chord, 11), (std::vector<int>{60, 64, 67, 72, 76, 79, 76, 72, 67, 64, 60}));
    EXPECT_EQ(playNotes(kDown1Oct, chord, 7), (std::vector<int>{79, 76, 72, 67, 64, 60, 79}));
    EXPECT_EQ(playNotes(kUp2Oct, {60}, 4), (std::vector<int>{60, 72, 84, 60}));
}

TEST(Arp, OrderModesFollowThePressOrder) {
    EXPECT_EQ(playNotes(kOrder, {67, 60, 64}, 4), (std::vector<int>{67, 60, 64, 67}));
    EXPECT_EQ(playNotes(kOrder1Oct, {67, 60, 64}, 7), (std::vector<int>{67, 60, 64, 79, 72, 76, 67}));
}

TEST(Arp, EdgeSequences) {
    EXPECT_EQ(playNotes(kUpDown, {60}, 3), (std::vector<int>{60, 60, 60}));
    EXPECT_EQ(playNotes(kUp3Oct, {120}, 5), (std::vector<int>{120, 127, 127, 127, 120}));  // clamped, not dropped
    EXPECT_TRUE(playNotes(4, {60, 64}, 4).empty());   // a menu separator plays nothing
    EXPECT_TRUE(playNotes(99, {60, 64}, 4).empty());
}

TEST(Arp, RandomModesDrawTheSameNotesInEveryBuild) {
    // Each thread's generator starts at 1: run on a fresh thread.
    std::vector<int> notes;
    std::thread([&] { notes = playNotes(kRandom1Oct, {60}, 12); }).join();
    EXPECT_EQ(notes, (std::vector<int>{60, 60, 72, 60, 84, 72, 72, 72, 84, 84, 84, 60}));
}

// ---- Timing ----

TEST(Arp, HalfStepsTickEvery2758SamplesAndSoundForOneTick) {
    MidiRig rig(kArp);
    rig.setParameter(ArpEffect::kSpeed, kSixteenthHalf);
    rig.run(1);  // the tempo is known from here on
    rig.send({note(60), note(64)});
    auto events = rig.run(30);
    ASSERT_GE(events.size(), 5u);
    // The first tick falls on sample 1 of the block after the notes arrived.
    EXPECT_EQ(events[0], (Emitted{513, 0x90, 60, 100}));
    EXPECT_EQ(events[1], (Emitted{513 + 2758, 0x80, 60, 0}));
    EXPECT_EQ(events[2], (Emitted{513 + 2 * 2758, 0x90, 64, 100}));
    EXPECT_EQ(events[3], (Emitted{513 + 3 * 2758, 0x80, 64, 0}));
    EXPECT_EQ(events[4], (Emitted{513 + 4 * 2758, 0x90, 60, 100}));
}

TEST(Arp, FullStepsRingUntilTheNextNote) {
    MidiRig rig(kArp);
    rig.setParameter(ArpEffect::kSpeed, kSixteenthFull);
    rig.run(1);
    rig.send({note(60), note(64)});
    auto events = rig.run(30);
    ASSERT_GE(events.size(), 5u);
    EXPECT_EQ(events[0], (Emitted{513, 0x90, 60, 100}));
    EXPECT_EQ(events[1], (Emitted{513 + 2 * 2758, 0x80, 60, 0}));
    EXPECT_EQ(events[2], (Emitted{513 + 2 * 2758, 0x90, 64, 100}));
    EXPECT_EQ(events[3], (Emitted{513 + 4 * 2758, 0x80, 64, 0}));
    EXPECT_EQ(events[4], (Emitted{513 + 4 * 2758, 0x90, 60, 100}));
}

TEST(Arp, AFreshInstanceTicksFirstAfterTheWholeTickLength) {
    MidiRig rig(kArp);
    rig.setParameter(ArpEffect::kSpeed, kSixteenthHalf);
    rig.send({note(60)});  // before any processing: the tick length is not known yet
    auto events = rig.run(8);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].position, 2757);
}

TEST(Arp, ReleasingTheKeysEndsTheNoteOnTheNextSample) {
    MidiRig rig(kArp);
    rig.setParameter(ArpEffect::kSpeed, kSixteenthFull);
    rig.run(1);
    rig.send({note(60)});
    ASSERT_EQ(rig.run(1), (std::vector<Emitted>{{513, 0x90, 60, 100}}));
    rig.send({noteOff(60)});
    EXPECT_EQ(rig.run(1), (std::vector<Emitted>{{1024, 0x80, 60, 0}}));
    EXPECT_TRUE(rig.run(20).empty());
}

TEST(Arp, WithoutTimeInformationTheLastTempoHolds) {
    MidiRig rig(kArp);
    rig.context.setTimeInfoAvailable(false);
    rig.setParameter(ArpEffect::kSpeed, kFastestHalf);
    rig.send({note(60)});
    EXPECT_TRUE(rig.run(20).empty());  // the tempo was never known: no ticks

    MidiRig known(kArp);
    known.setParameter(ArpEffect::kSpeed, kFastestHalf);
    known.run(1);
    known.send({note(60)});
    known.context.setTimeInfoAvailable(false);
    auto events = known.run(4);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[1].position - events[0].position, 346);  // 120 BPM still
}

// ---- Pattern and velocity ----

std::vector<unsigned char> chunkOf(MidiRig& rig) {
    void* data = nullptr;
    auto size = rig.plugin->dispatch(effGetChunk, 0, 0, &data);
    auto* bytes = static_cast<unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

void setPattern(MidiRig& rig, const std::vector<int>& rests) {
    auto chunk = chunkOf(rig);
    for (int step : rests) chunk[22 + step] = 0;
    ASSERT_EQ(rig.plugin->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()), 1);
}

TEST(Arp, RestsConsumeNoSequenceEntry) {
    MidiRig rig(kArp);
    rig.setParameter(ArpEffect::kSpeed, kFastestHalf);
    setPattern(rig, {1, 2});
    rig.run(1);
    rig.send({note(60), note(64), note(67)});
    auto events = rig.run(12);
    std::vector<long long> onPositions;
    for (const Emitted& e : events)
        if (e.status == 0x90) onPositions.push_back(e.position);
    ASSERT_GE(onPositions.size(), 3u);
    EXPECT_EQ(MidiRig::noteOns(events)[0], 60);
    EXPECT_EQ(MidiRig::noteOns(events)[1], 64);  // steps 1 and 2 rested without using 64
    EXPECT_EQ(onPositions[1] - onPositions[0], 3 * 692);
    EXPECT_EQ(onPositions[2] - onPositions[1], 692);
}

TEST(Arp, AnAllRestPatternPlaysNothing) {
    MidiRig rig(kArp);
    rig.setParameter(ArpEffect::kSpeed, kFastestHalf);
    std::vector<int> all;
    for (int i = 0; i < 32; ++i) all.push_back(i);
    setPattern(rig, all);
    rig.run(1);
    rig.send({note(60)});
    EXPECT_TRUE(rig.run(40).empty());
}

TEST(Arp, VelocityRules) {
    auto velocities = [](float rule) {
        MidiRig rig(kArp);
        rig.setParameter(ArpEffect::kSpeed, kFastestHalf);
        rig.setParameter(ArpEffect::kVelocity, rule);
        rig.run(1);
        rig.send({note(60, 40), note(64, 90)});
        std::vector<int> out;
        for (const Emitted& e : rig.run(6))
            if (e.status == 0x90) out.push_back(e.data2);
        out.resize(2);
        return out;
    };
    EXPECT_EQ(velocities(0.0f), (std::vector<int>{40, 90}));   // Normal
    EXPECT_EQ(velocities(0.5f), (std::vector<int>{127, 127})); // Fixed
    EXPECT_EQ(velocities(1.0f), (std::vector<int>{40, 40}));   // First Key
    EXPECT_EQ(velocities(0.25f), (std::vector<int>{40, 40}));  // anything else is First Key too
}

// ---- Events in and out ----

// Used-up notes are blanked in the host's list and never handed back: a host may take a zero
// byte for running status.
TEST(Arp, NotesAreUsedUpAndEverythingElsePasses) {
    MidiRig rig(kArp);
    std::vector<MidiEvent> events{note(60, 100, 3), controller(7, 90), noteOff(61), note(62, 0)};
    EXPECT_EQ(rig.send(events), 1);
    ASSERT_EQ(rig.passed.size(), 1u);
    EXPECT_EQ(static_cast<unsigned char>(rig.passed[0].midiData[0]), 0xB0);
    EXPECT_EQ(rig.passed[0].midiData[2], 90);
    for (int i : {0, 2, 3}) EXPECT_EQ(rig.handedBack[static_cast<std::size_t>(i)].midiData[0], 0) << i;
}

TEST(Arp, AnEmptyListAnswersOneAndSendsNothing) {
    MidiRig rig(kArp);
    EXPECT_EQ(rig.send({}), 1);
    EXPECT_EQ(rig.send({note(60)}), 1);  // used up: nothing to hand back
    EXPECT_TRUE(rig.passed.empty());
    rig.plugin->overrideAnswer(audioMasterProcessEvents, 0);
    EXPECT_EQ(rig.send({controller(7, 90)}), 0);  // otherwise the host's answer comes back
}

TEST(Arp, AllNotesOffClearsKeysAndPattern) {
    MidiRig rig(kArp);
    rig.setParameter(ArpEffect::kSpeed, kSixteenthFull);
    setPattern(rig, {5, 6});
    rig.run(1);
    rig.send({note(60)});
    rig.run(1);
    rig.send({controller(123, 0, 9)});  // any channel
    EXPECT_EQ(static_cast<unsigned char>(rig.passed[0].midiData[0]), 0xB9);  // the controller passes
    EXPECT_EQ(rig.run(1), (std::vector<Emitted>{{1024, 0x80, 60, 0}}));
    auto chunk = chunkOf(rig);
    for (int step = 0; step < 32; ++step) EXPECT_EQ(chunk[22 + step], 1) << step;
}

TEST(Arp, EveryNoteOnGetsItsNoteOffEvenAtTheListLimit) {
    // A very fast tempo and long blocks ask for more than 999 events in one block.
    MidiRig rig(kArp, 8192, 3000.0);
    rig.setParameter(ArpEffect::kSpeed, kFastestHalf);
    rig.run(1);
    std::vector<MidiEvent> keys;
    for (int key = 0; key < 128; ++key) keys.push_back(note(key));
    for (int key = 0; key < 100; ++key) keys.push_back(note(key));  // more presses than the table holds
    rig.send(keys);
    std::map<int, int> sounding;
    for (int block = 0; block < 4; ++block) {
        auto events = rig.run(1);
        EXPECT_LE(events.size(), 999u);
        for (const Emitted& e : events) sounding[e.data1] += e.status == 0x90 ? 1 : -1;
    }
    std::vector<MidiEvent> releases;
    for (int key = 0; key < 128; ++key) releases.push_back(noteOff(key));
    rig.send(releases);
    rig.send(releases);
    for (const Emitted& e : rig.run(2)) sounding[e.data1] += e.status == 0x90 ? 1 : -1;
    for (const auto& [key, count] : sounding) EXPECT_EQ(count, 0) << key;
}

// ---- Parameters, programs, identity and state ----

TEST(Arp, ParametersNamesAndDisplays) {
    MidiRig rig(kArp);
    EXPECT_EQ(rig.getParameter(0), 3.0f);
    EXPECT_EQ(rig.plugin->parameterName(0), "ArpSpeed");
    EXPECT_EQ(rig.plugin->parameterName(1), "ArpMode ");
    EXPECT_EQ(rig.plugin->parameterLabel(1), "ArpMode ");
    EXPECT_EQ(rig.plugin->parameterName(2), "");
    EXPECT_EQ(rig.plugin->parameterDisplay(0), "3.000000");
    EXPECT_EQ(rig.plugin->parameterDisplay(3), "    ");
    char untouched[16] = "keep";
    rig.plugin->dispatch(effGetParamName, 3, 0, untouched);
    EXPECT_STREQ(untouched, "keep");
    rig.setParameter(5, 2.0f);
    EXPECT_EQ(rig.getParameter(5), 0.0f);
}

TEST(Arp, SpeedSetsTheTickLength) {
    std::string error;
    vexlo::host::HostContext context;
    auto arp = vexlo::host::Plugin::create(
        "arp", [](audioMasterCallback master) { return (new ArpEffect(master))->getAeffect(); }, context, &error);
    ASSERT_TRUE(arp);
    auto* effect = static_cast<ArpEffect*>(arp->effect()->object);
    EXPECT_EQ(effect->getTickDenominator(), 32.0f);  // a fresh instance plays what its speed shows
    effect->setParameter(ArpEffect::kSpeed, 0.0f);
    EXPECT_EQ(effect->getTickDenominator(), 4.0f);
    effect->setParameter(ArpEffect::kSpeed, 14.0f);
    EXPECT_EQ(effect->getTickDenominator(), 256.0f);
    effect->setParameter(ArpEffect::kSpeed, 7.0f);  // the separator keeps the denominator
    EXPECT_EQ(effect->getTickDenominator(), 256.0f);
    effect->setParameter(ArpEffect::kSpeed, 0.9f);  // a normalised host value reaches index 0 only
    EXPECT_EQ(effect->getTickDenominator(), 4.0f);
}

TEST(Arp, IdentityAndCapabilities) {
    MidiRig rig(kArp);
    AEffect* e = rig.effect();
    EXPECT_EQ(e->uniqueID, 0x306C6334);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 0);
    EXPECT_EQ(e->numPrograms, 512);
    EXPECT_EQ(e->numParams, 9999);
    EXPECT_EQ(e->flags, effFlagsHasEditor | effFlagsIsSynth | effFlagsCanReplacing | effFlagsProgramChunks);
    EXPECT_EQ(rig.plugin->effectName(), "VexloARP");
    EXPECT_EQ(rig.plugin->productString(), "VexloARP");
    EXPECT_EQ(rig.plugin->vendorString(), "Vexloworks");
    EXPECT_EQ(rig.plugin->vendorVersion(), 1000);
    EXPECT_EQ(rig.plugin->canDo("receiveVstEvents"), 1);
    EXPECT_EQ(rig.plugin->canDo("receiveVstMidiEvents"), 1);
    EXPECT_EQ(rig.plugin->canDo("sendVstMidiEvent"), 1);
    EXPECT_EQ(rig.plugin->canDo("receiveVstMidiEvent"), -1);
    VstPinProperties pin{};
    EXPECT_EQ(rig.plugin->dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Vstx 2");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(rig.plugin->dispatch(effGetOutputProperties, 2, 0, &pin), 0);
    char name[32] = "x";
    EXPECT_EQ(rig.plugin->dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
    EXPECT_STREQ(name, "");
}

TEST(Arp, ChunkRoundTripAndTheOlderLayout) {
    MidiRig rig(kArp);
    rig.setParameter(0, 11.0f);
    rig.setParameter(1, 21.0f);
    rig.setParameter(2, 0.5f);
    setPattern(rig, {0, 31});
    auto saved = chunkOf(rig);
    ASSERT_EQ(saved.size(), 54u);
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 10), "VEXLOHDR02");

    MidiRig fresh(kArp);
    ASSERT_EQ(fresh.plugin->dispatch(effSetChunk, 0, 54, saved.data()), 1);
    EXPECT_EQ(chunkOf(fresh), saved);
    EXPECT_EQ(fresh.getParameter(2), 0.5f);

    std::vector<unsigned char> old(50, 1);
    std::memcpy(old.data(), "VEXLOHDR01", 10);
    float speed = 2.0f, mode = 5.0f;
    std::memcpy(&old[10], &speed, 4);
    std::memcpy(&old[14], &mode, 4);
    old[18 + 3] = 0;
    ASSERT_EQ(fresh.plugin->dispatch(effSetChunk, 0, 50, old.data()), 1);
    auto now = chunkOf(fresh);
    EXPECT_EQ(fresh.getParameter(0), 2.0f);
    EXPECT_EQ(fresh.getParameter(1), 5.0f);
    EXPECT_EQ(fresh.getParameter(2), 0.0f);  // the older layout has no velocity: Normal
    EXPECT_EQ(now[22 + 3], 0);
    EXPECT_EQ(now[22 + 4], 1);
}

TEST(Arp, ShortChunksAreRefusedAndChangeNothing) {
    MidiRig rig(kArp);
    rig.setParameter(0, 5.0f);
    auto before = chunkOf(rig);
    std::vector<unsigned char> current = before;
    std::vector<unsigned char> old(50, 0);
    std::memcpy(old.data(), "VEXLOHDR01", 10);
    EXPECT_EQ(rig.plugin->dispatch(effSetChunk, 0, 53, current.data()), 0);
    EXPECT_EQ(rig.plugin->dispatch(effSetChunk, 0, 49, old.data()), 0);
    EXPECT_EQ(rig.plugin->dispatch(effSetChunk, 0, 4, current.data()), 0);
    EXPECT_EQ(rig.plugin->dispatch(effSetChunk, 0, 54, nullptr), 0);
    EXPECT_EQ(chunkOf(rig), before);

    // Another header, a value out of its range or a pattern byte other than 0 and 1: refused
    // whole, the state unchanged.
    std::vector<std::vector<unsigned char>> bad(6, before);
    std::memcpy(bad[0].data(), "SOMETHING!", 10);
    const float outside[] = {std::nanf(""), 15.0f, -1.0f, INFINITY};
    const int at[] = {10, 10, 14, 18};  // speed, speed, mode, velocity
    for (int i = 0; i < 4; ++i) std::memcpy(bad[1 + i].data() + at[i], &outside[i], 4);
    bad[5][22 + 7] = 2;
    for (auto& chunk : bad) EXPECT_EQ(rig.plugin->dispatch(effSetChunk, 0, 54, chunk.data()), 0);
    EXPECT_EQ(chunkOf(rig), before);
    EXPECT_EQ(rig.plugin->dispatch(effSetChunk, 0, 54, before.data()), 1);
}

TEST(Arp, BypassReturnsNotesUnchangedAndResetsThePattern) {
    std::string error;
    vexlo::host::HostContext context;
    auto arp = vexlo::host::Plugin::create(
        "arp", [](audioMasterCallback master) { return (new ArpEffect(master))->getAeffect(); }, context, &error);
    ASSERT_TRUE(arp);
    arp->start();
    auto* effect = static_cast<ArpEffect*>(arp->effect()->object);
    effect->setStep(4, false);
    effect->setBypassed(true);
    std::vector<MidiEvent> events{note(60)};
    std::vector<char> storage;
    arp->processEvents(vexlo::host::buildEventList(events, storage));
    EXPECT_EQ(static_cast<unsigned char>(events[0].midiData[0]), 0x90);  // left as it came
    ASSERT_EQ(arp->emittedEvents().size(), 1u);
    EXPECT_TRUE(effect->stepOn(4));
    arp->clearEmittedEvents();
    float* outputs[2] = {};
    for (int i = 0; i < 20; ++i) arp->process(nullptr, outputs, 512);
    EXPECT_TRUE(arp->emittedEvents().empty());
}

}  // namespace
