// Vexlo VM: an instrument that hosts one VST instrument and up to four MIDI effects.
#pragma once

#include "frame/audio_effect_x.h"

class VstManager : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 512;
    static constexpr VstInt32 kNumParams = 4000;
    static constexpr VstInt32 kUniqueId = 0x62373533;  // "b753"

    explicit VstManager(audioMasterCallback audioMaster);

    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1000; }
    VstInt32 canDo(char* text) override;
};
