#include "manager/core/hosted_plugin.h"

namespace vexlo::manager {

bool HostedPlugin::load(const std::string& path) {
    release();
    library_ = platform::loadLibrary(path);
    return library_ != nullptr;
}

PluginEntry HostedPlugin::entryPoint() const {
    if (!library_) return nullptr;
    if (void* entry = platform::findSymbol(library_, "VSTPluginMain")) return reinterpret_cast<PluginEntry>(entry);
    return reinterpret_cast<PluginEntry>(platform::findSymbol(library_, "main"));
}

void HostedPlugin::release() {
    platform::releaseLibrary(library_);
    library_ = nullptr;
}

}  // namespace vexlo::manager
