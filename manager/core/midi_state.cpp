#include "manager/core/midi_state.h"

#include <algorithm>
#include <iterator>

namespace vexlo::manager {

void MidiStateTracker::record(const VstEvents* events) {
    if (!events) return;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = eventsOf(events)[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const auto status = static_cast<unsigned char>(midi->midiData[0]);
        const std::uint8_t channel = status & 0x0F;
        const int d1 = midi->midiData[1] & 0x7F;
        const int velocity = midi->midiData[2] & 0x7F;
        switch (status & 0xF0) {
        case 0x90:
            if (velocity) {
                heldNotes_[d1] = {channel, static_cast<std::int8_t>(velocity)};
                break;
            }
            [[fallthrough]];
        case 0x80: heldNotes_[d1] = {}; break;
        case 0xB0: {
            const int number = std::max<int>(static_cast<signed char>(midi->midiData[1]), 0);
            if (number == 123) clear();
            else controllers_[number] = {channel, static_cast<std::int8_t>(midi->midiData[2])};
            break;
        }
        case 0xD0: channelPressure_ = {channel, static_cast<std::int8_t>(d1)}; break;
        case 0xE0: pitchBend_ = {channel, static_cast<std::int8_t>(velocity)}; break;
        default: break;
        }
    }
}

void MidiStateTracker::clear() {
    std::fill(std::begin(heldNotes_), std::end(heldNotes_), ChannelValue{});
    std::fill(std::begin(controllers_), std::end(controllers_), ChannelValue{});
    channelPressure_ = {};
    pitchBend_ = {};
}

}  // namespace vexlo::manager
