// An instrument that reports what its host did to it, for the tests of Vexlo VM's host core.
// It outputs a constant (parameter 0) on both outputs, remembers the first input samples of the
// last block, the events it received, the rate and block size it was told, and what the host
// answered when it asked for them. It traps (aborts the process) when it is processed while
// suspended or closed, or reconfigured while a processing call is running on another thread.
// Queries go through effVendorSpecific (see probe_instrument.h). PROBE_INPUTS sets its number
// of inputs (2 when not given).
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "frame/audio_effect_x.h"
#include "tests/plugins/probe_instrument.h"

#ifndef PROBE_INPUTS
#define PROBE_INPUTS 2
#endif

namespace {

class ProbeInstrument : public AudioEffectX {
public:
    explicit ProbeInstrument(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 8, 4) {
        setNumInputs(PROBE_INPUTS);
        setNumOutputs(2);
        setUniqueID(kProbeInstrumentId + PROBE_INPUTS);
        isSynth(true);
        programsAreChunks(true);
    }
    ~ProbeInstrument() override { trapIfProcessing(); }

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override {
        switch (opcode) {
        case effMainsChanged:
        case effSetSampleRate:
        case effSetBlockSize:
        case effClose: trapIfProcessing(); break;
        default: break;
        }
        return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    }

    void resume() override {
        active = true;
        askedRate = static_cast<float>(callHost(audioMasterGetSampleRate));
        askedBlock = static_cast<VstInt32>(callHost(audioMasterGetBlockSize));
        AudioEffectX::resume();
    }
    void suspend() override { active = false; }
    void close() override { active = false; }
    void setSampleRate(float rate) override { toldRate = rate; }
    void setBlockSize(VstInt32 size) override { toldBlock = size; }

    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override {
        Processing scope(*this);
        for (int i = 0; i < kRememberedInputs; ++i) firstInputs[i] = PROBE_INPUTS && i < frames ? inputs[0][i] : 0.0f;
        lastFrames = frames;
        for (VstInt32 i = 0; i < frames; ++i) outputs[0][i] = outputs[1][i] = level;
    }

    VstInt32 processEvents(VstEvents* events) override {
        Processing scope(*this);
        // Every event counts; one that is no MIDI event is remembered with status 0 and its type.
        for (VstInt32 i = 0; i < events->numEvents; ++i) {
            const VstEvent* event = eventsOf(events)[i];
            if (event->type != kVstMidiType) {
                received[receivedCount++ % kRememberedEvents] = {event->deltaFrames, 0, event->type & 0xFF};
                continue;
            }
            auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
            received[receivedCount % kRememberedEvents] = {midi->deltaFrames,
                                                           static_cast<unsigned char>(midi->midiData[0]),
                                                           static_cast<unsigned char>(midi->midiData[1])};
            ++receivedCount;
        }
        return 1;
    }

    void setParameter(VstInt32 index, float value) override {
        if (index == 0) level = value;
        if (index >= 0 && index < 4) params[index] = value;
    }
    float getParameter(VstInt32 index) override { return index >= 0 && index < 4 ? params[index].load() : 0.0f; }

    VstInt32 canDo(char* text) override { return std::strcmp(text, canDoWords::receiveVstEvents) ? -1 : 1; }

    VstIntPtr vendorSpecific(VstInt32 query, VstIntPtr value, void*, float) override {
        switch (query) {
        case kAskInputSample: return static_cast<VstIntPtr>(firstInputs[value] * 1000.0f);
        case kAskEventCount: return receivedCount;
        case kAskEvent: {
            const Received& r = received[value % kRememberedEvents];
            return (static_cast<VstIntPtr>(r.deltaFrames) << 16) | (r.status << 8) | r.data1;
        }
        case kAskToldRate: return static_cast<VstIntPtr>(toldRate);
        case kAskToldBlock: return toldBlock;
        case kAskAnsweredRate: return static_cast<VstIntPtr>(askedRate);
        case kAskAnsweredBlock: return askedBlock;
        case kAskFrames: return lastFrames;
        case kAskAutomate: setParameterAutomated(static_cast<VstInt32>(value), 0.75f); return 1;
        default: return 0;
        }
    }

private:
    static constexpr int kRememberedInputs = 8;
    static constexpr int kRememberedEvents = 64;
    struct Received {
        VstInt32 deltaFrames;
        int status, data1;
    };
    struct Processing {
        explicit Processing(ProbeInstrument& p) : probe(p) {
            if (!probe.active) std::abort();  // processed while suspended or closed
            probe.processing.fetch_add(1);
        }
        ~Processing() { probe.processing.fetch_sub(1); }
        ProbeInstrument& probe;
    };

    // A host must not change a plug-in under a processing call of another thread.
    void trapIfProcessing() {
        if (processing.load() > 0) std::abort();
    }

    std::atomic<bool> active{false};
    std::atomic<int> processing{0};
    std::atomic<float> params[4] = {};
    float level = 0.0f;
    float toldRate = 0.0f;
    VstInt32 toldBlock = 0;
    float askedRate = 0.0f;
    VstInt32 askedBlock = 0;
    float firstInputs[kRememberedInputs] = {};
    VstInt32 lastFrames = 0;
    Received received[kRememberedEvents] = {};
    int receivedCount = 0;
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new ProbeInstrument(audioMaster); }
