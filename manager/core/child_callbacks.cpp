// The host callbacks Vexlo VM gives its children: instrumentCallback to the instrument (and to
// the libraries the scan probes), midiCallback to the MIDI slots.
#include "hosting/host_callback.h"
#include "manager/core/vst_manager.h"

namespace vexlo::manager {

VstIntPtr VEXLO_CDECL VstManager::instrumentCallback(AEffect* child, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                     void* ptr, float opt) {
    return answerChild(child, opcode, index, value, ptr, opt, false);
}

VstIntPtr VEXLO_CDECL VstManager::midiCallback(AEffect* child, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                               void* ptr, float opt) {
    return answerChild(child, opcode, index, value, ptr, opt, true);
}

VstIntPtr VstManager::answerChild(AEffect* child, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt, bool isMidiSlot) {
    // The owner is known once the loader has set the child's user field, and forgotten before
    // the child is closed.
    VstManager* owner = child ? static_cast<VstManager*>(child->user) : nullptr;
    // The factor the instrument runs at, or is being opened for.
    auto factor = [&] {
        if (isMidiSlot) return 1;
        const int preparing = ChildRack::factorForChildBeingPrepared();
        return preparing && child != owner->rack_.instrument().effect() ? preparing : owner->chain_.factor();
    };
    switch (opcode) {
    case audioMasterAutomate:
        if (owner && !isMidiSlot && child == owner->rack_.instrument().effect()) {
            owner->rack_.instrument().noteParameterSet(index);
            owner->setParameterAutomated(index + kOwnParameters, opt);
        }
        return 0;
    case audioMasterGetTime:
        return owner ? reinterpret_cast<VstIntPtr>(owner->getTimeInfo(static_cast<VstInt32>(value))) : 0;
    case audioMasterProcessEvents: {
        if (!owner || !isMidiSlot || !ptr) return 0;
        GatePass pass(owner->gate);
        if (!pass) return 0;
        owner->chain_.route(static_cast<VstEvents*>(ptr));
        return 1;
    }
    // Each child learns the rate and block size it really runs at.
    case audioMasterGetSampleRate:
        if (!owner) return 0;
        return static_cast<VstIntPtr>(owner->sampleRate * static_cast<float>(factor()));
    case audioMasterGetBlockSize:
        if (!owner) return 0;
        return static_cast<VstIntPtr>(owner->blockSize) * factor();
    default: return hosting::neutralAnswer(opcode, ptr);
    }
}

}  // namespace vexlo::manager
