#include "arp/arp_effect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new ArpEffect(audioMaster); }

ArpEffect::ArpEffect(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
    setNumInputs(1);
    setNumOutputs(0);
    setUniqueID(kUniqueId);
    canProcessReplacing(true);
    isSynth(true);
    programsAreChunks(true);
}

bool ArpEffect::getEffectName(char* name) {
    vstStrncpy(name, "VexloARP", kVstMaxEffectNameLen);
    return true;
}

bool ArpEffect::getVendorString(char* text) {
    vstStrncpy(text, "Vexloworks", kVstMaxVendorStrLen);
    return true;
}

bool ArpEffect::getProductString(char* text) {
    vstStrncpy(text, "VexloARP", kVstMaxProductStrLen);
    return true;
}
