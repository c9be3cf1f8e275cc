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

// Vexlo VM's unique ID, "b753".
constexpr std::int32_t kVexloVmId = 0x62373533;

struct VmSetup {
    std::string instrument;                        // library path of the instrument to host
    std::vector<std::pair<int, std::string>> midi;  // MIDI slot (0 to 3) and library path
    int factor = 1;                                 // 1, 2, 4, 6 or 8
    bool highQuality = false;                       // the oversampler's High quality
    std::optional<bool> autoGui;                    // its editor's "Auto GUI" switch, when given
    std::string presetFolder;                       // its preset folder ("FXPs Directory"), when given
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

}  // namespace vexlo::host
