// A small instrument on our own frame: one sine voice per held note. Variants are chosen at
// build time to cover what a host of instruments must cope with.
//   TEST_OUTPUTS      1 or 2
//   TEST_CHUNKS       1: programs are chunks; 0: parameters only
//   TEST_REPLACING    1: processReplacing; 0: only the accumulating process
//   TEST_PROGRAMS     number of programs
//   TEST_PARAMS       number of parameters (at least 1; parameter 0 is the volume)
//   TEST_EDITOR       1: has an editor of 200 x 100 pixels: a green panel in the host's window
//                     that counts the editor requests it gets (see test_editor.h)
//   TEST_UNIQUE_ID    the unique ID
//   TEST_INPUTS       number of inputs (0 when not given)
//   TEST_CANDO        0: takes events; 1: refuses everything; 2: -1 to "receiveVstEvents" and
//                     0 (unknown) to "receiveVstMidiEvent"
//   TEST_NULL_RECORD  1: the entry returns no record
//   TEST_RATE_AT_OPEN 1: asks the host for its rate when opened and never hears another, as
//                     many real instruments do
//   TEST_FAULT        1: a wrong write in its 100th sounding block; 2: hangs there; 3: aborts
//                     when asked for its chunk
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/audio_effect_x.h"
#include "tests/plugins/test_editor.h"

#ifndef TEST_INPUTS
#define TEST_INPUTS 0
#endif
#ifndef TEST_CANDO
#define TEST_CANDO 0
#endif
#ifndef TEST_NULL_RECORD
#define TEST_NULL_RECORD 0
#endif
#ifndef TEST_RATE_AT_OPEN
#define TEST_RATE_AT_OPEN 0
#endif
#ifndef TEST_FAULT
#define TEST_FAULT 0
#endif

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kVoices = 16;
constexpr int kMaxPendingEvents = 256;

struct Voice {
    int note = -1;
    double phase = 0.0;
    double increment = 0.0;
    float gain = 0.0f;
};

struct PendingEvent {
    int delta;
    unsigned char status, data1, data2;
};

class TestInstrument : public AudioEffectX {
public:
    explicit TestInstrument(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, TEST_PROGRAMS, TEST_PARAMS) {
        setNumInputs(TEST_INPUTS);
        setNumOutputs(TEST_OUTPUTS);
        setUniqueID(TEST_UNIQUE_ID);
        isSynth(true);
        canProcessReplacing(TEST_REPLACING != 0);
        programsAreChunks(TEST_CHUNKS != 0);
        for (int p = 0; p < TEST_PROGRAMS; ++p) std::snprintf(programNames_[p], sizeof(programNames_[p]), "Program %d", p);
        for (float& value : params_) value = 0.5f;
        if (TEST_EDITOR) setEditor(new TestEditor(this, 200, 100));
    }

    void open() override {
        if (TEST_RATE_AT_OPEN) updateSampleRate();
    }
    void setSampleRate(float rate) override {
        if (!TEST_RATE_AT_OPEN) AudioEffectX::setSampleRate(rate);
    }

    void processReplacing(float**, float** outputs, VstInt32 frames) override { render(outputs, frames, false); }
    void process(float**, float** outputs, VstInt32 frames) override { render(outputs, frames, true); }

    VstInt32 processEvents(VstEvents* events) override {
        pendingCount_ = 0;
        for (VstInt32 i = 0; i < events->numEvents && pendingCount_ < kMaxPendingEvents; ++i) {
            if (eventsOf(events)[i]->type != kVstMidiType) continue;
            auto* midi = reinterpret_cast<VstMidiEvent*>(eventsOf(events)[i]);
            pending_[pendingCount_++] = {midi->deltaFrames, static_cast<unsigned char>(midi->midiData[0]),
                                         static_cast<unsigned char>(midi->midiData[1]),
                                         static_cast<unsigned char>(midi->midiData[2])};
        }
        return 1;
    }

    void setParameter(VstInt32 index, float value) override {
        if (index >= 0 && index < TEST_PARAMS) params_[index] = value;
    }
    float getParameter(VstInt32 index) override { return index >= 0 && index < TEST_PARAMS ? params_[index] : 0.0f; }
    void getParameterName(VstInt32 index, char* text) override {
        if (index == 0) vstStrncpy(text, "Volume", kVstMaxParamStrLen);
        else std::snprintf(text, kVstMaxParamStrLen + 1, "Param%d", index);
    }
    void getParameterDisplay(VstInt32 index, char* text) override { float2string(getParameter(index), text, kVstMaxParamStrLen); }
    void getParameterLabel(VstInt32 index, char* text) override { vstStrncpy(text, index == 0 ? "amp" : "", kVstMaxParamStrLen); }

    void setProgramName(char* name) override { vstStrncpy(programNames_[curProgram], name, kVstMaxProgNameLen); }
    void getProgramName(char* name) override { vstStrncpy(name, programNames_[curProgram], kVstMaxProgNameLen); }
    bool getProgramNameIndexed(VstInt32, VstInt32 index, char* name) override {
        if (index < 0 || index >= TEST_PROGRAMS) return false;
        vstStrncpy(name, programNames_[index], kVstMaxProgNameLen);
        return true;
    }

