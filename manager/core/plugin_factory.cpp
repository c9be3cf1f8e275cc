#include "manager/core/vst_manager.h"
#include "manager/editor/manager_editor.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    auto* manager = new vexlo::manager::VstManager(audioMaster);
    // The editor registers itself with the manager (which then declares it to the host).
    new vexlo::manager::VstManagerEditor(manager);
    return manager;
}
