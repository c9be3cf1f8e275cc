#include "manager/core/vst_manager.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new vexlo::manager::VstManager(audioMaster);
}