    // The chunk holds the parameters followed by the current program's name.
    VstInt32 getChunk(void** data, bool) override {
        if (TEST_FAULT == 3) std::abort();
        if (!TEST_CHUNKS) return 0;
        std::memcpy(chunk_, params_, sizeof(params_));
        std::memcpy(chunk_ + sizeof(params_), programNames_[curProgram], sizeof(programNames_[0]));
        *data = chunk_;
        return sizeof(chunk_);
    }
    VstInt32 setChunk(void* data, VstInt32 size, bool) override {
        if (!TEST_CHUNKS || size != static_cast<VstInt32>(sizeof(chunk_))) return 0;
        std::memcpy(params_, data, sizeof(params_));
        // A damaged chunk's values stay within the parameters' range.
        for (float& value : params_) value = std::isfinite(value) ? std::fmin(std::fmax(value, 0.0f), 1.0f) : 0.5f;
        std::memcpy(programNames_[curProgram], static_cast<char*>(data) + sizeof(params_), sizeof(programNames_[0]));
        programNames_[curProgram][kVstMaxProgNameLen] = 0;
        return 1;
    }

    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override {
        if (index < 0 || index >= TEST_OUTPUTS) return false;
        std::snprintf(properties->label, sizeof(properties->label), "Test %d", index + 1);
        properties->flags = kVstPinIsActive | (TEST_OUTPUTS == 2 ? kVstPinIsStereo : 0);
        return true;
    }

    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void*, float) override {
        return editor ? static_cast<TestEditor*>(editor)->answer(index, value) : 0;
    }
    bool getEffectName(char* name) override { return vstStrncpy(name, "Test Instrument", kVstMaxEffectNameLen) != nullptr; }
    bool getVendorString(char* text) override { return vstStrncpy(text, "Vexloworks Tests", kVstMaxVendorStrLen) != nullptr; }
    bool getProductString(char* text) override { return vstStrncpy(text, "Test Instrument", kVstMaxProductStrLen) != nullptr; }
    VstInt32 getVendorVersion() override { return 1; }
    VstInt32 canDo(char* text) override {
        const bool events = !std::strcmp(text, canDoWords::receiveVstEvents);
        const bool midi = !std::strcmp(text, canDoWords::receiveVstMidiEvent);
        switch (TEST_CANDO) {
        case 1: return -1;
        case 2: return events ? -1 : midi ? 0 : -1;
        default: return events || midi ? 1 : -1;
        }
    }
    void resume() override {
        for (Voice& voice : voices_) voice.note = -1;
        AudioEffectX::resume();
    }

private:
    void handle(const PendingEvent& event) {
        unsigned kind = event.status & 0xF0;
        if (kind == 0x90 && event.data2 > 0) {
            Voice* target = &voices_[0];
            for (Voice& voice : voices_) {
                if (voice.note < 0) {
                    target = &voice;
                    break;
                }
            }
            target->note = event.data1;
            target->phase = 0.0;
            target->increment = kTwoPi * 440.0 * std::pow(2.0, (event.data1 - 69) / 12.0) / sampleRate;
            target->gain = event.data2 / 127.0f;
        } else if (kind == 0x80 || kind == 0x90) {
            for (Voice& voice : voices_)
                if (voice.note == event.data1) voice.note = -1;
        } else if (kind == 0xB0 && event.data1 == 123) {
            for (Voice& voice : voices_) voice.note = -1;
        }
    }

    // The faults a crash-proof host must survive, in the block where a song is well under way.
    void misbehave() {
        bool sounding = false;
        for (const Voice& voice : voices_) sounding = sounding || voice.note >= 0;
        if (!sounding || ++soundingBlocks_ != 100) return;
        if (TEST_FAULT == 1) {
            volatile int* nowhere = nullptr;
            *nowhere = 1;
        }
        if (TEST_FAULT == 2)
            for (volatile bool forever = true; forever;) {
            }
    }
    int soundingBlocks_ = 0;

    void render(float** outputs, VstInt32 frames, bool accumulate) {
        misbehave();
        const float volume = 0.25f * params_[0];
        int next = 0;
        for (VstInt32 i = 0; i < frames; ++i) {
            while (next < pendingCount_ && pending_[next].delta <= i) handle(pending_[next++]);
            float sample = 0.0f;
            for (Voice& voice : voices_) {
                if (voice.note < 0) continue;
                sample += static_cast<float>(std::sin(voice.phase)) * voice.gain * volume;
                voice.phase = std::fmod(voice.phase + voice.increment, kTwoPi);
            }
            for (int channel = 0; channel < TEST_OUTPUTS; ++channel) {
                if (accumulate) outputs[channel][i] += sample;
                else outputs[channel][i] = sample;
            }
        }
        while (next < pendingCount_) handle(pending_[next++]);
        pendingCount_ = 0;
    }

    float params_[TEST_PARAMS];
    char programNames_[TEST_PROGRAMS][kVstMaxProgNameLen + 1] = {};
    char chunk_[sizeof(float) * TEST_PARAMS + kVstMaxProgNameLen + 1];
    Voice voices_[kVoices];
    PendingEvent pending_[kMaxPendingEvents];
    int pendingCount_ = 0;
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return TEST_NULL_RECORD ? nullptr : new TestInstrument(audioMaster);
}
