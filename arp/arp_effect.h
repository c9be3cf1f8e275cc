// Vexlo ARP MIDI: an arpeggiator that turns the held keys into a stepped note sequence timed
// from the host's tempo, with a 32-step on/off pattern.
#pragma once

#include <atomic>
#include <cstdint>

#include "frame/midi_plugin.h"

namespace vexlo::arp {

class ArpEffect : public MidiPluginEffect {
public:
    static constexpr VstInt32 kNumPrograms = 512;
    static constexpr VstInt32 kNumParams = 9999;
    static constexpr VstInt32 kUniqueId = 0x306C6334;  // "0lc4"
    static constexpr int kKeys = 128;
    static constexpr int kSequenceSize = 128;
    static constexpr int kPatternSteps = 32;
    static constexpr int kMaxOutputEvents = 999;
    static constexpr int kChunkSize = 54;
    static constexpr int kOldChunkSize = 50;

    enum Parameter { kSpeed = 0, kMode = 1, kVelocity = 2, kNumOwnParameters = 3 };
    enum VelocityType { kVelocityNormal = 0, kVelocityFixed = 1, kVelocityFirstKey = 2 };

    explicit ArpEffect(audioMasterCallback audioMaster);
    ~ArpEffect() override;

    // Host face.
    void setSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    VstInt32 processEvents(VstEvents* events) override;

    // Shared with the editor, which writes them from its own thread.
    bool stepOn(int step) const { return stepPattern[step].load(std::memory_order_relaxed) == 1; }
    void setStep(int step, bool on) { stepPattern[step].store(on ? 1 : 0, std::memory_order_relaxed); }
    bool isBypassed() const { return bypass.load(); }
    void setBypassed(bool on) { bypass.store(on); }

    // The engine's view, for tests and the editor.
    float getSamplesPerTick() const { return samplesPerTick.load(); }
    float getTickDenominator() const { return tickDenominator.load(); }
    int getSequenceLength() const { return sequenceLength; }
    int getSequenceNote(int index) const { return sequenceNotes[index]; }

    virtual void initialise();

private:
    void rebuildSequence();
    void resetState();
    void recomputeTickLength();
    void noteOn(int key, int velocity);
    void noteOff(int key);
    void appendEntry(int key, int octave, int previousNote);
    void appendPass(int octave, bool descending, int previousNote, int skipA = -1, int skipB = -1);
    void advancePlayPosition(bool randomOrder);
    bool queueEvent(int sampleOffset, unsigned char status, int note, int velocity);

    // Parameters, stored exactly as set.
    std::atomic<float> parameters[kNumOwnParameters];
    char parameterNames[kNumOwnParameters][kVstMaxParamStrLen];

    // Key collection.
    std::uint8_t heldKeys[kKeys];
    std::int32_t pressOrder[kKeys];
    std::int32_t heldCount;
    std::int32_t keyVelocity[kKeys];
    std::int32_t firstKeyVelocity;

    // Sequence.
    std::int32_t sequenceNotes[kSequenceSize];
    std::int32_t sequenceVelocities[kSequenceSize];
    std::int32_t sequenceLength;
    std::int32_t playPosition;
    std::atomic<bool> sequenceDirty;
    bool restartPending;

    // Timing.
    float tickNumerator;
    std::atomic<float> tickDenominator;
    std::atomic<float> lastTempo;
    std::atomic<float> samplesPerTick;
    std::int32_t tickCounter;
    bool noteOnPhase;
    std::atomic<bool> fullLength;

    // Pattern.
    std::atomic<std::uint8_t> stepPattern[kPatternSteps];
    std::int32_t patternIndex;

    // Output.
    std::int32_t lastNote;
    std::atomic<std::int32_t> velocityType;
    std::atomic<bool> bypass;
    alignas(VstEvents) char outputListStorage[offsetof(VstEvents, events) + kMaxOutputEvents * sizeof(VstEvent*)];
    VstEvents* outputEvents;
    VstMidiEvent outputRecords[kMaxOutputEvents];
    int outputCount = 0;

    unsigned char* chunk = nullptr;
};

static_assert(std::atomic<float>::is_always_lock_free && std::atomic<bool>::is_always_lock_free &&
              std::atomic<std::uint8_t>::is_always_lock_free && std::atomic<std::int32_t>::is_always_lock_free);

}  // namespace vexlo::arp
