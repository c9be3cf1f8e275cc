// A plug-in in a process of its own, through the one wrapper for every call: the same samples
// as in this process, its calls and state carried both ways, and a plug-in that crashes or
// hangs there leaving this process alive and silent.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "hosting/bridge_client.h"
#include "hosting/hosted_child.h"
#include "tests/support/test_support.h"

using namespace vexlo;
using hosting::HostedChild;
using test::pluginPath;

namespace {

constexpr int kBlock = 64;

struct Heard {
    std::vector<std::pair<VstInt32, float>> automation;
};
Heard heard;

VstIntPtr VEXLO_CDECL hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetSampleRate) return 44100;
    if (opcode == audioMasterAutomate) heard.automation.push_back({index, opt});
    return 0;
}

// A child started at 44.1 kHz, in this process or in its own.
struct Child {
    Child(const std::string& name, bool ownProcess) {
        std::string error;
        const bool loaded = ownProcess ? child.loadInOwnProcess(pluginPath(name), &error) : child.loadLibrary(pluginPath(name), &error);
        EXPECT_TRUE(loaded) << error;
        EXPECT_TRUE(child.enter(hostCallback));
        child.open(44100.0f, kBlock);
    }
    void note(int key, int velocity) {
        VstMidiEvent midi{};
        midi.type = kVstMidiType;
        midi.byteSize = sizeof(midi);
        midi.midiData[0] = static_cast<char>(velocity ? 0x90 : 0x80);
        midi.midiData[1] = static_cast<char>(key);
        midi.midiData[2] = static_cast<char>(velocity);
        VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&midi);
        child.processEvents(&list);
    }
    // Blocks played one after another, both channels' samples in turn.
    std::vector<float> play(int blocks) {
        std::vector<float> samples;
        std::vector<float> left(kBlock), right(kBlock);
        float* outs[2] = {left.data(), right.data()};
        for (int b = 0; b < blocks; ++b) {
            std::fill(left.begin(), left.end(), 1.0f);  // stale samples must not survive
            child.process(nullptr, outs, kBlock);
            samples.insert(samples.end(), left.begin(), left.end());
            samples.insert(samples.end(), right.begin(), right.end());
        }
        return samples;
    }
    HostedChild child;
};


}  // namespace

TEST(Bridge, AnInstrumentInItsOwnProcessPlaysTheSameSamplesAsInThisOne) {
    Child here("test-synth", false), there("test-synth", true);
    ASSERT_TRUE(there.child.inOwnProcess());
    EXPECT_EQ(there.child.uniqueId(), here.child.uniqueId());
    EXPECT_EQ(there.child.numOutputs(), 2);
    for (Child* c : {&here, &there}) {
        c->child.setParameter(0, 0.8f);
        c->note(60, 100);
        c->note(67, 90);
    }
    const auto expected = here.play(40), got = there.play(40);
    ASSERT_GT(test::peakBetween(expected, 0, expected.size()), 0.05f);
    EXPECT_EQ(got, expected);
    for (Child* c : {&here, &there}) c->note(60, 0);
    EXPECT_EQ(there.play(10), here.play(10));
}

TEST(Bridge, NamesParametersProgramsAndChunksTravelBothWays) {
    Child here("test-synth", false), there("test-synth", true);
    for (Child* c : {&here, &there}) {
        c->child.setProgram(2);
        c->child.setProgramName("Across");
        c->child.setParameter(1, 0.375f);
    }
    EXPECT_EQ(there.child.program(), 2);
    EXPECT_EQ(there.child.programName(), "Across");
    EXPECT_EQ(there.child.programNameIndexed(2), here.child.programNameIndexed(2));
    EXPECT_FLOAT_EQ(there.child.getParameter(1), 0.375f);
    EXPECT_EQ(there.child.text(effGetParamName, 0), "Volume");
    EXPECT_EQ(there.child.text(effGetParamDisplay, 1), here.child.text(effGetParamDisplay, 1));
    EXPECT_EQ(there.child.canDo(canDoWords::receiveVstEvents), here.child.canDo(canDoWords::receiveVstEvents));
    hosting::EditorRect rect;
    ASSERT_TRUE(there.child.editorRect(rect));
    EXPECT_EQ(rect.right, 200);

    const auto bytes = there.child.getChunk();
    const std::vector<unsigned char> chunk(bytes.data, bytes.data + bytes.size);
    const auto ours = here.child.getChunk();
    EXPECT_EQ(chunk, std::vector<unsigned char>(ours.data, ours.data + ours.size));
    // A chunk set there changes what a fresh child hands back.
    Child other("test-synth", true);
    other.child.setChunk(chunk);
    EXPECT_FLOAT_EQ(other.child.getParameter(1), 0.375f);
    EXPECT_EQ(other.child.programName(), "Across");
}

TEST(Bridge, APlugInThatCrashesOrHangsThereLeavesThisProcessSilentAndAlive) {
    for (const char* name : {"test-faulty-write", "test-faulty-hang"}) {
        Child there(name, true);
        there.child.setParameter(0, 1.0f);
        there.note(64, 100);
        const auto samples = there.play(150);
        // Sound before the fault (its 100th sounding block), silence from there on.
        const std::size_t perBlock = 2 * kBlock;
        EXPECT_GT(test::peakBetween(samples, 0, 99 * perBlock), 0.05f) << name;
        EXPECT_EQ(test::peakBetween(samples, 100 * perBlock, samples.size()), 0.0f) << name;
        EXPECT_TRUE(there.child.failed()) << name;
        // Every later call answers without waiting for the dead process.
        EXPECT_EQ(there.child.programName(), "") << name;
    }
}
