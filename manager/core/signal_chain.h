// What Vexlo VM does on the host's audio thread: the MIDI chain through the loaded MIDI slots to
// the instrument, the slots and the instrument played into the host's buffers (oversampled
// when a factor is in force), and the notes the host holds. Nothing here allocates, locks or
// waits; the front passes the gate before it calls in.
#pragma once

#include <array>
#include <cstddef>

#include "frame/event_list.h"
#include "manager/core/child_rack.h"
#include "manager/core/midi_state.h"
#include "manager/core/oversampler.h"

namespace vexlo::manager {

class SignalChain {
public:
    explicit SignalChain(ChildRack& rack) : rack_(rack) {}

    // One block into the host's outputs; silence when the gate was not passed, nothing is
    // loaded, or the block is longer than the buffers prepared.
    void process(bool passed, float** inputs, float** outputs, VstInt32 frames);
    // The host's events: recorded, then down the chain when the gate was passed.
    VstInt32 receive(VstEvents* events, AudioGate& gate);
    // One step of the chain: the next loaded MIDI slot, or the instrument.
    VstIntPtr route(VstEvents* events);
    // The notes the host holds, to an instrument that has not heard them.
    void resendHeldNotes();

    // ---- Set up with the gate held ----
    void prepare(int blockSize) { oversampler_.prepare(blockSize, rack_.widestChannels()); }
    void setFactor(int factor, Oversampler::Quality quality) { oversampler_.setFactor(factor, quality); }
    int factor() const { return oversampler_.factor(); }
    Oversampler::Quality quality() const { return oversampler_.quality(); }
    int latency() const { return oversampler_.latency(); }
    MidiStateTracker& midiState() { return midiState_; }
    const MidiStateTracker& midiState() const { return midiState_; }

private:
    // The events of a list that a stage of the chain can use, in that stage's own list: MIDI
    // events with a status byte (a slot before may have blanked those it used up) and SysEx.
    VstEvents* liveEvents(VstEvents* events, int stage, int factor);

    static constexpr int kMidiSlots = ChildRack::kMidiSlots;
    static constexpr int kForwardEvents = 1024;

    ChildRack& rack_;
    Oversampler oversampler_;
    MidiStateTracker midiState_;
    int chainPosition_ = 0;
    // What each stage of the chain (the slots, then the instrument) is handed: the events it
    // can use, and for an oversampled instrument copies with their offsets scaled.
    std::array<EventList<kForwardEvents>, kMidiSlots + 1> stageEvents_;
    VstMidiEvent forwardEvents_[kForwardEvents];
    // The held notes, as they are sent again to an instrument that restarted.
    VstMidiEvent replayEvents_[MidiStateTracker::kNotes];
    alignas(VstEvents) char replayListStorage_[offsetof(VstEvents, events) + MidiStateTracker::kNotes * sizeof(VstEvent*)];
};

}  // namespace vexlo::manager
