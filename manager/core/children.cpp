// Vexlo VM's children coming and going: the instrument and the four MIDI slots. A child is
// loaded, checked and opened before the gate is taken, so that processing goes on while the
// person chooses a file and while a library starts; only putting it in place holds the gate.
#include <optional>

#include "hosting/probe.h"
#include "manager/core/vst_manager.h"
#include "manager/library/path_utils.h"
#include "manager/library/scan_database.h"

namespace vexlo::manager {

namespace {
thread_local int preparingFactor = 0;
}  // namespace

int VstManager::factorForChildBeingPrepared() { return preparingFactor; }

bool VstManager::prepareInstrument(const std::string& path, int factor, HostedChild& child, LoadMessage& refusal) {
    if (!loader_.load(path, ChildRole::instrument, instrumentCallback, this, child, refusal)) return false;
    // The child asks for its rate while it opens: it hears the one it is about to run at.
    preparingFactor = factor;
    child.open(instrumentRate(factor), instrumentBlock(factor));
    preparingFactor = 0;
    return true;
}

bool VstManager::prepareMidiEffect(const std::string& path, HostedChild& child, LoadMessage& refusal) {
    if (!loader_.load(path, ChildRole::midiEffect, midiCallback, this, child, refusal)) return false;
    child.open(sampleRate, blockSize);
    return true;
}

void VstManager::installInstrument(HostedChild&& child, const std::string& path) {
    unloadInstrument();
    missingInstrument_ = {};
    instrumentCanReplace_ = child.hasFlag(effFlagsCanReplacing);
    instrumentOutputs_ = child.numOutputs();
    instrumentInputs_ = child.numInputs();
    numParams = child.numParams();
    instrument_ = std::move(child);
    instrumentPath_ = path;
    prepareBuffers();
    // Prepared for the factor in force when it was opened; the bypass may have changed since.
    applyFactor();
    forwardProgram(curProgram);
    updateDisplay();
    ioChanged();
    if (observer_) observer_->instrumentChanged(instrument_.effect());
}

void VstManager::unloadInstrument() {
    if (!instrument_.isLoaded()) return;
    if (observer_) observer_->instrumentChanged(nullptr);
    instrument_.close();
    reportLatency();
}

void VstManager::loadInstrument(const char* path, bool callerHoldsBusy, VstInt32 expectedUniqueId) {
    // Another change in progress makes this load give way, unless the caller is that change.
    if (!callerHoldsBusy && gate.isHeld() && !gate.heldByThisThread()) return;

    const std::string chosen = path ? std::string(path) : loader_.chooseInstrument();
    std::optional<GateHold> hold;
    auto takeGate = [&] {
        if (!callerHoldsBusy) hold.emplace(gate, GateHold::wait);
        return callerHoldsBusy || bool(*hold);
    };
    if (chosen.size() <= 2) {
        // Choosing no file is choosing no instrument.
        if (takeGate()) unloadInstrument();
        return;
    }
    settings_.lastInstrumentPath = chosen;

    HostedChild child;
    LoadMessage refusal;
    if (!prepareInstrument(chosen, desiredFactor(), child, refusal)) {
        refusal.show();
        return;
    }
    VstInt32 key = child.uniqueId();
    if (expectedUniqueId >= 0) {
        if (expectedUniqueId != key &&
            !library::ask("The selected VST doesn't match the loaded FXP/FXB file.\n"
                          "Do you want to set this VST to be used for this file?",
                          "Warning!")) {
            child.close();
            if (takeGate()) unloadInstrument();
            return;
        }
        key = expectedUniqueId;
    }
    if (!takeGate()) return;
    installInstrument(std::move(child), chosen);
    loader_.recordInDatabase(key, chosen);
    if (!callerHoldsBusy) {
        hold.reset();
        rememberState();
    }
}

void VstManager::removeMidiEffect(int slot) {
    if (observer_) observer_->midiSlotChanged(slot, nullptr, "Bypass");
    midiSlots_[slot].close();
    midiSlotNames_[slot].clear();
}

void VstManager::installMidiEffect(int slot, HostedChild&& child, const std::string& path) {
    removeMidiEffect(slot);
    missingMidiSlots_[slot] = {};
    midiSlots_[slot] = std::move(child);
    prepareBuffers();
    midiSlotNames_[slot] = library::baseName(path);
    if (observer_) observer_->midiSlotChanged(slot, midiSlots_[slot].effect(), midiSlotNames_[slot]);
}

void VstManager::unloadMidiEffect(int slot, bool callerHoldsBusy) {
    if (slot < 0 || slot >= kMidiSlots) return;
    {
        std::optional<GateHold> hold;
        if (!callerHoldsBusy) {
            hold.emplace(gate, GateHold::wait);
            if (!*hold) return;
        }
        removeMidiEffect(slot);
        missingMidiSlots_[slot] = {};
    }
    if (!callerHoldsBusy) rememberState();
}

void VstManager::loadMidiEffect(const char* path, int slot, bool callerHoldsBusy) {
    if (slot < 0 || slot >= kMidiSlots) return;
    const std::string chosen = path ? std::string(path) : loader_.chooseMidiEffect();
    HostedChild child;
    LoadMessage refusal;
    const bool chose = chosen.size() > 2;
    const bool loaded = chose && prepareMidiEffect(chosen, child, refusal);
    {
        std::optional<GateHold> hold;
        if (!callerHoldsBusy) {
            hold.emplace(gate, GateHold::wait);
            if (!*hold) return;
        }
        if (loaded) {
            const VstInt32 id = child.uniqueId();
            installMidiEffect(slot, std::move(child), chosen);
            loader_.recordInDatabase(id, chosen);
        } else if (!chose) {
            // Choosing no file empties the slot.
            removeMidiEffect(slot);
        }
    }
    refusal.show();
    if (!callerHoldsBusy) rememberState();
}

library::ScanDatabase::ProbeResult VstManager::probePlugin(const std::string& path) {
    return hosting::probeLibrary(path);
}

void VstManager::scanPlugins(bool onlyNew) {
    {
        GateHold hold(gate, GateHold::wait);
        if (!hold) return;
        unloadInstrument();
    }
    // The probes touch no child of ours: the scan runs outside the gate, its messages too.
    library::ScanDatabase database(settings_.scanDatabasePath);
    database.scan(settings_.vstFolder, onlyNew, probePlugin, [this](const std::string& name) {
        if (observer_) observer_->scanProgress(name);
    });
    rememberState();
}

}  // namespace vexlo::manager
