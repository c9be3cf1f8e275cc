// Sets Vexlo VM up from outside, through what it reads anyway: its settings file, its scan
// database, and a state chunk that names the plug-ins to host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"

namespace vexlo::host {

struct VmSetup {
    std::string instrument;                        // library path of the instrument to host
    std::vector<std::pair<int, std::string>> midi;  // MIDI slot (0 to 3) and library path
    int factor = 1;                                 // 1, 2, 4, 6 or 8
    bool highQuality = false;                       // the oversampler's High quality
    std::optional<bool> autoGui;                    // its editor's "Auto GUI" switch, when given
    std::optional<bool> ownProcess;                 // the named plug-ins each in a process of its own
    std::string presetFolder;                       // its preset folder ("FXPs Directory"), when given
    std::string presetFile;                         // a preset, bank or link file it loads itself
};

// Where Vexlo VM keeps its settings: its library's path with the extension "vIni".
std::string vmSettingsPath(const std::string& vmLibrary);

// Makes sure the settings name all four folders (a missing one becomes the library's own
// folder, so that nothing asks a person), and returns the scan database path they give.
std::string prepareVmSettings(const std::string& vmLibrary, const std::string& pluginFolder = "");

// Records each chosen library under its unique ID in the scan database and builds a state
// chunk that names them. False with a reason when a library cannot be loaded or vmLibrary is
// not Vexlo VM (and then nothing is left beside it).
bool buildVmState(const std::string& vmLibrary, const VmSetup& setup, std::vector<unsigned char>* chunk,
                  std::string* error);

// Reads a preset, bank or link file for --vm-preset as Vexlo VM will, and tells whether it is a
// bank. False with the reason when Vexlo VM would refuse it, or would ask a person for the
// instrument it was made for (the scan database does not know its plug-in ID).
bool checkVmPreset(const std::string& vmLibrary, const std::string& path, bool* bank, std::string* error);

// Has Vexlo VM (loaded and started) load the file of --vm-preset, exactly as its "Load Preset"
// and "Load Bank" commands do with the file chosen.
bool loadVmPreset(Plugin& vm, const std::string& path, bool bank);

}  // namespace vexlo::host
