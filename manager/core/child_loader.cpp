// Loading and unloading the children: the instrument and the four MIDI slots.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "manager/core/vst_manager.h"
#include "manager/library/path_utils.h"
#include "manager/library/scan_database.h"
#include "platform/platform.h"
#include "platform/user_services.h"

using vexlo::manager::GateHold;
using vexlo::manager::HostedPlugin;
using vexlo::manager::PluginEntry;

namespace {

// The canDo questions that decide whether a child is acceptable: each is asked only when the
// one before it answered no (-1). True when any answer is yes or unknown.
bool passesCapabilityTest(AEffect* child, std::initializer_list<const char*> words) {
    for (const char* word : words) {
        char text[64];
        vstStrncpy(text, word, sizeof(text) - 1);
        if (child->dispatcher(child, effCanDo, 0, 0, text, 0.0f) != -1) return true;
    }
    return false;
}

// Enters a freshly loaded library; null when it has no entry or its entry returns no record.
AEffect* enter(HostedPlugin& library, audioMasterCallback callback) {
    PluginEntry entry = library.entryPoint();
    AEffect* child = entry ? entry(callback) : nullptr;
    if (child && child->magic != kEffectMagic) child = nullptr;
    return child;
}

std::string pluginFileType() {
    std::string extension = vexlo::platform::pluginExtension();
    return extension.substr(1);
}

// Asks the person for a plug-in library; empty when they cancel.
std::string choosePluginFile(const char* title, const std::string& initialFolder) {
    vexlo::platform::FileRequest request;
    request.title = title;
    request.typeName = "VSTi DLLs";
    request.extension = pluginFileType();
    request.initialFolder = initialFolder;
    return vexlo::platform::userServices().chooseFile(request);
}

}  // namespace

void VstManager::prepareBuffers() {
    // Enough for the largest block the host announced (and never less than 2048 frames) at the
    // largest factor, so that processing never has to allocate.
    const int frames = std::max<int>(blockSize, 2048);
    preparedFrames = frames;
    const std::size_t samples = static_cast<std::size_t>(frames) * kMaxFactor;
    for (auto& buffer : oversampled) buffer.assign(samples, 0.0f);
    scratch.assign(samples, 0.0f);
    // The channel arrays serve the instrument and the MIDI slots alike: as many entries as the
    // widest of them has pins, and never fewer than two.
    int channels = std::max({2, instrumentOutputs.load(), instrumentInputs.load()});
    for (const MidiSlot& slot : midiSlots)
        if (const AEffect* midi = slot.effect.load()) channels = std::max({channels, midi->numOutputs, midi->numInputs});
    outputArray.assign(static_cast<std::size_t>(channels), scratch.data());
    inputArray.assign(static_cast<std::size_t>(channels), scratch.data());
}

void VstManager::recordInDatabase(VstInt32 id, const std::string& path) {
    vexlo::library::ScanDatabase(settings_.scanDatabasePath).addPluginPath(id, path);
}

void VstManager::unloadInstrument() {
    AEffect* child = instrument.load();
    if (!child) return;
    audioAcknowledged = false;
    unloadRequested = true;
    if (editorLink) editorLink->closeHostedEditor(true);
    instrument = nullptr;
    closeChild(child, instrumentLibrary, instrumentActive);
    instrumentActive = false;
    unloadRequested = false;
}

void VstManager::chooseInstrumentFile() {
    instrumentPath = choosePluginFile("Select the VSTi to Load", settings_.lastInstrumentPath);
}

void VstManager::loadInstrument(const char* path, bool callerHoldsBusy, VstInt32 expectedUniqueId) {
    // Unless the caller holds the gate, another change in progress makes this load give way.
    std::optional<GateHold> hold;
    if (!callerHoldsBusy) {
        hold.emplace(gate, GateHold::giveUpIfHeld);
        if (!*hold) return;
    }

    // The current instrument goes first: cancelling the file dialog leaves none.
    unloadInstrument();

    if (path) instrumentPath = path;
    else chooseInstrumentFile();
    if (instrumentPath.size() <= 2) return;
    settings_.lastInstrumentPath = instrumentPath;

    auto fail = [&](const char* caption) {
        vexlo::library::report(instrumentPath, caption);
        instrumentLibrary.release();
    };
    if (!instrumentLibrary.load(instrumentPath)) return fail("Error loading pluging!");
    AEffect* child = enter(instrumentLibrary, instrumentCallback);
    if (!child) return fail("Error loading pluging!");

    if (!passesCapabilityTest(child, {canDoWords::receiveVstEvents, canDoWords::receiveVstMidiEvent})) {
        child->dispatcher(child, effClose, 0, 0, nullptr, 0.0f);
        return fail("Plugin is not a Synth!");
    }
    if (child->numOutputs <= 0) {
        child->dispatcher(child, effClose, 0, 0, nullptr, 0.0f);
        return fail("Plugin has no output!");
    }

    instrumentCanReplace = (child->flags & effFlagsCanReplacing) != 0;
    instrumentOutputs = child->numOutputs;
    instrumentInputs = std::max(child->numInputs, 0);
    numParams = child->numParams;
    prepareBuffers();
    child->user = this;
    appliedFactor = desiredFactor();
    decimatorState[0] = decimatorState[1] = 0.0f;
    child->dispatcher(child, effOpen, 0, 0, nullptr, 0.0f);
    child->dispatcher(child, effSetSampleRate, 0, 0, nullptr, static_cast<float>(appliedFactor.load()) * sampleRate);
    child->dispatcher(child, effSetBlockSize, 0, static_cast<VstIntPtr>(appliedFactor.load()) * blockSize, nullptr, 0.0f);
    child->dispatcher(child, effMainsChanged, 0, 1, nullptr, 0.0f);
    instrumentActive = true;
    instrument = child;
    forwardProgram(curProgram);
    updateDisplay();
    ioChanged();
    if (editorLink) editorLink->setHostedInstrument(child);

    VstInt32 key = child->uniqueID;
    if (expectedUniqueId >= 0 && expectedUniqueId != child->uniqueID) {
        if (!vexlo::library::ask("The selected VST doesn't match the loaded FXP/FXB file.\n"
                                 "Do you want to set this VST to be used for this file?",
                                 "Warning!")) {
            unloadInstrument();
            return;
        }
        key = expectedUniqueId;
    } else if (expectedUniqueId >= 0) {
        key = expectedUniqueId;
    }
    recordInDatabase(key, instrumentPath);
}

