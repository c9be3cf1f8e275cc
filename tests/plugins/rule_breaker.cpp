// A small, well-behaved plug-in that breaks exactly one rule of the host contract, chosen by
// BROKEN_RULE, to prove that vexlo-host validate finds each fault by the check made for it:
//   0  none: a sine instrument with two parameters, two programs and a chunk
//   1  a parameter name written without its terminator
//   2  a chunk that changes on every round trip (a save counter inside it)
//   3  an allocation in every processing call
//   4  a NaN at the start of every note
//   5  a write one frame past the end of each output
//   6  a MIDI effect that drops the note-offs of odd keys (hung notes)
//   7  a MIDI effect that passes every event through (the clean twin of 6)
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "frame/audio_effect_x.h"

namespace {

enum class Rule { none, nameTerminator, changingChunk, allocation, nan, overrun, hungNotes, cleanMidi };
constexpr Rule kBroken = static_cast<Rule>(BROKEN_RULE);
constexpr bool kMidiEffect = kBroken == Rule::hungNotes || kBroken == Rule::cleanMidi;

// Where the allocating variant keeps its allocation, so that the compiler cannot drop it.
void* volatile kept = nullptr;

constexpr int kVoices = 16;
constexpr int kMaxEvents = 512;

class RuleBreaker : public AudioEffectX {
public:
    explicit RuleBreaker(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 2, 2) {
        setNumInputs(0);
        setNumOutputs(kMidiEffect ? 0 : 2);
        setUniqueID(fourCharCode('V', 'r', 'B', static_cast<char>('0' + BROKEN_RULE)));
        isSynth(true);
        programsAreChunks(true);
        list_ = reinterpret_cast<VstEvents*>(listStorage_);
        for (int i = 0; i < kMaxEvents; ++i) eventsOf(list_)[i] = reinterpret_cast<VstEvent*>(&out_[i]);
    }

    VstInt32 processEvents(VstEvents* events) override {
        for (VstInt32 i = 0; i < events->numEvents; ++i) {
            if (eventsOf(events)[i]->type != kVstMidiType) continue;
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(eventsOf(events)[i]);
            if (kMidiEffect) forward(*midi);
            else play(*midi);
        }
        return 1;
    }

    void processReplacing(float**, float** outputs, VstInt32 frames) override {
        if (kBroken == Rule::allocation) {
            kept = std::malloc(64);
            std::free(kept);
        }
        if (kMidiEffect) {
            if (outCount_ > 0) {
                list_->numEvents = outCount_;
                sendVstEventsToHost(list_);
                outCount_ = 0;
            }
            return;
        }
        const float gain = params_[0];
        const float release = 0.999f - 0.01f * params_[1];
        for (VstInt32 i = 0; i < frames; ++i) {
            float sum = 0;
            for (Voice& voice : voices_) {
                if (voice.level == 0.0f) continue;
                sum += voice.level * std::sin(voice.phase);
                voice.phase = std::fmod(voice.phase + voice.step, 6.2831853f);
                if (voice.releasing && (voice.level *= release) < 1e-5f) voice.level = 0.0f;
            }
            outputs[0][i] = outputs[1][i] = gain * sum;
        }
        if (kBroken == Rule::nan && pendingNan_) {
            outputs[0][0] = std::numeric_limits<float>::quiet_NaN();
            pendingNan_ = false;
        }
        if (kBroken == Rule::overrun) outputs[0][frames] = 0.25f;
    }

    void setParameter(VstInt32 index, float value) override {
        if (index >= 0 && index < 2) params_[index] = std::isfinite(value) ? std::fmin(std::fmax(value, 0.0f), 1.0f) : 0.5f;
    }
    float getParameter(VstInt32 index) override { return index >= 0 && index < 2 ? params_[index].load() : 0.0f; }
    void getParameterName(VstInt32 index, char* text) override {
        if (kBroken == Rule::nameTerminator && index == 0) std::memcpy(text, "Loudness", 8);  // no terminator
        else vstStrncpy(text, index == 0 ? "Gain" : "Release", kVstMaxParamStrLen);
    }
    void getParameterDisplay(VstInt32 index, char* text) override { float2string(getParameter(index), text, kVstMaxParamStrLen); }
    void getParameterLabel(VstInt32, char* text) override { *text = 0; }
    void getProgramName(char* name) override { vstStrncpy(name, curProgram ? "Soft" : "Plain", kVstMaxProgNameLen); }
    bool getProgramNameIndexed(VstInt32, VstInt32 index, char* name) override {
        if (index < 0 || index > 1) return false;
        vstStrncpy(name, index ? "Soft" : "Plain", kVstMaxProgNameLen);
        return true;
    }

