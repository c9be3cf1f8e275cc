// What Vexlo VM does on the host's audio thread: the MIDI chain, the MIDI slots and the
// instrument. Nothing here allocates, locks or waits.
#include <algorithm>
#include <cstring>

#include "manager/core/vst_manager.h"

namespace vexlo::manager {

void VstManager::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    GatePass pass(gate);
    // The silent path: a change is running, or there is nothing to play, or the block is longer
    // than the buffers prepared for the block size the host announced.
    if (!pass || !instrument_.isLoaded() || frames <= 0 || frames > oversampler_.preparedFrames()) {
        if (frames > 0) {
            std::fill(outputs[0], outputs[0] + frames, 0.0f);
            std::fill(outputs[1], outputs[1] + frames, 0.0f);
        }
        return;
    }
    oversampler_.bind(inputs, outputs, frames, instrumentInputs_, instrumentOutputs_);
    for (HostedChild& slot : midiSlots_)
        if (slot.isLoaded()) slot.process(oversampler_.inputs(), oversampler_.outputs(), frames);
    oversampler_.render(instrument_, outputs, frames, instrumentOutputs_, instrumentCanReplace_);
}

VstInt32 VstManager::processEvents(VstEvents* events) {
    if (!events) return 0;
    midiState_.record(events);
    GatePass pass(gate);
    if (!pass) return 0;
    if (!instrument_.isLoaded()) return 1;
    chainPosition_ = 0;
    routeMidiEvents(events);
    return 1;
}

VstIntPtr VstManager::routeMidiEvents(VstEvents* events) {
    while (chainPosition_ < kMidiSlots) {
        const int stage = chainPosition_++;
        HostedChild& slot = midiSlots_[static_cast<std::size_t>(stage)];
        if (slot.isLoaded()) return slot.processEvents(liveEvents(events, stage, 1));
    }
    if (!instrument_.isLoaded()) return 0;
    return instrument_.processEvents(liveEvents(events, kMidiSlots, oversampler_.factor()));
}

VstEvents* VstManager::liveEvents(VstEvents* events, int stage, int factor) {
    // A stage's own list: a MIDI slot may hand its events on to the next stage before the call
    // that gave it this list returns.
    EventList<kForwardEvents>& live = stageEvents_[static_cast<std::size_t>(stage)];
    live.clear();
    int copies = 0;
    for (VstInt32 i = 0; i < events->numEvents && !live.full(); ++i) {
        VstEvent* event = eventsOf(events)[i];
        if (!isLiveEvent(event)) continue;
        // The instrument counts oversampled frames: it gets copies of the MIDI events with their
        // offsets scaled, whether they came from the host or from a MIDI slot.
        if (factor != 1 && event->type == kVstMidiType) {
            std::memcpy(&forwardEvents_[copies], event, sizeof(VstMidiEvent));
            forwardEvents_[copies].deltaFrames *= factor;
            event = reinterpret_cast<VstEvent*>(&forwardEvents_[copies++]);
        }
        live.add(event);
    }
    return live.list();
}

}  // namespace vexlo::manager
