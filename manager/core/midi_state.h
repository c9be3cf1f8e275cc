// What the host's MIDI input has left standing: the notes held with their velocities, the last
// value of every controller, channel pressure and pitch bend. Recorded on the audio thread, for
// a newly loaded sound to hear the notes still held.
#pragma once

#include <cstdint>

#include "frame/vst_records.h"

namespace vexlo::manager {

class MidiStateTracker {
public:
    struct ChannelValue {
        std::uint8_t channel = 0;
        std::int8_t value = 0;
    };

    // Takes in a list the host delivers. Controller 123 (all notes off) forgets everything.
    void record(const VstEvents* events);
    void clear();

    const ChannelValue& heldNote(int note) const { return heldNotes_[note & 0x7F]; }
    const ChannelValue& controllerValue(int number) const { return controllers_[number & 0x7F]; }
    const ChannelValue& channelPressure() const { return channelPressure_; }
    const ChannelValue& pitchBend() const { return pitchBend_; }

private:
    ChannelValue heldNotes_[128];
    ChannelValue controllers_[128];
    ChannelValue channelPressure_;
    ChannelValue pitchBend_;
};

}  // namespace vexlo::manager
