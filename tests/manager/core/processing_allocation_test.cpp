// Vexlo VM's processing allocates nothing once it runs, hosting an instrument and a MIDI slot,
// at every factor and in both qualities: counted on the thread that processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/allocation_counter.h"
#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"

using namespace vexlo::test;
using vexlo::host::MidiEvent;
namespace platform = vexlo::platform;

TEST(Allocation, VexloVmProcessingAllocatesNothingDirectOrOversampled) {
    ManagerRig rig(256);
    rig.loadInstrument("test-synth");
    rig.loadMidi("test-midi-fx", 1);
    AEffect* e = rig.plugin->effect();
    const std::vector<MidiEvent> pattern{note(60), note(64), noteOff(60), controller(7, 100)};
    std::vector<MidiEvent> events = pattern;
    std::vector<char> storage;
    VstEvents* list = vexlo::host::buildEventList(events, storage);
    std::vector<float> l(256), r(256), in(256, 0.0f);
    float* outputs[2] = {l.data(), r.data()};
    float* inputs[2] = {in.data(), in.data()};
    for (float factorValue : {0.0f, 0.5f, 1.0f, -1.0f, -0.5f}) {
        // Negative: the same factor in High quality, with sound on the inputs.
        e->setParameter(e, 1, factorValue < 0.0f ? 1.0f : 0.0f);
        e->setParameter(e, 0, std::fabs(factorValue));
        if (factorValue < 0.0f) std::fill(in.begin(), in.end(), 0.25f);
        e->processReplacing(e, inputs, outputs, 256);  // the first block after a change may settle in
        platform::beginCountingAllocations();
        for (int block = 0; block < 100; ++block) {
            std::copy(pattern.begin(), pattern.end(), events.begin());
            if (block % 4 == 0) e->dispatcher(e, effProcessEvents, 0, 0, list, 0.0f);
            e->processReplacing(e, inputs, outputs, 256);
        }
        EXPECT_EQ(platform::endCountingAllocations(), 0u) << "factor value " << factorValue;
    }
}


TEST(Allocation, VexloVmWithItsChildrenInProcessesOfTheirOwnAllocatesNothingWhileItPlays) {
    ManagerRig rig(256);
    rig.loadInstrument("test-synth");
    rig.loadMidi("test-midi-fx", 1);
    rig.manager->setOwnProcess(0, true);
    rig.manager->setOwnProcess(2, true);
    ASSERT_TRUE(rig.manager->instrumentChild().inOwnProcess());
    ASSERT_TRUE(rig.manager->midiSlotChild(1).inOwnProcess());
    AEffect* e = rig.plugin->effect();
    const std::vector<MidiEvent> pattern{note(60), note(64), noteOff(60), controller(7, 100)};
    std::vector<MidiEvent> events = pattern;
    std::vector<char> storage;
    VstEvents* list = vexlo::host::buildEventList(events, storage);
    std::vector<float> l(256), r(256), in(256, 0.0f);
    float* outputs[2] = {l.data(), r.data()};
    float* inputs[2] = {in.data(), in.data()};
    e->processReplacing(e, inputs, outputs, 256);
    platform::beginCountingAllocations();
    for (int block = 0; block < 100; ++block) {
        std::copy(pattern.begin(), pattern.end(), events.begin());
        if (block % 4 == 0) e->dispatcher(e, effProcessEvents, 0, 0, list, 0.0f);
        e->setParameter(e, VstManager::kOwnParameters, 0.5f);  // a parameter set while it plays
        e->processReplacing(e, inputs, outputs, 256);
    }
    EXPECT_EQ(platform::endCountingAllocations(), 0u);
    EXPECT_FALSE(rig.manager->instrumentChild().failed());
}
