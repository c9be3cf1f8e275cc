// Drives one MIDI plug-in the way a host does: events before a block, then the block, with
// every event the plug-in hands back kept at its absolute sample position.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "tests/support/test_support.h"

namespace vexlo::test {

struct Emitted {
    long long position;
    int status;
    int data1;
    int data2;
    bool operator==(const Emitted& o) const {
        return position == o.position && status == o.status && data1 == o.data1 && data2 == o.data2;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Emitted& e) {
    return out << "{" << e.position << ", " << std::hex << e.status << std::dec << ", " << e.data1 << ", " << e.data2
               << "}";
}

inline host::MidiEvent note(int key, int velocity = 100, int channel = 0) {
    return host::makeMidiEvent(0, static_cast<unsigned char>(0x90 | channel), static_cast<unsigned char>(key),
                               static_cast<unsigned char>(velocity));
}
inline host::MidiEvent noteOff(int key, int channel = 0) {
    return host::makeMidiEvent(0, static_cast<unsigned char>(0x80 | channel), static_cast<unsigned char>(key), 0);
}
inline host::MidiEvent controller(int number, int value, int channel = 0) {
    return host::makeMidiEvent(0, static_cast<unsigned char>(0xB0 | channel), static_cast<unsigned char>(number),
                               static_cast<unsigned char>(value));
}

class MidiRig {
public:
    explicit MidiRig(const std::string& name, int blockSize = 512, double tempo = 120.0)
        : context(44100.0, blockSize, tempo), blockSize(blockSize) {
        plugin = loadPlugin(name, context);
        if (plugin) plugin->start();
    }

    AEffect* effect() { return plugin->effect(); }
    void setParameter(int index, float value) { effect()->setParameter(effect(), index, value); }
    float getParameter(int index) { return effect()->getParameter(effect(), index); }

    // Hands the events to the plug-in; `handedBack` then holds them as the plug-in left them.
    VstIntPtr send(std::vector<host::MidiEvent> events) {
        handedBack = std::move(events);
        plugin->clearEmittedEvents();
        VstIntPtr answer = plugin->processEvents(host::buildEventList(handedBack, storage));
        passed.clear();
        for (const auto& e : plugin->emittedEvents()) passed.push_back(e);
        plugin->clearEmittedEvents();
        return answer;
    }

    // Runs blocks and returns what the plug-in emitted from its processing.
    std::vector<Emitted> run(int blocks) {
        std::vector<Emitted> out;
        float* outputs[2] = {nullptr, nullptr};
        for (int b = 0; b < blocks; ++b) {
            plugin->clearEmittedEvents();
            plugin->process(nullptr, outputs, blockSize);
            for (const auto& e : plugin->emittedEvents()) {
                out.push_back({position + e.deltaFrames, static_cast<unsigned char>(e.midiData[0]),
                               static_cast<unsigned char>(e.midiData[1]), static_cast<unsigned char>(e.midiData[2])});
            }
            position += blockSize;
            context.advance(blockSize);
        }
        return out;
    }

    static std::vector<int> noteOns(const std::vector<Emitted>& events) {
        std::vector<int> notes;
        for (const Emitted& e : events)
            if (e.status == 0x90) notes.push_back(e.data1);
        return notes;
    }

    host::HostContext context;
    std::unique_ptr<host::Plugin> plugin;
    std::vector<host::MidiEvent> handedBack;  // the list as the plug-in left it
    std::vector<host::MidiEvent> passed;      // what it handed back to the host from processEvents
    long long position = 0;

private:
    int blockSize;
    std::vector<char> storage;
};

}  // namespace vexlo::test
