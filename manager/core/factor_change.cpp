// Vexlo VM's instrument at the factor and quality in force. Many instruments take their rate
// only when they start, so a new rate is given to a fresh start of the instrument, with its
// whole state carried over and the notes the host holds sent again; the MIDI slots keep
// running at the host's rate. Every operation here runs with the gate held.
#include <cmath>

#include "manager/core/vst_manager.h"

namespace vexlo::manager {

int VstManager::desiredFactor() const { return oversamplerBypassed() ? 1 : oversamplingFactor_.load(); }

Oversampler::Quality VstManager::desiredQuality() const {
    return ownParameters_[1].load() >= 0.5f ? Oversampler::Quality::high : Oversampler::Quality::classic;
}

void VstManager::applyFactor() {
    const int factor = desiredFactor();
    const float rate = instrumentRate(factor);
    const VstInt32 block = instrumentBlock(factor);
    oversampler_.setFactor(factor, desiredQuality());
    if (instrument_.isLoaded()) {
        if (instrument_.sampleRate() != rate) restartInstrument(factor);
        else if (instrument_.blockSize() != block || (resumed_ && !instrument_.isResumed()))
            instrument_.setRateAndBlock(rate, block, resumed_);
    }
    reportLatency();
}

void VstManager::restartInstrument(int factor) {
    const VstInt32 program = instrument_.program();
    files::StoredChild carried = captureInstrument();
    if (carried.kind == files::kStateChunk && carried.state.empty()) {
        // It says it keeps its state in a chunk but hands over none: its parameters, then.
        carried.kind = files::kStateParamDump;
        carried.state = captureParameterDump();
    }
    if (observer_) observer_->instrumentChanged(nullptr);
    if (!instrument_.restart(instrumentCallback, this)) {
        // The library gave no second instrument: what it was stays in the state for the next
        // save, as for an instrument a restored state names but nobody has.
        missingInstrument_ = std::move(carried);
        updateDisplay();
        return;
    }
    const float rate = instrumentRate(factor);
    instrument_.open(rate, instrumentBlock(factor));
    // The program first: a chunk that holds only the program playing belongs to that program.
    instrument_.setProgram(program);
    if (carried.kind == files::kStateChunk && !carried.state.empty()) {
        instrument_.restoreChunk(carried.state, rate);
    } else if (carried.kind == files::kStateParamDump) {
        instrument_.suspend();
        applyParameterDump(carried.state, false);
        instrument_.resume();
    }
    if (instrument_.program() != program) instrument_.setProgram(program);
    resendHeldNotes();
    if (observer_) observer_->instrumentChanged(instrument_.effect());
    updateDisplay();
}

void VstManager::reportLatency() {
    const VstInt32 delay = instrument_.isLoaded() ? oversampler_.latency() : 0;
    if (delay == cEffect.initialDelay) return;
    setInitialDelay(delay);
    ioChanged();
}

void VstManager::resendHeldNotes() {
    auto* list = reinterpret_cast<VstEvents*>(replayListStorage_);
    list->numEvents = midiState_.heldNoteEvents(replayEvents_);
    list->reserved = 0;
    if (list->numEvents == 0) return;
    for (VstInt32 i = 0; i < list->numEvents; ++i) eventsOf(list)[i] = reinterpret_cast<VstEvent*>(&replayEvents_[i]);
    instrument_.processEvents(list);
}

}  // namespace vexlo::manager
