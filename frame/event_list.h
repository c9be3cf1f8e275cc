// An event list of fixed room, kept inside its owner, for handing events on from the audio
// thread without allocating.
#pragma once

#include <cstddef>

#include "frame/vst_records.h"

namespace vexlo {

// Whether an event is one a receiver can use: a MIDI event that starts with a status byte, or
// a SysEx message. A plug-in that uses an event up may leave it in its list blanked (all three
// bytes zero); a receiver would take that for running status or complain of it. Event types
// nobody defined are passed on by no one.
inline bool isLiveEvent(const VstEvent* event) {
    if (!event) return false;
    if (event->type == kVstSysExType) return true;
    return event->type == kVstMidiType &&
           (static_cast<unsigned char>(reinterpret_cast<const VstMidiEvent*>(event)->midiData[0]) & 0x80) != 0;
}

template <int Capacity>
class EventList {
public:
    static constexpr int kCapacity = Capacity;

    EventList() { list()->reserved = 0; clear(); }
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    VstEvents* list() { return reinterpret_cast<VstEvents*>(storage_); }
    int size() const { return reinterpret_cast<const VstEvents*>(storage_)->numEvents; }
    bool full() const { return size() >= Capacity; }
    void clear() { list()->numEvents = 0; }
    // False, nothing added, when the list is full.
    bool add(VstEvent* event) {
        if (full()) return false;
        eventsOf(list())[list()->numEvents++] = event;
        return true;
    }

private:
    alignas(VstEvents) char storage_[offsetof(VstEvents, events) + Capacity * sizeof(VstEvent*)];
};

}  // namespace vexlo
