// Vexlo VM created for a benchmark, with its settings in a temporary folder of its own so that
// no folder dialog waits.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "host/host.h"
#include "manager/core/vst_manager.h"

namespace vexlo::bench {

inline std::filesystem::path vmFolder() {
    const auto folder = std::filesystem::temp_directory_path() / "vexlo-bench-vm";
    std::filesystem::create_directories(folder);
    return folder;
}

inline const library::ConfigFile& vmSettings() {
    static const library::ConfigFile store = [] {
        library::ConfigFile file((vmFolder() / "Vexlo VM.vIni").string());
        for (const char* key : {"VST Directory", "FXPs Directory", "FXBs Directory", "MIDI VSTs Directory"})
            file.write(key, vmFolder().string() + "/", true);
        return file;
    }();
    return store;
}

inline std::unique_ptr<host::Plugin> createVm(host::HostContext& context) {
    vmSettings();
    std::string error;
    return host::Plugin::create(
        "Vexlo VM", [](audioMasterCallback master) { return (new manager::VstManager(master, vmSettings()))->getAeffect(); },
        context, &error);
}

}  // namespace vexlo::bench
