// Who Vexlo VM says it is to its host: its names, vendor and version, its two outputs and what
// it can do. The front builds on it.
#pragma once

#include <cstring>

#include "frame/audio_effect_x.h"
#include "frame/family.h"

namespace vexlo::manager {

class VexloVmIdentity : public AudioEffectX {
public:
    using AudioEffectX::AudioEffectX;

    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override {
        return stereoOutputProperties(index, properties);
    }
    bool getEffectName(char* name) override { return copyName(name, "VexloVM", kVstMaxEffectNameLen); }
    bool getVendorString(char* text) override { return copyName(text, kVendor, kVstMaxVendorStrLen); }
    bool getProductString(char* text) override { return copyName(text, "VexloVM", kVstMaxProductStrLen); }
    VstInt32 getVendorVersion() override { return kVendorVersion; }
    VstInt32 canDo(char* text) override {
        return !std::strcmp(text, canDoWords::receiveVstEvents) || !std::strcmp(text, "receiveVstMidiEvents") ? 1 : -1;
    }
};

}  // namespace vexlo::manager
