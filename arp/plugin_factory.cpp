#include "arp/arp_effect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new vexlo::arp::ArpEffect(audioMaster); }
