// Vexlo VM's machine-wide settings: four folders, the scan database path derived from the
// plug-in folder, and the remembered rectangle of the preset browser.
#pragma once

#include <string>

#include "manager/library/config_file.h"

namespace vexlo::library {

struct BrowserRectangle {
    int left = 100;
    int top = 100;
    int right = 400;
    int bottom = 400;
};

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
    std::string scanDatabasePath;    // vstFolder + "Vexlo VST Scan.vIni"
    std::string lastPresetFolder;    // starts as fxpFolder
    std::string lastInstrumentPath;  // starts as vstFolder
    std::string pendingPresetPath;   // the preset browser's, emptied here
    BrowserRectangle browser;
};

}  // namespace vexlo::library
