// Vexlo Key-Switch MIDI: a keyboard split whose lower keys open or close each instance's gate.
#pragma once

#include "frame/audio_effect_x.h"

class KeySwitchEffect : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 512;
    static constexpr VstInt32 kNumParams = 9999;

    explicit KeySwitchEffect(audioMasterCallback audioMaster);

    void processReplacing(float**, float**, VstInt32) override {}
    VstInt32 processEvents(VstEvents* events) override { return sendVstEventsToHost(events) ? 1 : 0; }
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1000; }
};
