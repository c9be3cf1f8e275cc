#include "manager/library/settings.h"

#include "platform/platform.h"
#include "platform/user_services.h"

namespace vexlo::library {

namespace {

// The stored folder, or the one the person chooses now (saved with a trailing separator), or
// nothing when they cancel.
std::string folderSetting(const ConfigFile& store, const char* key, const char* title) {
    if (auto stored = store.read(key)) return *stored;
    std::string chosen = platform::userServices().chooseFolder(title, "");
    if (chosen.empty()) return {};
    if (chosen.back() != '\\' && chosen.back() != '/') chosen += platform::pathSeparator();
    store.write(key, chosen, true);
    return chosen;
}

}  // namespace

void ManagerSettings::load(const ConfigFile& store) {
    vstFolder = folderSetting(store, "VST Directory", "Vexlo VM - Select the VST files folder");
    scanDatabasePath = vstFolder + "Vexlo VST Scan.vIni";
    fxpFolder = folderSetting(store, "FXPs Directory", "Vexlo VM - Select the FXP files folder");
    fxbFolder = folderSetting(store, "FXBs Directory", "Vexlo VM - Select the FXB files folder");
    midiVstFolder = folderSetting(store, "MIDI VSTs Directory", "Vexlo VM - Select the MIDI-VSTs files folder");
    lastPresetFolder = fxpFolder;
    lastInstrumentPath = vstFolder;
    pendingPresetPath.clear();

    browser = BrowserRectangle{};
    if (auto v = store.readNumber("WinSizeLeft")) browser.left = static_cast<int>(*v);
    if (auto v = store.readNumber("WinSizeRight")) browser.right = static_cast<int>(*v);
    if (auto v = store.readNumber("WinSizeTop")) browser.top = static_cast<int>(*v);
    if (auto v = store.readNumber("WinSizeBottom")) browser.bottom = static_cast<int>(*v);
}

void ManagerSettings::saveBrowserRectangle(const ConfigFile& store) const {
    store.write("WinSizeLeft", browser.left, false);
    store.write("WinSizeRight", browser.right, false);
    store.write("WinSizeTop", browser.top, false);
    store.write("WinSizeBottom", browser.bottom, false);
}

}  // namespace vexlo::library
