// Vexlo VM's children coming and going, and the instrument's state taken and given back.
#include "manager/core/child_rack.h"

#include <algorithm>
#include <optional>

#include "hosting/probe.h"
#include "manager/library/path_utils.h"
#include "manager/library/scan_database.h"

namespace vexlo::manager {

namespace {

thread_local int preparingFactor = 0;

// What a state keeps of a child whose process died: what it had when last asked, or at least
// who it is.
files::StoredChild lastStateOf(const HostedChild& child, const files::StoredChild& last) {
    if (last.id != -1) return last;
    return files::StoredChild{child.uniqueId(), files::kStateChunk, {}};
}

// A child in a process of its own that died while it started is refused as a failed load.
bool startedWhole(const std::string& path, HostedChild& child, LoadMessage& refusal, const char* caption) {
    if (!child.failed()) return true;
    child.close();
    refusal = {path, caption};
    return false;
}

}  // namespace

ChildRack::ChildRack(library::ManagerSettings& settings, const library::ConfigFile& store, AudioGate& gate,
                     ManagerFront& front, Callbacks callbacks)
    : settings_(settings), gate_(gate), front_(front), callbacks_(callbacks), loader_(settings, store) {}

int ChildRack::factorForChildBeingPrepared() { return preparingFactor; }

int ChildRack::widestChannels() const {
    // The channel arrays serve the instrument and the MIDI slots alike.
    int channels = std::max({2, instrumentOutputs_, instrumentInputs_});
    for (const HostedChild& slot : midiSlots_) channels = std::max({channels, slot.numOutputs(), slot.numInputs()});
    return channels;
}

// ---- Preparing ----

bool ChildRack::prepareInstrument(const std::string& path, int factor, HostedChild& child, LoadMessage& refusal,
                                  VstInt32 knownId) {
    if (!loader_.load(path, ChildRole::instrument, callbacks_.instrument, callbacks_.owner, child, refusal, knownId))
        return false;
    // The child asks for its rate while it opens: it hears the one it is about to run at.
    preparingFactor = factor;
    child.open(front_.instrumentRate(factor), front_.instrumentBlock(factor));
    preparingFactor = 0;
    return startedWhole(path, child, refusal, "Error loading pluging!");
}

bool ChildRack::prepareMidiEffect(const std::string& path, HostedChild& child, LoadMessage& refusal, VstInt32 knownId) {
    if (!loader_.load(path, ChildRole::midiEffect, callbacks_.midi, callbacks_.owner, child, refusal, knownId))
        return false;
    child.open(front_.hostRate(), front_.hostBlock());
    return startedWhole(path, child, refusal, "Error loading MIDI VST pluging!");
}

// ---- Changes ----

void ChildRack::installInstrument(HostedChild&& child, const std::string& path) {
    unloadInstrument();
    missingInstrument_ = {};
    instrumentCanReplace_ = child.hasFlag(effFlagsCanReplacing);
    instrumentOutputs_ = child.numOutputs();
    instrumentInputs_ = child.numInputs();
    instrument_ = std::move(child);
    instrumentPath_ = path;
    lastInstrument_ = {};
    front_.instrumentInstalled();
    instrumentComing(instrument_.effect());
}

void ChildRack::unloadInstrument() {
    if (!instrument_.isLoaded()) return;
    instrumentComing(nullptr);
    instrument_.close();
    front_.instrumentRemoved();
}

void ChildRack::removeMidiEffect(int slot) {
    if (observer_) observer_->midiSlotChanged(slot, nullptr, "Bypass");
    midiSlot(slot).close();
    midiSlotNames_[static_cast<std::size_t>(slot)].clear();
}

void ChildRack::installMidiEffect(int slot, HostedChild&& child, const std::string& path) {
    removeMidiEffect(slot);
    missingMidiSlot(slot) = {};
    midiSlot(slot) = std::move(child);
    lastMidiSlots_[static_cast<std::size_t>(slot)] = {};
    front_.midiSlotsChanged();
    midiSlotNames_[static_cast<std::size_t>(slot)] = library::baseName(path);
    if (observer_) observer_->midiSlotChanged(slot, midiSlot(slot).effect(), midiSlotName(slot));
}

void ChildRack::restartInstrument(int factor) {
    CrashMarker& marker = loader_.marker();
    if (!instrument_.inOwnProcess()) marker.starting(instrument_.uniqueId(), instrumentPath_);
    const VstInt32 program = instrument_.program();
    files::StoredChild carried = captureInstrument();
    if (carried.kind == files::kStateChunk && carried.state.empty()) {
        // It says it keeps its state in a chunk but hands over none: its parameters, then.
        carried.kind = files::kStateParamDump;
        carried.state = captureParameterDump();
    }
    instrumentComing(nullptr);
    if (!instrument_.restart(callbacks_.instrument, callbacks_.owner)) {
        marker.started();
        // The library gave no second instrument: what it was stays in the state for the next
        // save, as for an instrument a restored state names but nobody has.
        missingInstrument_ = std::move(carried);
        front_.displayChanged();
        return;
    }
    const float rate = front_.instrumentRate(factor);
    instrument_.open(rate, front_.instrumentBlock(factor));
    // The program first: a chunk that holds only the program playing belongs to that program.
    instrument_.setProgram(program);
    if (carried.kind == files::kStateChunk && !carried.state.empty()) {
        instrument_.restoreChunk(carried.state, rate);
    } else if (carried.kind == files::kStateParamDump) {
        instrument_.suspend();
        applyParameterDump(carried.state, false);
        instrument_.resume();
    }
    if (instrument_.program() != program) instrument_.setProgram(program);
    front_.instrumentRestarted();
    instrumentComing(instrument_.effect());
    front_.displayChanged();
    playsMarked(instrument_, instrumentPath_);
}

void ChildRack::playsMarked(const HostedChild& child, const std::string& path) {
    CrashMarker& marker = loader_.marker();
    if (child.inOwnProcess()) return marker.started();
    // Named by its ID now that it is known: a marker left behind needs no probe to say it.
    marker.starting(child.uniqueId(), path);
    marker.playingOneSecond(front_.hostRate());
}

void ChildRack::closeAll() {
    instrument_.close();
    for (HostedChild& slot : midiSlots_) slot.close();
}

// ---- Asked for ----

void ChildRack::loadInstrument(const char* path, bool callerHoldsGate, VstInt32 expectedUniqueId) {
    // Another change in progress makes this load give way, unless the caller is that change.
    if (!callerHoldsGate && gate_.isHeld() && !gate_.heldByThisThread()) return;

    const std::string chosen = path ? std::string(path) : loader_.chooseInstrument();
    std::optional<GateHold> hold;
    auto takeGate = [&] {
        if (!callerHoldsGate) hold.emplace(gate_, GateHold::wait);
        return callerHoldsGate || bool(*hold);
    };
    if (chosen.size() <= 2) {
        // Choosing no file is choosing no instrument.
        if (takeGate()) unloadInstrument();
        return;
    }
    settings_.lastInstrumentPath = chosen;

    HostedChild child;
    LoadMessage refusal;
    const bool prepared = prepareInstrument(chosen, front_.desiredFactor(), child, refusal);
    if (!prepared) {
        loader_.marker().started();
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
            loader_.marker().started();
            if (takeGate()) unloadInstrument();
            return;
        }
        key = expectedUniqueId;
    }
    if (!takeGate()) return loader_.marker().started();
    installInstrument(std::move(child), chosen);
    playsMarked(instrument_, chosen);
    loader_.recordInDatabase(key, chosen);
    if (!callerHoldsGate) {
        hold.reset();
        front_.stateChanged();
    }
}

