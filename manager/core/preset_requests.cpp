// The path the preset browser or the search window leaves for the editor's idle to load. The
// windows and the idle may run on different threads, so the path is kept under a small lock;
// the audio thread never touches it. And the same load asked for from outside, by vexlo-host.
#include "manager/core/vst_manager.h"
#include "manager/interface.h"

namespace vexlo::manager {

VstIntPtr VstManager::vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float) {
    if (index != kLoadPresetRequest || !ptr) return 0;
    loadPresetOrBank(value != 0, static_cast<const char*>(ptr), true);
    return 1;
}

bool VstManager::offerPresetPath(const std::string& path) {
    if (path.empty() || gate.isHeld()) return false;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    if (!pendingPresetPath_.empty()) return false;
    pendingPresetPath_ = path;
    return true;
}

std::string VstManager::takePendingPresetPath() {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    std::string path;
    path.swap(pendingPresetPath_);
    return path;
}

bool VstManager::presetPathPending() const {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    return !pendingPresetPath_.empty();
}

}  // namespace vexlo::manager
