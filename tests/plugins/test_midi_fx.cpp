// A MIDI effect that raises every note by one semitone and hands the result to its host from
// inside its processing, as many real MIDI plug-ins do; its 300 x 40 editor is the test panel. It traps (aborts the process) when it
// is processed while suspended, or suspended or closed under a processing call of another thread.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "frame/audio_effect_x.h"
#include "tests/plugins/test_editor.h"

namespace {

constexpr int kMaxEvents = 256;

class TestMidiFx : public AudioEffectX {
public:
    explicit TestMidiFx(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 1, 0) {
        setNumInputs(0);
        setNumOutputs(0);
        setUniqueID(fourCharCode('V', 't', 'M', 'x'));
        isSynth(true);
        list_ = reinterpret_cast<VstEvents*>(listStorage_);
        for (int i = 0; i < kMaxEvents; ++i) eventsOf(list_)[i] = reinterpret_cast<VstEvent*>(&events_[i]);
        setEditor(new TestEditor(this, 300, 40));
    }
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void*, float) override {
        return static_cast<TestEditor*>(editor)->answer(index, value);
    }

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override {
        if ((opcode == effMainsChanged || opcode == effClose) && processing.load() > 0) std::abort();
        return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    }
    void resume() override {
        active = true;
        AudioEffectX::resume();
    }
    void suspend() override { active = false; }

    VstInt32 processEvents(VstEvents* events) override {
        Processing scope(*this);
        for (VstInt32 i = 0; i < events->numEvents && count_ < kMaxEvents; ++i) {
            if (eventsOf(events)[i]->type != kVstMidiType) continue;
            VstMidiEvent event;
            std::memcpy(&event, eventsOf(events)[i], sizeof(event));
            unsigned kind = static_cast<unsigned char>(event.midiData[0]) & 0xF0;
            if ((kind == 0x80 || kind == 0x90) && event.midiData[1] == 0) {
                // Key 0 is used up and handed back blanked, with an event of a type nobody
                // defined after it, as careless MIDI effects hand back what they do not pass on.
                event.midiData[0] = event.midiData[1] = event.midiData[2] = 0;
                events_[count_++] = event;
                if (count_ < kMaxEvents) {
                    event.type = 99;
                    events_[count_++] = event;
                }
                continue;
            }
            if ((kind == 0x80 || kind == 0x90) && event.midiData[1] < 127) ++event.midiData[1];
            events_[count_++] = event;
        }
        return 1;
    }

    void processReplacing(float**, float**, VstInt32) override {
        Processing scope(*this);
        if (count_ == 0) return;
        list_->numEvents = count_;
        sendVstEventsToHost(list_);
        count_ = 0;
    }

    VstInt32 canDo(char* text) override {
        if (!std::strcmp(text, canDoWords::receiveVstEvents) || !std::strcmp(text, canDoWords::receiveVstMidiEvent) ||
            !std::strcmp(text, canDoWords::sendVstMidiEvent) || !std::strcmp(text, canDoWords::sendVstEvents))
            return 1;
        return -1;
    }
    bool getEffectName(char* name) override { return vstStrncpy(name, "Test MIDI FX", kVstMaxEffectNameLen) != nullptr; }

private:
    struct Processing {
        explicit Processing(TestMidiFx& fx) : fx(fx) {
            if (!fx.active) std::abort();
            fx.processing.fetch_add(1);
        }
        ~Processing() { fx.processing.fetch_sub(1); }
        TestMidiFx& fx;
    };
    std::atomic<bool> active{false};
    std::atomic<int> processing{0};

    // An event list with room for every event.
    alignas(VstEvents) char listStorage_[offsetof(VstEvents, events) + kMaxEvents * sizeof(VstEvent*)] = {};
    VstEvents* list_;
    VstMidiEvent events_[kMaxEvents];
    int count_ = 0;
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new TestMidiFx(audioMaster); }
