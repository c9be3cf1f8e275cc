// A plug-in that takes its host down the moment it is entered, as a broken library can: by
// aborting, (built with CRASH_SEGFAULT) by writing through a null pointer, or (CRASH_HANG) by
// never returning.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "frame/audio_effect.h"

AudioEffect* createEffectInstance(audioMasterCallback) {
#ifdef CRASH_HANG
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
#endif
#ifdef CRASH_SEGFAULT
    *static_cast<volatile int*>(nullptr) = 1;
#endif
    std::abort();
}
