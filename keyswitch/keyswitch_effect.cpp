#include "keyswitch/keyswitch_effect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new KeySwitchEffect(audioMaster); }

KeySwitchEffect::KeySwitchEffect(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
    setNumInputs(1);
    setNumOutputs(0);
    canProcessReplacing(true);
    isSynth(true);
    programsAreChunks(true);
}

bool KeySwitchEffect::getEffectName(char* name) {
    vstStrncpy(name, "Zaz Ozevovore", kVstMaxEffectNameLen);
    return true;
}

bool KeySwitchEffect::getVendorString(char* text) {
    vstStrncpy(text, "Vexloworks", kVstMaxVendorStrLen);
    return true;
}

bool KeySwitchEffect::getProductString(char* text) {
    vstStrncpy(text, "Zaz Ozevovore", kVstMaxProductStrLen);
    return true;
}
