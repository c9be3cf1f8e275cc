#include "manager/core/midi_state.h"

#include <algorithm>
#include <cstring>

namespace vexlo::manager {

void MidiStateTracker::record(const VstEvents* events) {
    if (!events) return;
    constexpr auto relaxed = std::memory_order_relaxed;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = eventsOf(events)[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const auto status = static_cast<unsigned char>(midi->midiData[0]);
        const int channel = status & 0x0F;
        const int d1 = midi->midiData[1] & 0x7F;
        const int velocity = midi->midiData[2] & 0x7F;
        switch (status & 0xF0) {
        case 0x90:
            if (velocity) {
                heldNotes_[d1].store(pack(channel, velocity), relaxed);
                break;
            }
            [[fallthrough]];
        case 0x80: heldNotes_[d1].store(0, relaxed); break;
        case 0xB0: {
            const int number = std::max<int>(static_cast<signed char>(midi->midiData[1]), 0);
            if (number == 123) clear();
            else controllers_[number].store(pack(channel, midi->midiData[2]), relaxed);
            break;
        }
        case 0xD0: channelPressure_.store(pack(channel, d1), relaxed); break;
        case 0xE0: pitchBend_.store(pack(channel, velocity), relaxed); break;
        default: break;
        }
    }
}

void MidiStateTracker::clear() {
    for (Entry& entry : heldNotes_) entry.store(0, std::memory_order_relaxed);
    for (Entry& entry : controllers_) entry.store(0, std::memory_order_relaxed);
    channelPressure_.store(0, std::memory_order_relaxed);
    pitchBend_.store(0, std::memory_order_relaxed);
}

int MidiStateTracker::heldNoteEvents(VstMidiEvent* events) const {
    int count = 0;
    for (int note = 0; note < kNotes; ++note) {
        const ChannelValue held = heldNote(note);
        if (held.value <= 0) continue;
        VstMidiEvent& event = events[count++];
        std::memset(&event, 0, sizeof(event));
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.midiData[0] = static_cast<char>(0x90 | held.channel);
        event.midiData[1] = static_cast<char>(note);
        event.midiData[2] = static_cast<char>(held.value);
    }
    return count;
}

}  // namespace vexlo::manager
