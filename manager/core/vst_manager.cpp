#include "manager/core/vst_manager.h"

#include <algorithm>
#include <cstring>

VstManager::VstManager(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing(true);
    isSynth(true);
    suspend();
    programsAreChunks(true);
}

void VstManager::processReplacing(float**, float** outputs, VstInt32 sampleFrames) {
    for (int channel = 0; channel < 2; ++channel) std::fill(outputs[channel], outputs[channel] + sampleFrames, 0.0f);
}

bool VstManager::getEffectName(char* name) {
    vstStrncpy(name, "VexloVM", kVstMaxEffectNameLen);
    return true;
}

bool VstManager::getVendorString(char* text) {
    vstStrncpy(text, "Vexloworks", kVstMaxVendorStrLen);
    return true;
}

bool VstManager::getProductString(char* text) {
    vstStrncpy(text, "VexloVM", kVstMaxProductStrLen);
    return true;
}

VstInt32 VstManager::canDo(char* text) {
    if (!std::strcmp(text, canDoWords::receiveVstEvents) || !std::strcmp(text, "receiveVstMidiEvents")) return 1;
    return -1;
}
