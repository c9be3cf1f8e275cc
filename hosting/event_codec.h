// Event lists as bytes, to travel between processes: each event's type, offset, flags and its
// data (a MIDI event's sixteen bytes, a SysEx event's dump). Decoding stays inside the bytes it
// is given and fills storage of a fixed size, so that the audio thread never allocates.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/vst_records.h"

namespace vexlo::hosting::bridge {

// The SysEx event of the standard (the frame declares only what its plug-ins use).
struct SysexEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 dumpBytes;
    VstIntPtr resvd1;
    char* sysexDump;
    VstIntPtr resvd2;
};

// Writes as many whole events as fit; the bytes written (at least the four of the count).
std::size_t encodeEvents(const VstEvents* events, unsigned char* out, std::size_t capacity);

class EventStore {
public:
    static constexpr int kMaxEvents = 1024;
    static constexpr int kMaxSysex = 64;
    static constexpr std::size_t kSysexBytes = 64 * 1024;

    // The events of the bytes, as many as the storage holds; false (an empty list) when the
    // bytes are no whole list. `used` is how many bytes the list took.
    bool decode(const unsigned char* data, std::size_t size, std::size_t* used = nullptr);
    VstEvents* list() { return reinterpret_cast<VstEvents*>(listStorage_); }

private:
    VstMidiEvent events_[kMaxEvents];  // every event but SysEx (all are 32 bytes or less)
    SysexEvent sysex_[kMaxSysex];
    unsigned char sysexBytes_[kSysexBytes];
    alignas(VstEvents) unsigned char listStorage_[offsetof(VstEvents, events) + kMaxEvents * sizeof(VstEvent*)];
};

}  // namespace vexlo::hosting::bridge
