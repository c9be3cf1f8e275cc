// Vexlo VM's children: the instrument and the four MIDI slots, how they come and go, and what a
// restored state named that nobody has (kept to be saved again). A child is loaded, checked
// and opened before the gate is taken, so that processing goes on while the person chooses a
// file and while a library starts; only putting it in place holds the gate.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "manager/core/audio_gate.h"
#include "manager/core/child_loader.h"
#include "manager/core/manager_front.h"
#include "manager/core/manager_observer.h"
#include "manager/files/manager_state.h"

namespace vexlo::manager {

class ChildRack {
public:
    static constexpr int kMidiSlots = files::ManagerState::kMidiSlots;

    // The host callbacks the children get, and whom their calls belong to.
    struct Callbacks {
        audioMasterCallback instrument;
        audioMasterCallback midi;
        void* owner;
    };

    // store: where the settings are kept (a plug-in's choice of a process of its own).
    ChildRack(library::ManagerSettings& settings, const library::ConfigFile& store, AudioGate& gate, ManagerFront& front,
              Callbacks callbacks);

    // ---- What is in place (read with the gate passed or held) ----
    HostedChild& instrument() { return instrument_; }
    const HostedChild& instrument() const { return instrument_; }
    HostedChild& midiSlot(int slot) { return midiSlots_[static_cast<std::size_t>(slot)]; }
    const HostedChild& midiSlot(int slot) const { return midiSlots_[static_cast<std::size_t>(slot)]; }
    const std::string& midiSlotName(int slot) const { return midiSlotNames_[static_cast<std::size_t>(slot)]; }
    const std::string& instrumentPath() const { return instrumentPath_; }
    // The instrument's shape as read when it came; processing reads it once past the gate.
    int instrumentInputs() const { return instrumentInputs_; }
    int instrumentOutputs() const { return instrumentOutputs_; }
    bool instrumentCanReplace() const { return instrumentCanReplace_; }
    // As many channels as the widest child has pins, at least two.
    int widestChannels() const;
    ChildLoader& loader() { return loader_; }
    ManagerObserver* observer() const { return observer_; }
    void setObserver(ManagerObserver* observer) { observer_ = observer; }

    // ---- Asked for by the person or the host; the gate is taken unless the caller holds it ----
    // A null path asks for a file. expectedUniqueId: -1 for any, or the ID a preset file names.
    void loadInstrument(const char* path, bool callerHoldsGate, VstInt32 expectedUniqueId);
    void loadMidiEffect(const char* path, int slot, bool callerHoldsGate);
    void unloadMidiEffect(int slot, bool callerHoldsGate);
    // Before a scan: the instrument goes (the probes load libraries it may be among).
    void prepareForScan();

    // ---- Preparing a child, before the gate is taken ----
    // Loads, checks and opens; false with the refusal.
    // knownId: the unique ID a state names for the library, or -1.
    bool prepareInstrument(const std::string& path, int factor, HostedChild& child, LoadMessage& refusal,
                           VstInt32 knownId = -1);
    bool prepareMidiEffect(const std::string& path, HostedChild& child, LoadMessage& refusal, VstInt32 knownId = -1);
    // The factor an instrument being opened on this thread is opened for; 0 when none is.
    static int factorForChildBeingPrepared();

    // ---- Changes; the caller holds the gate ----
    void installInstrument(HostedChild&& child, const std::string& path);
    void unloadInstrument();
    void installMidiEffect(int slot, HostedChild&& child, const std::string& path);
    void removeMidiEffect(int slot);
    // Starts the instrument again at another rate with its whole state (many take their rate
    // only when they start) and the program it was on.
    void restartInstrument(int factor);
    // Closes every child, the instrument first.
    void closeAll();

    // ---- The children's states ----
    // Its ID and state: its bank chunk, or every program's parameters and name. A child whose
    // process died gives the state it had when last asked: nothing of it is lost.
    files::StoredChild captureInstrument();
    files::StoredChild captureMidiSlot(int slot);
    std::vector<unsigned char> captureParameterDump();
    void applyParameterDump(const std::vector<unsigned char>& body, bool flatList);
    // What a restored state named but could not be had: saved again as it was read.
    files::StoredChild& missingInstrument() { return missingInstrument_; }
    files::StoredChild& missingMidiSlot(int slot) { return missingMidiSlots_[static_cast<std::size_t>(slot)]; }

    // ---- Children in a process of their own that died or stopped answering ----
    // The name of one that failed since the last call, once for each failure; empty when none.
    // position: where it is (0 the instrument, 1 + slot a MIDI slot).
    std::string takeNewFailure(int* position = nullptr);
    bool anyFailed() const;
    // A plug-in that took a host down as it started, put in a process of its own (see
    // CrashMarker): the notice for the person, taken once; empty when there is none.
    void adoptLeftMarker();
    // A child just started plays its first second marked (see CrashMarker::playing).
    void playsMarked(const HostedChild& child, const std::string& path);
    std::string takeNotice() { return std::exchange(notice_, std::string()); }

private:

    void instrumentComing(AEffect* effect) {
        if (observer_) observer_->instrumentChanged(effect);
    }

    library::ManagerSettings& settings_;
    AudioGate& gate_;
    ManagerFront& front_;
    Callbacks callbacks_;
    ChildLoader loader_;
    ManagerObserver* observer_ = nullptr;

    HostedChild instrument_;
    std::array<HostedChild, kMidiSlots> midiSlots_;
    std::array<std::string, kMidiSlots> midiSlotNames_;
    files::StoredChild missingInstrument_;
    // The state each child had when last captured, for a child whose process dies.
    files::StoredChild lastInstrument_;
    std::array<files::StoredChild, kMidiSlots> lastMidiSlots_;
    // Which failures were told (0 the instrument, 1 + slot the MIDI slots).
    std::array<bool, kMidiSlots + 1> failureTold_{};
    std::string notice_;
    std::array<files::StoredChild, kMidiSlots> missingMidiSlots_;
    std::string instrumentPath_;
    int instrumentOutputs_ = 2;
    int instrumentInputs_ = 0;
    bool instrumentCanReplace_ = true;
};

}  // namespace vexlo::manager
