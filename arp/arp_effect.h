// Vexlo ARP MIDI: an arpeggiator with a 32-step pattern.
#pragma once

#include "frame/audio_effect_x.h"

class ArpEffect : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 512;
    static constexpr VstInt32 kNumParams = 9999;
    static constexpr VstInt32 kUniqueId = 0x306C6334;  // "0lc4"

    explicit ArpEffect(audioMasterCallback audioMaster);

    void processReplacing(float**, float**, VstInt32) override {}
    VstInt32 processEvents(VstEvents* events) override { return sendVstEventsToHost(events) ? 1 : 0; }
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1000; }
};