void ChildRack::unloadMidiEffect(int slot, bool callerHoldsGate) {
    if (slot < 0 || slot >= kMidiSlots) return;
    {
        std::optional<GateHold> hold;
        if (!callerHoldsGate) {
            hold.emplace(gate_, GateHold::wait);
            if (!*hold) return;
        }
        removeMidiEffect(slot);
        missingMidiSlot(slot) = {};
    }
    if (!callerHoldsGate) front_.stateChanged();
}

void ChildRack::loadMidiEffect(const char* path, int slot, bool callerHoldsGate) {
    if (slot < 0 || slot >= kMidiSlots) return;
    const std::string chosen = path ? std::string(path) : loader_.chooseMidiEffect();
    HostedChild child;
    LoadMessage refusal;
    const bool chose = chosen.size() > 2;
    const bool loaded = chose && prepareMidiEffect(chosen, child, refusal);
    // A slot that plays starts to within the next second; the marker stays until then.
    if (!loaded) loader_.marker().started();
    {
        std::optional<GateHold> hold;
        if (!callerHoldsGate) {
            hold.emplace(gate_, GateHold::wait);
            if (!*hold) return loader_.marker().started();
        }
        if (loaded) {
            const VstInt32 id = child.uniqueId();
            installMidiEffect(slot, std::move(child), chosen);
            loader_.recordInDatabase(id, chosen);
            playsMarked(midiSlot(slot), chosen);
        } else if (!chose) {
            // Choosing no file empties the slot.
            removeMidiEffect(slot);
        }
    }
    refusal.show();
    if (!callerHoldsGate) front_.stateChanged();
}

