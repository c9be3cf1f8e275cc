#include "host/vm_setup.h"

#include "host/midi_input.h"
#include "hosting/library_machine.h"
#include "hosting/preset_file.h"
#include "hosting/probe.h"
#include "manager/files/preset_link.h"
#include "manager/files/manager_state.h"
#include "manager/interface.h"
#include "manager/library/config_file.h"
#include "manager/library/path_utils.h"
#include "manager/library/scan_database.h"
#include "manager/library/settings.h"
#include "platform/platform.h"

namespace vexlo::host {

namespace {

namespace keys = library::settingKeys;
constexpr const char* kFolderKeys[] = {keys::vstFolder, keys::fxpFolder, keys::fxbFolder, keys::midiVstFolder};

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += platform::pathSeparator();
    return folder;
}

}  // namespace

// Where that Vexlo VM keeps its settings: beside it, or in the user's folder where it cannot.
std::string vmSettingsPath(const std::string& vmLibrary) {
    return library::ConfigFile::storeFor(library::ConfigFile::pathBeside(vmLibrary), platform::userSettingsFolder());
}

std::string prepareVmSettings(const std::string& vmLibrary, const std::string& pluginFolder) {
    library::ConfigFile settings(vmSettingsPath(vmLibrary));
    std::size_t cut = vmLibrary.find_last_of("\\/");
    const std::string ownFolder = withSeparator(cut == std::string::npos ? std::string(".") : vmLibrary.substr(0, cut));
    if (!pluginFolder.empty()) {
        settings.write(keys::vstFolder, withSeparator(pluginFolder), true);
    }
    for (const char* key : kFolderKeys)
        if (!settings.read(key)) settings.write(key, ownFolder, true);
    return settings.read(keys::vstFolder).value_or(ownFolder) + library::kScanDatabaseName;
}

bool buildVmState(const std::string& vmLibrary, const VmSetup& setup, std::vector<unsigned char>* chunk,
                  std::string* error) {
    // Vexlo VM reads its settings as it starts, so they come first; a library that turns out
    // not to be Vexlo VM is left with nothing beside it.
    auto exists = [](const std::string& path) { return platform::pathInfo(path).kind != platform::PathKind::missing; };
    const std::string settingsPath = vmSettingsPath(vmLibrary);
    const bool hadSettings = exists(settingsPath);
    const std::string databasePath = prepareVmSettings(vmLibrary);
    const bool hadDatabase = exists(databasePath);
    if (!setup.presetFolder.empty())
        library::ConfigFile(settingsPath).write(keys::fxpFolder, withSeparator(setup.presetFolder), true);
    HostContext context;
    {
        auto vm = Plugin::load(vmLibrary, context, error);
        if (!vm || vm->effect()->uniqueID != manager::kVexloVmUniqueId) {
            if (vm && error) *error = vmLibrary + " is not Vexlo VM: the --vm-... options set up Vexlo VM only";
            vm.reset();
            if (!hadSettings) platform::deleteFile(settingsPath);
            if (!hadDatabase) platform::deleteFile(databasePath);
            return false;
        }
    }
    if (setup.autoGui) library::ConfigFile(settingsPath).write(keys::autoGui, *setup.autoGui ? "Yes" : "No", false);
    library::ConfigFile database(databasePath);
    // The unique ID of a library, which is then recorded as the library for that ID. One of the
    // other word size is asked by the probe of its size, as Vexlo VM's scan asks it.
    auto record = [&](const std::string& path, std::int32_t* id) {
        if (hosting::reachOf(hosting::machineOfLibrary(path)) != hosting::Reach::here) {
            const hosting::ProbeResult probed = hosting::probeLibrary(path);
            if (!probed.uniqueId) {
                if (error) *error = path + " is built for " + hosting::machineName(hosting::machineOfLibrary(path)) +
                                    " and its probe found no plug-in that takes events in it";
                return false;
            }
            *id = *probed.uniqueId;
            database.write(std::to_string(*id), path, true);
            return true;
        }
        auto plugin = Plugin::load(path, context, error);
        if (!plugin) return false;
        *id = plugin->effect()->uniqueID;
        plugin.reset();
        database.write(std::to_string(*id), path, true);
        return true;
    };

    // A state with no states of the plug-ins' own: they start as they load.
    files::ManagerState state;
    if (!setup.instrument.empty() && !record(setup.instrument, &state.instrument.id)) return false;
    state.hasMidiSlots = true;
    for (const auto& [slot, path] : setup.midi) {
        if (slot < 0 || slot >= files::ManagerState::kMidiSlots) {
            if (error) *error = "MIDI slots are numbered 0 to 3";
            return false;
        }
        if (!record(path, &state.midiSlots[static_cast<std::size_t>(slot)].id)) return false;
    }
    if (setup.ownProcess) {
        const library::ConfigFile settings(settingsPath);
        if (state.instrument.id != -1) library::setRunsInOwnProcess(settings, state.instrument.id, *setup.ownProcess);
        for (const auto& slot : state.midiSlots)
            if (slot.id != -1) library::setRunsInOwnProcess(settings, slot.id, *setup.ownProcess);
    }
    static constexpr int kFactors[] = {1, 2, 4, 6, 8};
    for (int i = 0; i < 5; ++i)
        if (kFactors[i] == setup.factor) state.ownParameters[0] = 0.25f * static_cast<float>(i);
    state.ownParameters[1] = setup.highQuality ? 1.0f : 0.0f;
    state.program = 0;
    *chunk = files::encodeManagerState(state);
    return true;
}

bool checkVmPreset(const std::string& vmLibrary, const std::string& path, bool* bank, std::string* error) {
    auto refuse = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    std::vector<unsigned char> bytes;
    if (!readInputFile(path, &bytes, error)) return false;
    library::ConfigFile settings(vmSettingsPath(vmLibrary));
    std::string target = path;
    if (library::upperCase(library::extension(path)) == "FXPLNK") {
        // A link names its file relative to the folder setting for the file's kind.
        auto link = files::decodePresetLink(bytes.data(), bytes.size());
        if (!link) return refuse(path + ": " + link.refusal);
        const char* key = link.value->namesProgramFile() ? keys::fxpFolder : keys::fxbFolder;
        target = settings.read(key).value_or("") + link.value->target;
        if (!readInputFile(target, &bytes, error)) return false;
    }
    auto file = files::decodePresetFile(bytes.data(), bytes.size());
    if (!file) return refuse(target + ": " + file.refusal);
    *bank = file.value->isBank();
    const std::int32_t id = file.value->pluginId;
    library::ScanDatabase database(prepareVmSettings(vmLibrary));
    if (!database.findPluginPath(id))
        return refuse("the file is for '" + fourCharacters(id) + "' (" + std::to_string(id) +
                      "), which is not in the scan database");
    return true;
}

bool loadVmPreset(Plugin& vm, const std::string& path, bool bank) {
    return vm.dispatch(effVendorSpecific, manager::kLoadPresetRequest, bank ? 1 : 0,
                       const_cast<char*>(path.c_str())) == 1;
}

}  // namespace vexlo::host
