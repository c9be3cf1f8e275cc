// What Vexlo VM does on the host's audio thread: the MIDI chain and the instrument, played
// directly or oversampled. Nothing here allocates, locks or waits.
#include <algorithm>
#include <cstring>

#include "manager/core/resampler.h"
#include "manager/core/vst_manager.h"

using vexlo::manager::GatePass;

namespace {

void silence(float** outputs, VstInt32 frames) {
    std::fill(outputs[0], outputs[0] + frames, 0.0f);
    std::fill(outputs[1], outputs[1] + frames, 0.0f);
}

void runChild(AEffect* child, float** inputs, float** outputs, VstInt32 frames) {
    if (child->flags & effFlagsCanReplacing) child->processReplacing(child, inputs, outputs, frames);
    else child->process(child, inputs, outputs, frames);
}

}  // namespace

void VstManager::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    GatePass pass(gate);
    AEffect* child = instrument.load();
    // The silent path: a change is running, or there is nothing to play, or the block is longer
    // than the buffers prepared for the block size the host announced.
    if (!pass || !child || unloadRequested.load() || frames <= 0 || frames > preparedFrames) {
        audioAcknowledged = true;
        if (frames > 0) silence(outputs, frames);
        return;
    }
    const int factor = appliedFactor.load();
    const int outputCount = instrumentOutputs.load();
    const int inputCount = instrumentInputs.load();
    const std::size_t oversampledFrames = static_cast<std::size_t>(frames) * static_cast<std::size_t>(factor);

    // Channel arrays: host outputs first, every further channel on the shared scratch buffer,
    // which also stands in for inputs a host does not give.
    const bool hostInputs = inputs && inputs[0] && inputs[1];
    if (outputCount > 2 || inputCount > 0 || !hostInputs || outputArray.size() > 2)
        std::fill(scratch.begin(), scratch.begin() + oversampledFrames, 0.0f);
    const float* inLeft = hostInputs ? inputs[0] : scratch.data();
    const float* inRight = hostInputs ? inputs[1] : scratch.data();
    std::fill(outputArray.begin(), outputArray.end(), scratch.data());
    outputArray[0] = outputs[0];
    outputArray[1] = outputs[1];
    std::fill(inputArray.begin(), inputArray.end(), scratch.data());
    if (inputCount == 0) {
        inputArray[0] = const_cast<float*>(inLeft);
        inputArray[1] = const_cast<float*>(inRight);
    }

    for (MidiSlot& slot : midiSlots)
        if (AEffect* midi = slot.effect.load()) runChild(midi, inputArray.data(), outputArray.data(), frames);

    const bool canReplace = instrumentCanReplace.load();
    if (factor == 1) {
        // An instrument that can only accumulate adds to silence, not to what the buffers held.
        if (!canReplace) silence(outputs, frames);
        runChild(child, inputArray.data(), outputArray.data(), frames);
    } else {
        float* left = oversampled[0].data();
        float* right = oversampled[1].data();
        vexlo::manager::upsample(inLeft, frames, factor, left);
        vexlo::manager::upsample(inRight, frames, factor, right);
        outputArray[0] = left;
        outputArray[1] = right;
        runChild(child, outputArray.data(), outputArray.data(), static_cast<VstInt32>(oversampledFrames));
        vexlo::manager::decimate(left, frames, factor, decimatorState[0], outputs[0]);
        if (outputCount > 1) vexlo::manager::decimate(right, frames, factor, decimatorState[1], outputs[1]);
    }
    if (outputCount == 1) std::copy(outputs[0], outputs[0] + frames, outputs[1]);
}

VstInt32 VstManager::processEvents(VstEvents* events) {
    if (!events) return 0;
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
                heldNotes[d1] = {channel, static_cast<std::int8_t>(velocity)};
                break;
            }
            [[fallthrough]];
        case 0x80: heldNotes[d1] = {}; break;
        case 0xB0: {
            const int number = std::max<int>(static_cast<signed char>(midi->midiData[1]), 0);
            if (number == 123) clearMidiState();
            else controllerValues[number] = {channel, static_cast<std::int8_t>(midi->midiData[2])};
            break;
        }
        case 0xD0: channelPressure = {channel, static_cast<std::int8_t>(d1)}; break;
        case 0xE0: pitchBend = {channel, static_cast<std::int8_t>(velocity)}; break;
        default: break;
        }
    }
    GatePass pass(gate);
    if (!pass || unloadRequested.load()) return 0;
    if (!instrument.load()) return 1;
    chainPosition = 0;
    routeMidiEvents(events);
    return 1;
}

VstIntPtr VstManager::routeMidiEvents(VstEvents* events) {
    while (chainPosition < kMidiSlots) {
        if (AEffect* midi = midiSlots[chainPosition++].effect.load())
            return midi->dispatcher(midi, effProcessEvents, 0, 0, events, 0.0f);
    }
    AEffect* child = instrument.load();
    if (!child) return 0;
    const int factor = appliedFactor.load();
    if (factor == 1) return child->dispatcher(child, effProcessEvents, 0, 0, events, 0.0f);

    // The instrument counts oversampled frames: hand it a copy of the list with every MIDI
    // event's offset scaled, whether the event came from the host or from a MIDI slot.
    const VstInt32 count = std::min<VstInt32>(events->numEvents, kForwardEvents);
    forwardList->numEvents = count;
    for (VstInt32 i = 0; i < count; ++i) {
        VstEvent* event = eventsOf(events)[i];
        if (event && event->type == kVstMidiType) {
            std::memcpy(&forwardEvents[i], event, sizeof(VstMidiEvent));
            forwardEvents[i].deltaFrames *= factor;
            eventsOf(forwardList)[i] = reinterpret_cast<VstEvent*>(&forwardEvents[i]);
        } else {
            eventsOf(forwardList)[i] = event;
        }
    }
    return child->dispatcher(child, effProcessEvents, 0, 0, forwardList, 0.0f);
}

void VstManager::clearMidiState() {
    std::fill(std::begin(heldNotes), std::end(heldNotes), ChannelValue{});
    std::fill(std::begin(controllerValues), std::end(controllerValues), ChannelValue{});
    channelPressure = {};
    pitchBend = {};
}
