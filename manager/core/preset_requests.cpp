// The path the preset browser or the search window leaves for the editor's idle to load. The
// windows and the idle may run on different threads, so the path is kept under a small lock;
// the audio thread never touches it.
#include "manager/core/vst_manager.h"

namespace vexlo::manager {

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
