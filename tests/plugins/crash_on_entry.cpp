// A plug-in that takes its host down the moment it is entered, as a broken library can.
#include <cstdlib>

#include "frame/audio_effect.h"

AudioEffect* createEffectInstance(audioMasterCallback) { std::abort(); }
