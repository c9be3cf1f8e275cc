#include "keyswitch/keyswitch_effect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new vexlo::keyswitch::KeySwitchEffect(audioMaster); }
