// The exported entry of every plug-in library.
#include <new>

#include "frame/audio_effect.h"

extern "C" VEXLO_EXPORT AEffect* VEXLO_CDECL VSTPluginMain(audioMasterCallback audioMaster) {
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = nullptr;
    try {
        effect = createEffectInstance(audioMaster);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return effect ? effect->getAeffect() : nullptr;
}
