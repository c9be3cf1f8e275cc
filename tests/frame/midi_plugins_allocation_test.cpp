// The MIDI plug-ins' processing allocates nothing once it runs: counted on the thread that
// processes, with the held keys changing all the while.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/allocation_counter.h"
#include "tests/support/midi_rig.h"

using namespace vexlo::test;
using vexlo::host::MidiEvent;
namespace platform = vexlo::platform;

namespace {

// Counts the allocations made by the plug-in's own processing over many blocks in which the
// held keys keep changing.
std::size_t allocationsWhileProcessing(const char* name) {
    MidiRig rig(name);
    AEffect* effect = rig.effect();
    rig.setParameter(0, 6.0f);
    // The plug-ins use notes up in place: each block gets a fresh copy (copying allocates nothing).
    const std::vector<MidiEvent> pressed{note(60), note(64), note(67), controller(7, 100)};
    const std::vector<MidiEvent> released{noteOff(64), note(72, 90), noteOff(60)};
    std::vector<MidiEvent> press = pressed, release = released;
    std::vector<char> pressStorage, releaseStorage;
    VstEvents* pressList = vexlo::host::buildEventList(press, pressStorage);
    VstEvents* releaseList = vexlo::host::buildEventList(release, releaseStorage);
    float silence[512] = {};
    float* inputs[1] = {silence};
    float* outputs[2] = {silence, silence};

    auto block = [&](VstEvents* list) {
        rig.plugin->clearEmittedEvents();
        if (list) effect->dispatcher(effect, effProcessEvents, 0, 0, list, 0.0f);
        effect->processReplacing(effect, inputs, outputs, 512);
        rig.context.advance(512);
    };
    block(pressList);  // warm up: the first call may set up anything it likes
    block(nullptr);

    platform::beginCountingAllocations();
    for (int i = 0; i < 200; ++i) {
        std::copy(pressed.begin(), pressed.end(), press.begin());
        std::copy(released.begin(), released.end(), release.begin());
        block(i % 10 == 0 ? pressList : i % 10 == 5 ? releaseList : nullptr);
    }
    return platform::endCountingAllocations();
}

}  // namespace

TEST(Allocation, ArpeggiatorProcessingAllocatesNothing) {
    EXPECT_EQ(allocationsWhileProcessing("Vexlo ARP MIDI"), 0u);
}

TEST(Allocation, KeySwitchProcessingAllocatesNothing) {
    EXPECT_EQ(allocationsWhileProcessing("Vexlo Key-Switch MIDI"), 0u);
}
