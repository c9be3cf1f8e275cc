// Proves that the MIDI plug-ins' processing allocates nothing once running. This program
// replaces the C library's allocator entry points with counting ones; the plug-ins, loaded from
// their libraries, allocate through them too.
#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
void count() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

extern "C" {
void* malloc(std::size_t size) {
    count();
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
    count();
    return __libc_calloc(n, size);
}
void* realloc(void* pointer, std::size_t size) {
    count();
    return __libc_realloc(pointer, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
    count();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    count();
    *out = __libc_memalign(alignment, size);
    return *out ? 0 : 12;
}
void free(void* pointer) { __libc_free(pointer); }
}

using namespace vexlo::test;
using vexlo::host::MidiEvent;

namespace {

// Counts the allocations made by the plug-in's own processing over many blocks in which the
// held keys keep changing.
long allocationsWhileProcessing(const char* name) {
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

    allocations = 0;
    counting = true;
    for (int i = 0; i < 200; ++i) {
        std::copy(pressed.begin(), pressed.end(), press.begin());
        std::copy(released.begin(), released.end(), release.begin());
        block(i % 10 == 0 ? pressList : i % 10 == 5 ? releaseList : nullptr);
    }
    counting = false;
    return allocations.load();
}

TEST(Allocation, CountingSeesThePluginsAllocations) {
    MidiRig rig("Vexlo ARP MIDI");
    void* chunk = nullptr;
    allocations = 0;
    counting = true;
    rig.plugin->dispatch(effGetChunk, 0, 0, &chunk);  // builds a new chunk buffer
    counting = false;
    EXPECT_GE(allocations.load(), 1);
}

TEST(Allocation, ArpeggiatorProcessingAllocatesNothing) {
    EXPECT_EQ(allocationsWhileProcessing("Vexlo ARP MIDI"), 0);
}

TEST(Allocation, KeySwitchProcessingAllocatesNothing) {
    EXPECT_EQ(allocationsWhileProcessing("Vexlo Key-Switch MIDI"), 0);
}

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
        allocations = 0;
        counting = true;
        for (int block = 0; block < 100; ++block) {
            std::copy(pattern.begin(), pattern.end(), events.begin());
            if (block % 4 == 0) e->dispatcher(e, effProcessEvents, 0, 0, list, 0.0f);
            e->processReplacing(e, inputs, outputs, 256);
        }
        counting = false;
        EXPECT_EQ(allocations.load(), 0) << "factor value " << factorValue;
    }
}

}  // namespace
