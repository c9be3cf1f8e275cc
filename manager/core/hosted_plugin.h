// One loaded child library (the instrument's, or a MIDI slot's) and its entry point.
#pragma once

#include <string>

#include "frame/vst_records.h"
#include "platform/platform.h"

namespace vexlo::manager {

using PluginEntry = AEffect*(VEXLO_CDECL*)(audioMasterCallback);

class HostedPlugin {
public:
    HostedPlugin() = default;
    ~HostedPlugin() { release(); }
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    // Loads the library and keeps its handle; false when the system cannot load it.
    bool load(const std::string& path);
    // "VSTPluginMain", or "main" when that is absent; null when neither is exported.
    PluginEntry entryPoint() const;
    // Unloads the library, if one is held.
    void release();
    bool isLoaded() const { return library_ != nullptr; }

private:
    platform::LibraryHandle library_ = nullptr;
};

}  // namespace vexlo::manager
