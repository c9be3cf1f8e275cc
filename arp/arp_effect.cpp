// The face the arpeggiator shows to its host: construction, parameters, programs, identity and
// the state chunk.
#include "arp/arp_effect.h"

#include <cmath>
#include <cstring>

#include "arp/arp_editor.h"

namespace vexlo::arp {

namespace {
constexpr char kHeaderCurrent[] = "VEXLOHDR02";
constexpr char kHeaderOld[] = "VEXLOHDR01";
constexpr int kHeaderSize = 10;
constexpr int kPatternOffsetCurrent = 22;
constexpr int kPatternOffsetOld = 18;

float readFloat(const unsigned char* at) {
    float value;
    std::memcpy(&value, at, sizeof(value));
    return value;
}

void writeFloat(unsigned char* at, float value) { std::memcpy(at, &value, sizeof(value)); }

}  // namespace

ArpEffect::ArpEffect(audioMasterCallback audioMaster)
    : MidiPluginEffect(audioMaster, kNumPrograms, kNumParams, "VexloARP") {
    setNumInputs(1);
    setNumOutputs(0);
    setUniqueID(kUniqueId);
    canProcessReplacing(true);
    isSynth(true);
    for (auto& value : parameters) value = 0.0f;
    std::memset(parameterNames, 0, sizeof(parameterNames));
    initialise();
    new vexlo::arp::ArpEditor(this);  // the editor attaches itself
    programsAreChunks(true);
}

ArpEffect::~ArpEffect() { delete[] chunk; }

void ArpEffect::initialise() {
    std::memcpy(parameterNames[kSpeed], "ArpSpeed", kVstMaxParamStrLen);
    std::memcpy(parameterNames[kMode], "ArpMode ", kVstMaxParamStrLen);
    parameters[kSpeed] = 3.0f;
    velocityType = kVelocityNormal;
    firstKeyVelocity = 0;

    std::memset(heldKeys, 0, sizeof(heldKeys));
    std::memset(pressOrder, 0, sizeof(pressOrder));
    std::memset(keyVelocity, 0, sizeof(keyVelocity));
    std::memset(sequenceNotes, 0, sizeof(sequenceNotes));
    std::memset(sequenceVelocities, 0, sizeof(sequenceVelocities));
    heldCount = 0;
    sequenceLength = 0;
    playPosition = 0;
    for (auto& step : stepPattern) step = 1;
    patternIndex = 0;
    tickNumerator = 1.0f;
    // A fresh instance plays at the speed its parameter shows: 1/16 (Half).
    tickDenominator = 32.0f;
    samplesPerTick = 0.0f;
    lastTempo = 0.0f;
    tickCounter = 0;
    noteOnPhase = true;
    restartPending = true;
    sequenceDirty = false;
    fullLength = false;
    lastNote = -1;
    bypass = false;

    // The output list: 999 MIDI records, each prepared once.
    outputEvents = reinterpret_cast<VstEvents*>(outputListStorage);
    outputEvents->numEvents = 1;
    outputEvents->reserved = 0;
    for (int i = 0; i < kMaxOutputEvents; ++i) {
        std::memset(&outputRecords[i], 0, sizeof(VstMidiEvent));
        outputRecords[i].type = kVstMidiType;
        outputRecords[i].byteSize = 24;
        eventsOf(outputEvents)[i] = reinterpret_cast<VstEvent*>(&outputRecords[i]);
    }
}

void ArpEffect::setSampleRate(float rate) {
    bool changed = rate != sampleRate;
    AudioEffectX::setSampleRate(rate);
    if (changed) recomputeTickLength();
}

void ArpEffect::setParameter(VstInt32 index, float value) {
    switch (index) {
    case kSpeed: {
        parameters[kSpeed] = value;
        static constexpr float kDenominators[] = {4, 8, 16, 32, 64, 128, 256};
        // Truncate toward zero; values far outside the menu choose nothing.
        if (value > -1.0f && value < 15.0f) {
            int speed = static_cast<int>(value);
            if (speed >= 0 && speed <= 6) tickDenominator = kDenominators[speed];
            else if (speed >= 8 && speed <= 14) tickDenominator = kDenominators[speed - 8];
        }
        fullLength = value > 6.0f;
        recomputeTickLength();
        break;
    }
    case kMode:
        parameters[kMode] = value;
        sequenceDirty = true;
        break;
    case kVelocity:
        parameters[kVelocity] = value;
        velocityType = value == 0.0f ? kVelocityNormal : value == 0.5f ? kVelocityFixed : kVelocityFirstKey;
        break;
    default: break;
    }
    if (editor && editor->isOpen()) static_cast<vexlo::arp::ArpEditor*>(editor)->setParameter(index, value);
}

float ArpEffect::getParameter(VstInt32 index) {
    return index >= 0 && index < kNumOwnParameters ? parameters[index].load() : 0.0f;
}

void ArpEffect::getParameterName(VstInt32 index, char* text) {
    if (index < 0 || index >= kNumOwnParameters) return;
    std::memcpy(text, parameterNames[index], kVstMaxParamStrLen);
    text[kVstMaxParamStrLen] = 0;
}

void ArpEffect::getParameterLabel(VstInt32 index, char* label) { getParameterName(index, label); }

void ArpEffect::getParameterDisplay(VstInt32 index, char* text) {
    if (index >= 0 && index < kNumOwnParameters) float2string(parameters[index], text, kVstMaxParamStrLen);
    else vstStrncpy(text, "    ", kVstMaxParamStrLen);
}

// ---- State chunk ----

VstInt32 ArpEffect::getChunk(void** data, bool) {
    delete[] chunk;
    chunk = new unsigned char[kChunkSize]();
    std::memcpy(chunk, kHeaderCurrent, kHeaderSize);
    writeFloat(chunk + 10, parameters[kSpeed]);
    writeFloat(chunk + 14, parameters[kMode]);
    writeFloat(chunk + 18, parameters[kVelocity]);
    for (int i = 0; i < kPatternSteps; ++i) chunk[kPatternOffsetCurrent + i] = stepPattern[i];
    *data = chunk;
    return kChunkSize;
}

VstInt32 ArpEffect::setChunk(void* data, VstInt32 byteSize, bool) {
    if (!data || byteSize < kHeaderSize) return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const bool old = std::memcmp(bytes, kHeaderOld, kHeaderSize) == 0;
    // Only our own chunks are read, and only whole: another header, a chunk shorter than its
    // layout or a value out of its range is refused and the state stays as it was.
    if (!old && std::memcmp(bytes, kHeaderCurrent, kHeaderSize) != 0) return 0;
    if (byteSize < (old ? kOldChunkSize : kChunkSize)) return 0;

    const float speed = readFloat(bytes + 10);
    const float mode = readFloat(bytes + 14);
    const float velocity = old ? 0.0f : readFloat(bytes + 18);
    auto within = [](float value, float highest) { return std::isfinite(value) && value >= 0.0f && value <= highest; };
    if (!within(speed, 14.0f) || !within(mode, 23.0f) || !within(velocity, 1.0f)) return 0;
    const unsigned char* pattern = bytes + (old ? kPatternOffsetOld : kPatternOffsetCurrent);
    for (int i = 0; i < kPatternSteps; ++i)
        if (pattern[i] > 1) return 0;
    for (int i = 0; i < kPatternSteps; ++i) stepPattern[i] = pattern[i];
    if (editor && editor->isOpen()) static_cast<vexlo::arp::ArpEditor*>(editor)->patternChanged();
    setParameter(kSpeed, speed);
    setParameter(kMode, mode);
    setParameter(kVelocity, velocity);
    return 1;
}

}  // namespace vexlo::arp
