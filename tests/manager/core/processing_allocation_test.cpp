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

namespace {

// Vexlo VM with the test instrument and a MIDI slot, and what a host hands it block by block.
struct Playing {
    Playing() {
        rig.loadInstrument("test-synth");
        rig.loadMidi("test-midi-fx", 1);
    }
    ManagerRig rig{256};
    AEffect* e = rig.plugin->effect();
    const std::vector<MidiEvent> pattern{note(60), note(64), noteOff(60), controller(7, 100)};
    std::vector<MidiEvent> events = pattern;
    std::vector<char> storage;
    VstEvents* list = vexlo::host::buildEventList(events, storage);
    std::vector<float> l = std::vector<float>(256), r = l, in = std::vector<float>(256, 0.0f);
    float* outputs[2] = {l.data(), r.data()};
    float* inputs[2] = {in.data(), in.data()};
};

}  // namespace

TEST(Allocation, VexloVmProcessingAllocatesNothingDirectOrOversampled) {
    Playing p;
    for (float factorValue : {0.0f, 0.5f, 1.0f, -1.0f, -0.5f}) {
        // Negative: the same factor in High quality, with sound on the inputs.
        p.e->setParameter(p.e, 1, factorValue < 0.0f ? 1.0f : 0.0f);
        p.e->setParameter(p.e, 0, std::fabs(factorValue));
        if (factorValue < 0.0f) std::fill(p.in.begin(), p.in.end(), 0.25f);
        p.e->processReplacing(p.e, p.inputs, p.outputs, 256);  // the first block after a change may settle in
        platform::beginCountingAllocations();
        for (int block = 0; block < 100; ++block) {
            std::copy(p.pattern.begin(), p.pattern.end(), p.events.begin());
            if (block % 4 == 0) p.e->dispatcher(p.e, effProcessEvents, 0, 0, p.list, 0.0f);
            p.e->processReplacing(p.e, p.inputs, p.outputs, 256);
        }
        EXPECT_EQ(platform::endCountingAllocations(), 0u) << "factor value " << factorValue;
    }
}

TEST(Allocation, VexloVmWithItsChildrenInProcessesOfTheirOwnAllocatesNothingWhileItPlays) {
    Playing p;
    p.rig.manager->setOwnProcess(0, true);
    p.rig.manager->setOwnProcess(2, true);
    ASSERT_TRUE(p.rig.manager->instrumentChild().inOwnProcess());
    ASSERT_TRUE(p.rig.manager->midiSlotChild(1).inOwnProcess());
    p.e->processReplacing(p.e, p.inputs, p.outputs, 256);
    platform::beginCountingAllocations();
    for (int block = 0; block < 100; ++block) {
        std::copy(p.pattern.begin(), p.pattern.end(), p.events.begin());
        if (block % 4 == 0) p.e->dispatcher(p.e, effProcessEvents, 0, 0, p.list, 0.0f);
        p.e->setParameter(p.e, VstManager::kOwnParameters, 0.5f);  // a parameter set while it plays
        p.e->processReplacing(p.e, p.inputs, p.outputs, 256);
    }
    EXPECT_EQ(platform::endCountingAllocations(), 0u);
    EXPECT_FALSE(p.rig.manager->instrumentChild().failed());
}
