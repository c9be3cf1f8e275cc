#include "hosting/host_callback.h"

#include <cstring>

#include "platform/platform.h"

namespace vexlo::hosting {

VstIntPtr neutralAnswer(VstInt32 opcode, void* ptr) {
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterIdle: platform::sleepMs(1); return 0;
    case audioMasterCanDo: {
        const char* word = static_cast<const char*>(ptr);
        if (!word) return 0;
        for (const char* yes : {canDoWords::sendVstEvents, canDoWords::sendVstMidiEvent, "supplyIdle",
                                canDoWords::sizeWindow})
            if (!std::strcmp(word, yes)) return 1;
        return 0;
    }
    default: return 0;
    }
}

VstIntPtr VEXLO_CDECL neutralCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    return neutralAnswer(opcode, ptr);
}

}  // namespace vexlo::hosting
