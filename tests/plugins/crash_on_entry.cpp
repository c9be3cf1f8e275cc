// A plug-in that takes its host down the moment it is entered, as a broken library can: by
// aborting, or (built with CRASH_SEGFAULT) by writing through a null pointer.
#include <cstdlib>

#include "frame/audio_effect.h"

AudioEffect* createEffectInstance(audioMasterCallback) {
#ifdef CRASH_SEGFAULT
    *static_cast<volatile int*>(nullptr) = 1;
#endif
    std::abort();
}