void ChildRack::prepareForScan() {
    {
        GateHold hold(gate_, GateHold::wait);
        if (!hold) return;
        unloadInstrument();
    }
    front_.stateChanged();
}

// ---- The instrument's state ----

files::StoredChild ChildRack::captureInstrument() {
    if (instrument_.failed()) return lastStateOf(instrument_, lastInstrument_);
    files::StoredChild stored;
    stored.id = instrument_.uniqueId();
    if (instrument_.hasFlag(effFlagsProgramChunks)) {
        stored.kind = files::kStateChunk;
        const HostedChild::Bytes bytes = instrument_.getChunk();
        stored.state.assign(bytes.data, bytes.data + bytes.size);
    } else {
        stored.kind = files::kStateParamDump;
        stored.state = captureParameterDump();
    }
    // Asked while the call was under way, a dying child leaves what it had before.
    if (instrument_.failed()) return lastStateOf(instrument_, lastInstrument_);
    lastInstrument_ = stored;
    return stored;
}

files::StoredChild ChildRack::captureMidiSlot(int slot) {
    HostedChild& child = midiSlot(slot);
    files::StoredChild& last = lastMidiSlots_[static_cast<std::size_t>(slot)];
    if (child.failed()) return lastStateOf(child, last);
    files::StoredChild stored;
    stored.id = child.uniqueId();
    stored.kind = files::kStateChunk;
    const HostedChild::Bytes bytes = child.getChunk();
    stored.state.assign(bytes.data, bytes.data + bytes.size);
    if (child.failed()) return lastStateOf(child, last);
    last = stored;
    return stored;
}

std::string ChildRack::takeNewFailure(int* position) {
    for (int i = 0; i <= kMidiSlots; ++i) {
        HostedChild& child = i == 0 ? instrument_ : midiSlot(i - 1);
        bool& told = failureTold_[static_cast<std::size_t>(i)];
        if (!child.failed()) {
            told = false;
            continue;
        }
        if (told) continue;
        told = true;
        if (position) *position = i;
        return library::baseName(child.path().empty() ? (i == 0 ? instrumentPath_ : midiSlotName(i - 1)) : child.path());
    }
    return {};
}

void ChildRack::adoptLeftMarker() {
    if (auto notice = loader_.adoptLeftMarker()) notice_ = *notice;
}

bool ChildRack::anyFailed() const {
    if (instrument_.failed()) return true;
    for (const HostedChild& slot : midiSlots_)
        if (slot.failed()) return true;
    return false;
}

std::vector<unsigned char> ChildRack::captureParameterDump() {
    // Every program in turn: its parameter values and its name.
    files::ByteWriter dump(files::ByteOrder::little);
    const int params = instrument_.numParams();
    for (VstInt32 p = 0; p < instrument_.numPrograms(); ++p) {
        instrument_.setProgram(p);
        for (VstInt32 j = 0; j < params; ++j) dump.float32(instrument_.getParameter(j));
        const std::string name = instrument_.programName().substr(0, kVstMaxProgNameLen);
        dump.field(name, files::ManagerState::kProgramNameField);
    }
    front_.forwardProgram(front_.currentProgram());
    return dump.take();
}

void ChildRack::applyParameterDump(const std::vector<unsigned char>& body, bool flatList) {
    const int programs = instrument_.numPrograms(), params = instrument_.numParams();
    files::ByteReader read(body.data(), body.size(), files::ByteOrder::little);
    if (flatList) {
        // The oldest layout: one value per parameter, as many as the block holds whole.
        float value;
        for (VstInt32 j = 0; j < params && read.float32(value); ++j) instrument_.restoreParameter(j, value);
        return;
    }
    const std::size_t record = 4 * static_cast<std::size_t>(params) + files::ManagerState::kProgramNameField;
    for (VstInt32 p = 0; p < programs && read.remaining() >= record; ++p) {
        instrument_.setProgram(p);
        float value;
        for (VstInt32 j = 0; j < params && read.float32(value); ++j) instrument_.restoreParameter(j, value);
        std::string name;
        read.field(files::ManagerState::kProgramNameField, name);
        instrument_.setProgramName(name);
    }
}

}  // namespace vexlo::manager
