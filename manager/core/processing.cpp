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
        HostedChild& slot = midiSlots_[chainPosition_++];
        if (slot.isLoaded()) return slot.processEvents(events);
    }
    if (!instrument_.isLoaded()) return 0;
    const int factor = oversampler_.factor();
    if (factor == 1) return instrument_.processEvents(events);

    // The instrument counts oversampled frames: hand it a copy of the list with every MIDI
    // event's offset scaled, whether the event came from the host or from a MIDI slot.
    const VstInt32 count = std::min<VstInt32>(events->numEvents, kForwardEvents);
    forwardList_->numEvents = count;
    for (VstInt32 i = 0; i < count; ++i) {
        VstEvent* event = eventsOf(events)[i];
        if (event && event->type == kVstMidiType) {
            std::memcpy(&forwardEvents_[i], event, sizeof(VstMidiEvent));
            forwardEvents_[i].deltaFrames *= factor;
            eventsOf(forwardList_)[i] = reinterpret_cast<VstEvent*>(&forwardEvents_[i]);
        } else {
            eventsOf(forwardList_)[i] = event;
        }
    }
    return instrument_.processEvents(forwardList_);
}

}  // namespace vexlo::manager
