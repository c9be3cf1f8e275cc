// Vexlo VM's machine-wide settings: four folders, the scan database path derived from the
// plug-in folder, and the remembered rectangle of the preset browser.
#pragma once

#include <cstdint>
#include <string>

#include "manager/library/config_file.h"

namespace vexlo::library {

// The keys of Vexlo VM's settings store, and the name of its scan database in the plug-in folder.
namespace settingKeys {
inline constexpr const char* vstFolder = "VST Directory";
inline constexpr const char* fxpFolder = "FXPs Directory";
inline constexpr const char* fxbFolder = "FXBs Directory";
inline constexpr const char* midiVstFolder = "MIDI VSTs Directory";
inline constexpr const char* autoGui = "Auto GUI";
// The size the editor last had with the instrument's editor inside.
inline constexpr const char* hostedGuiWidth = "Hosted GUI Width";
inline constexpr const char* hostedGuiHeight = "Hosted GUI Height";
// Followed by a plug-in's unique ID in decimal: "Yes" when it runs in a process of its own.
inline constexpr const char* ownProcessPrefix = "Own Process ";
}  // namespace settingKeys
inline constexpr const char* kScanDatabaseName = "Vexlo VST Scan.vIni";

struct BrowserRectangle {
    int left = 100;
    int top = 100;
    int right = 400;
    int bottom = 400;
};

// Which plug-ins run in a process of their own, kept by unique ID so that a plug-in once put
// there stays there in every song.
bool runsInOwnProcess(const ConfigFile& store, std::int32_t uniqueId);
void setRunsInOwnProcess(const ConfigFile& store, std::int32_t uniqueId, bool on);

class ManagerSettings {
public:
    // Reads every setting from the store and asks for each folder that was never chosen, in the
    // order plug-ins, presets, banks, MIDI plug-ins; a chosen folder is saved with a trailing
    // separator.
    void load(const ConfigFile& store);
    // Saves the browser rectangle, in the order left, right, top, bottom.
    void saveBrowserRectangle(const ConfigFile& store) const;

    std::string vstFolder;
    std::string fxpFolder;
    std::string fxbFolder;
    std::string midiVstFolder;
    std::string scanDatabasePath;    // vstFolder + kScanDatabaseName
    std::string lastPresetFolder;    // starts as fxpFolder
    std::string lastInstrumentPath;  // starts as vstFolder
    std::string pendingPresetPath;   // the preset browser's, emptied here
    BrowserRectangle browser;
};

}  // namespace vexlo::library
