// What the host's MIDI input has left standing: the notes held with their velocities, the last
// value of every controller, channel pressure and pitch bend. Recorded on the audio thread (even
// while a change keeps the children silent), read by the thread that makes a change, so every
// entry is a lock-free atomic.
#pragma once

#include <atomic>
#include <cstdint>

#include "frame/vst_records.h"

namespace vexlo::manager {

class MidiStateTracker {
public:
    struct ChannelValue {
        std::uint8_t channel = 0;
        std::int8_t value = 0;
    };
    static constexpr int kNotes = 128;

    // Takes in a list the host delivers. Controller 123 (all notes off) forgets everything.
    void record(const VstEvents* events);
    void clear();

    ChannelValue heldNote(int note) const { return unpack(heldNotes_[note & 0x7F]); }
    ChannelValue controllerValue(int number) const { return unpack(controllers_[number & 0x7F]); }
    ChannelValue channelPressure() const { return unpack(channelPressure_); }
    ChannelValue pitchBend() const { return unpack(pitchBend_); }

    // A note-on for every note held, on its channel with its velocity, at offset 0; returns how
    // many were written (at most kNotes).
    int heldNoteEvents(VstMidiEvent* events) const;

private:
    using Entry = std::atomic<std::uint16_t>;
    static_assert(Entry::is_always_lock_free, "the audio thread must never wait for the table");
    static std::uint16_t pack(int channel, int value) {
        return static_cast<std::uint16_t>((channel & 0xFF) << 8 | (value & 0xFF));
    }
    static ChannelValue unpack(const Entry& entry) {
        const std::uint16_t bits = entry.load(std::memory_order_relaxed);
        return {static_cast<std::uint8_t>(bits >> 8), static_cast<std::int8_t>(bits & 0xFF)};
    }

    Entry heldNotes_[kNotes] = {};
    Entry controllers_[128] = {};
    Entry channelPressure_{0};
    Entry pitchBend_{0};
};

}  // namespace vexlo::manager