void VstManager::unloadMidiEffect(int slot, bool callerHoldsBusy) {
    if (slot < 0 || slot >= kMidiSlots) return;
    std::optional<GateHold> hold;
    if (!callerHoldsBusy) {
        hold.emplace(gate, GateHold::wait);
        if (!*hold) return;
    }
    MidiSlot& midi = midiSlots[slot];
    if (AEffect* child = midi.effect.exchange(nullptr)) {
        if (editorLink) editorLink->closeMidiSlotEditor(slot);
        closeChild(child, midi.library);
    }
    midi.name.clear();
    if (editorLink) editorLink->setMidiSlotLabel(slot, "Bypass");
}

void VstManager::loadMidiEffect(const char* path, int slot, bool callerHoldsBusy) {
    if (slot < 0 || slot >= kMidiSlots) return;
    std::optional<GateHold> hold;
    if (!callerHoldsBusy) {
        hold.emplace(gate, GateHold::wait);
        if (!*hold) return;
    }
    unloadMidiEffect(slot, true);
    MidiSlot& midi = midiSlots[slot];

    std::string chosen;
    if (path) {
        chosen = path;
    } else {
        chosen = choosePluginFile("Select the MIDI-VST to Load", settings_.midiVstFolder);
    }
    if (chosen.size() <= 2) return;

    auto fail = [&](const char* caption) {
        vexlo::library::report(chosen, caption);
        midi.library.release();
    };
    if (!midi.library.load(chosen)) return fail("Error loading MIDI VST pluging!");
    AEffect* child = enter(midi.library, midiCallback);
    if (!child) return fail("Error loading MIDI VST pluging!");
    if (!passesCapabilityTest(child, {canDoWords::receiveVstEvents, canDoWords::receiveVstMidiEvent,
                                      canDoWords::sendVstMidiEvent})) {
        child->dispatcher(child, effClose, 0, 0, nullptr, 0.0f);
        return fail("Plugin is not a MIDI Processor!");
    }

    child->user = this;
    child->dispatcher(child, effOpen, 0, 0, nullptr, 0.0f);
    child->dispatcher(child, effSetSampleRate, 0, 0, nullptr, sampleRate);
    child->dispatcher(child, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    child->dispatcher(child, effMainsChanged, 0, 1, nullptr, 0.0f);
    midi.effect = child;
    prepareBuffers();
    midi.name = vexlo::library::baseName(chosen);
    if (editorLink) editorLink->setMidiSlotLabel(slot, midi.name);
    recordInDatabase(child->uniqueID, chosen);
}

std::optional<VstInt32> VstManager::probePlugin(const std::string& path) {
    HostedPlugin library;
    if (!library.load(path)) return std::nullopt;
    AEffect* child = enter(library, instrumentCallback);
    if (!child) return std::nullopt;
    child->dispatcher(child, effOpen, 0, 0, nullptr, 0.0f);
    child->dispatcher(child, effMainsChanged, 0, 1, nullptr, 0.0f);
    const bool takesEvents =
        passesCapabilityTest(child, {canDoWords::receiveVstEvents, canDoWords::receiveVstMidiEvent});
    const VstInt32 id = child->uniqueID;
    child->dispatcher(child, effMainsChanged, 0, 0, nullptr, 0.0f);
    child->dispatcher(child, effClose, 0, 0, nullptr, 0.0f);
    if (!takesEvents) return std::nullopt;
    return id;
}

void VstManager::scanPlugins(bool onlyNew) {
    GateHold hold(gate, GateHold::wait);
    if (!hold) return;
    unloadInstrument();
    vexlo::library::ScanDatabase database(settings_.scanDatabasePath);
    database.scan(settings_.vstFolder, onlyNew, probePlugin, [this](const std::string& name) {
        if (editorLink) editorLink->setScanLabel(name);
    });
}
