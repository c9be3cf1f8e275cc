#include "manager/core/child_loader.h"

#include "hosting/child_checks.h"
#include "hosting/library_machine.h"
#include "hosting/probe.h"
#include "manager/library/path_utils.h"
#include "manager/library/scan_database.h"
#include "platform/platform.h"
#include "platform/user_services.h"

namespace vexlo::manager {

namespace {

std::string choosePluginFile(const char* title, const std::string& initialFolder) {
    platform::FileRequest request;
    request.title = title;
    request.typeName = "VSTi DLLs";
    request.extension = std::string(platform::pluginExtension()).substr(1);
    request.initialFolder = initialFolder;
    return platform::userServices().chooseFile(request);
}

}  // namespace

void LoadMessage::show() const {
    if (!empty()) library::report(text, caption);
}

std::string ChildLoader::chooseInstrument() const {
    return choosePluginFile("Select the VSTi to Load", settings_.lastInstrumentPath);
}

std::string ChildLoader::chooseMidiEffect() const {
    return choosePluginFile("Select the MIDI-VST to Load", settings_.midiVstFolder);
}

bool ChildLoader::load(const std::string& path, ChildRole role, audioMasterCallback callback, void* owner,
                       HostedChild& child, LoadMessage& refusal, VstInt32 knownId) {
    const bool instrument = role == ChildRole::instrument;
    auto refuse = [&](const char* caption) {
        child.close();
        marker_.started();
        refusal = {path, caption};
        return false;
    };
    const char* loadFailure = instrument ? "Error loading pluging!" : "Error loading MIDI VST pluging!";
    // A library that once took its host down during a scan is not loaded again.
    const library::ScanDatabase database(settings_.scanDatabasePath);
    if (database.isIgnored(path)) return refuse("Plugin is on the Ignore list!");
    // A library of the other word size can only run in a process of its own, by the bridge of
    // its size; one built for another processor not at all.
    const hosting::Machine machine = hosting::machineOfLibrary(path);
    const hosting::Reach reach = hosting::reachOf(machine);
    if (reach == hosting::Reach::otherProcessor) {
        refuse(loadFailure);
        refusal.text = library::baseName(path) + " is built for " + hosting::machineName(machine) +
                       ": Vexlo VM cannot host it on this processor.";
        return false;
    }
    const std::string bridge = HostedChild::bridgeFor(path);
    if (reach == hosting::Reach::otherWordSize && !platform::fileExists(bridge)) {
        refuse(loadFailure);
        refusal.text = library::baseName(path) + " is built for " + hosting::machineName(machine) + " and needs " +
                       library::fileName(bridge) + " beside Vexlo VM to run in a process of its own.";
        return false;
    }
    // A library chosen by its path alone may be known by the scan: one put in a process of its
    // own goes straight there, never into ours first.
    if (knownId == -1) knownId = database.findUniqueId(path).value_or(-1);
    const bool ownProcess = reach == hosting::Reach::otherWordSize ||
                            (knownId != -1 && library::runsInOwnProcess(store_, knownId));
    if (!ownProcess) marker_.starting(knownId, path);
    if (!(ownProcess ? child.loadInOwnProcess(path) : child.loadLibrary(path)) || !child.enter(callback))
        return refuse(loadFailure);
    if (!ownProcess && library::runsInOwnProcess(store_, child.uniqueId())) {
        child.close();
        marker_.started();
        if (!child.loadInOwnProcess(path) || !child.enter(callback)) return refuse(loadFailure);
    }
    if (child.uniqueId() == kManagerUniqueId) return refuse("Vexlo VM can't host Vexlo VM!");
    switch (instrument ? hosting::fitAsInstrument(child) : hosting::fitAsMidiEffect(child)) {
    case hosting::ChildFit::takesNoEvents: return refuse("Plugin is not a Synth!");
    case hosting::ChildFit::hasNoOutput: return refuse("Plugin has no output!");
    case hosting::ChildFit::handlesNoEvents: return refuse("Plugin is not a MIDI Processor!");
    case hosting::ChildFit::fits: break;
    }
    child.setOwner(owner);
    return true;
}

std::optional<std::string> ChildLoader::findInDatabase(VstInt32 uniqueId) const {
    return library::ScanDatabase(settings_.scanDatabasePath).findPluginPath(uniqueId);
}

void ChildLoader::recordInDatabase(VstInt32 uniqueId, const std::string& path) const {
    library::ScanDatabase(settings_.scanDatabasePath).addPluginPath(uniqueId, path);
}

std::optional<std::string> ChildLoader::adoptLeftMarker() {
    const auto left = marker_.takeLeftBehind();
    if (!left) return std::nullopt;
    std::int32_t id = left->id;
    // A library loaded by its path alone is asked who it is, in the helper: it may crash again.
    if (id == -1) id = hosting::probeLibrary(left->path).uniqueId.value_or(-1);
    if (id == -1) return std::nullopt;
    library::setRunsInOwnProcess(store_, id, true);
    return library::baseName(left->path) + " took the host down the last time it started: it runs in a process of its own from now on.";
}

}  // namespace vexlo::manager
