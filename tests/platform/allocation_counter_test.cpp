// The allocation counter that proves processing allocates nothing: it sees what a plug-in loaded
// from its library allocates, and only on the thread that counts.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/allocation_counter.h"
#include "tests/support/midi_rig.h"

using namespace vexlo::test;
namespace platform = vexlo::platform;

TEST(AllocationCounter, SeesWhatAPlugInAllocatesOnThisThread) {
    MidiRig rig("Vexlo ARP MIDI");
    void* chunk = nullptr;
    platform::beginCountingAllocations();
    rig.plugin->dispatch(effGetChunk, 0, 0, &chunk);  // builds a new chunk buffer
    EXPECT_GE(platform::endCountingAllocations(), 1u);
}

TEST(AllocationCounter, LeavesOutWhatOtherThreadsAllocate) {
    MidiRig rig("Vexlo ARP MIDI");
    std::atomic<int> step{0};
    std::thread other([&] {
        while (step.load() == 0) std::this_thread::yield();
        void* chunk = nullptr;
        rig.plugin->dispatch(effGetChunk, 0, 0, &chunk);
        step = 2;
    });
    platform::beginCountingAllocations();
    step = 1;
    while (step.load() != 2) std::this_thread::yield();
    EXPECT_EQ(platform::endCountingAllocations(), 0u);
    other.join();
}
