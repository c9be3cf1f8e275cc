#include "manager/library/settings.h"

#include "platform/platform.h"
#include "platform/user_services.h"

namespace vexlo::library {

namespace {

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += platform::pathSeparator();
    return folder;
}

// The stored folder, or the one the person chooses now (saved with a trailing separator), or
// nothing when they cancel. Files are made in these folders: a stored value that names no
// folder (cut short, or the folder is gone) counts as never chosen.
std::string folderSetting(const ConfigFile& store, const char* key, const char* title) {
    if (auto stored = store.read(key); stored && platform::isFolder(*stored)) return withSeparator(*stored);
    std::string chosen = platform::userServices().chooseFolder(title, "");
    if (chosen.empty() || !platform::isFolder(chosen)) return {};
    chosen = withSeparator(chosen);
    store.write(key, chosen, true);
    return chosen;
}

}  // namespace

void ManagerSettings::load(const ConfigFile& store) {
    vstFolder = folderSetting(store, settingKeys::vstFolder, "Vexlo VM - Select the VST files folder");
    // Without a plug-in folder there is no scan database, and none in the current folder. In a
    // plug-in folder nobody may write (a system-wide one) it lives in the user's settings folder.
    scanDatabasePath = vstFolder.empty() ? std::string() : vstFolder + kScanDatabaseName;
    if (!scanDatabasePath.empty() && platform::pathInfo(scanDatabasePath).kind == platform::PathKind::missing &&
        !platform::canWrite(vstFolder)) {
        const std::string user = platform::userSettingsFolder();
        if (!user.empty() && platform::makeFolders(user)) scanDatabasePath = user + kScanDatabaseName;
    }
    fxpFolder = folderSetting(store, settingKeys::fxpFolder, "Vexlo VM - Select the FXP files folder");
    fxbFolder = folderSetting(store, settingKeys::fxbFolder, "Vexlo VM - Select the FXB files folder");
    midiVstFolder = folderSetting(store, settingKeys::midiVstFolder, "Vexlo VM - Select the MIDI-VSTs files folder");
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

namespace {
std::string ownProcessKey(std::int32_t uniqueId) { return settingKeys::ownProcessPrefix + std::to_string(uniqueId); }
}  // namespace

bool runsInOwnProcess(const ConfigFile& store, std::int32_t uniqueId) {
    const auto value = store.read(ownProcessKey(uniqueId));
    return value && value->compare(0, 3, "Yes") == 0;
}

void setRunsInOwnProcess(const ConfigFile& store, std::int32_t uniqueId, bool on) {
    store.write(ownProcessKey(uniqueId), on ? "Yes" : "No", false);
}

}  // namespace vexlo::library
