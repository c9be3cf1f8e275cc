#include "manager/core/signal_chain.h"

#include <algorithm>
#include <cstring>

namespace vexlo::manager {

void SignalChain::process(bool passed, float** inputs, float** outputs, VstInt32 frames) {
    HostedChild& instrument = rack_.instrument();
    if (!passed || !instrument.isLoaded() || frames <= 0 || frames > oversampler_.preparedFrames()) {
        if (frames > 0) {
            std::fill(outputs[0], outputs[0] + frames, 0.0f);
            std::fill(outputs[1], outputs[1] + frames, 0.0f);
        }
        return;
    }
    oversampler_.bind(inputs, outputs, frames, rack_.instrumentInputs(), rack_.instrumentOutputs());
    for (int s = 0; s < kMidiSlots; ++s) {
        HostedChild& slot = rack_.midiSlot(s);
        if (slot.isLoaded()) slot.process(oversampler_.inputs(), oversampler_.outputs(), frames);
    }
    oversampler_.render(instrument, outputs, frames, rack_.instrumentOutputs(), rack_.instrumentCanReplace());
}

VstInt32 SignalChain::receive(VstEvents* events, AudioGate& gate) {
    if (!events) return 0;
    midiState_.record(events);
    GatePass pass(gate);
    if (!pass) return 0;
    if (!rack_.instrument().isLoaded()) return 1;
    chainPosition_ = 0;
    route(events);
    return 1;
}

VstIntPtr SignalChain::route(VstEvents* events) {
    while (chainPosition_ < kMidiSlots) {
        const int stage = chainPosition_++;
        HostedChild& slot = rack_.midiSlot(stage);
        if (slot.isLoaded()) return slot.processEvents(liveEvents(events, stage, 1));
    }
    if (!rack_.instrument().isLoaded()) return 0;
    return rack_.instrument().processEvents(liveEvents(events, kMidiSlots, oversampler_.factor()));
}

VstEvents* SignalChain::liveEvents(VstEvents* events, int stage, int factor) {
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

void SignalChain::resendHeldNotes() {
    auto* list = reinterpret_cast<VstEvents*>(replayListStorage_);
    list->numEvents = midiState_.heldNoteEvents(replayEvents_);
    list->reserved = 0;
    if (list->numEvents == 0) return;
    for (VstInt32 i = 0; i < list->numEvents; ++i) eventsOf(list)[i] = reinterpret_cast<VstEvent*>(&replayEvents_[i]);
    rack_.instrument().processEvents(list);
}

}  // namespace vexlo::manager