    VstInt32 getChunk(void** data, bool) override {
        if (kBroken == Rule::changingChunk) ++saves_;
        const float values[2] = {params_[0], params_[1]};
        std::memcpy(chunk_, values, sizeof(values));
        std::memcpy(chunk_ + sizeof(values), &saves_, sizeof(saves_));
        *data = chunk_;
        return sizeof(chunk_);
    }
    VstInt32 setChunk(void* data, VstInt32 size, bool) override {
        if (size != static_cast<VstInt32>(sizeof(chunk_))) return 0;
        float values[2];
        std::memcpy(values, data, sizeof(values));
        for (int i = 0; i < 2; ++i) setParameter(i, values[i]);
        std::memcpy(&saves_, static_cast<char*>(data) + sizeof(values), sizeof(saves_));
        return 1;
    }

    VstInt32 canDo(char* text) override {
        if (!std::strcmp(text, canDoWords::receiveVstEvents) || !std::strcmp(text, canDoWords::receiveVstMidiEvent)) return 1;
        if (kMidiEffect && (!std::strcmp(text, canDoWords::sendVstEvents) || !std::strcmp(text, canDoWords::sendVstMidiEvent)))
            return 1;
        return -1;
    }
    bool getEffectName(char* name) override { return vstStrncpy(name, "Rule Breaker", kVstMaxEffectNameLen) != nullptr; }

private:
    struct Voice {
        int key = -1;
        float level = 0, phase = 0, step = 0;
        bool releasing = false;
    };

    void play(const VstMidiEvent& midi) {
        const unsigned kind = static_cast<unsigned char>(midi.midiData[0]) & 0xF0;
        const int key = midi.midiData[1] & 0x7F, velocity = midi.midiData[2] & 0x7F;
        if (kind == 0x90 && velocity > 0) {
            Voice& voice = voices_[next_++ % kVoices];
            voice = {key, 0.05f * velocity / 127.0f, 0.0f,
                     6.2831853f * 440.0f * std::pow(2.0f, (key - 69) / 12.0f) / getSampleRate(), false};
            pendingNan_ = true;
        } else if (kind == 0x80 || kind == 0x90) {
            for (Voice& voice : voices_)
                if (voice.key == key) voice.releasing = true;
        } else if (kind == 0xB0 && (midi.midiData[1] == 123 || midi.midiData[1] == 120)) {
            for (Voice& voice : voices_) voice.releasing = true;
        }
    }

    void forward(const VstMidiEvent& midi) {
        const unsigned kind = static_cast<unsigned char>(midi.midiData[0]) & 0xF0;
        const bool off = kind == 0x80 || (kind == 0x90 && midi.midiData[2] == 0);
        if (kBroken == Rule::hungNotes && off && (midi.midiData[1] & 1)) return;
        if (outCount_ < kMaxEvents) out_[outCount_++] = midi;
    }

    // Set by the host's automation thread while the audio thread reads them.
    std::atomic<float> params_[2] = {0.8f, 0.5f};
    Voice voices_[kVoices];
    unsigned next_ = 0;
    bool pendingNan_ = false;
    unsigned saves_ = 0;
    char chunk_[sizeof(float) * 2 + sizeof(unsigned)] = {};
    alignas(VstEvents) char listStorage_[offsetof(VstEvents, events) + kMaxEvents * sizeof(VstEvent*)] = {};
    VstEvents* list_;
    VstMidiEvent out_[kMaxEvents];
    int outCount_ = 0;
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new RuleBreaker(audioMaster); }
