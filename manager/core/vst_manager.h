// Vexlo VM: an instrument that hosts one VST instrument and up to four MIDI effects in front of
// it, passing the outer host's audio, MIDI, programs and parameters through.
//
// The manager is the host-facing front. Its parts each keep their own state: the children
// (HostedChild), the loader that checks them (ChildLoader), the oversampler with the channel
// buffers (Oversampler), the MIDI state (MidiStateTracker) and the state chunk's codec
// (manager/files). Every structural change holds the gate; callers into children pass it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "frame/audio_effect_x.h"
#include "frame/event_list.h"
#include "manager/core/audio_gate.h"
#include "manager/core/child_loader.h"
#include "hosting/hosted_child.h"
#include "manager/core/manager_observer.h"
#include "manager/core/midi_state.h"
#include "manager/core/oversampler.h"
#include "manager/files/manager_state.h"
#include "hosting/preset_file.h"
#include "manager/library/config_file.h"
#include "manager/library/scan_database.h"
#include "manager/library/settings.h"

namespace vexlo::manager {

class VstManager : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 512;
    static constexpr VstInt32 kNumParams = 4000;
    static constexpr VstInt32 kUniqueId = ChildLoader::kManagerUniqueId;  // "b753"
    static constexpr int kOwnParameters = files::ManagerState::kOwnParameters;
    static constexpr int kMidiSlots = files::ManagerState::kMidiSlots;
    static constexpr int kMaxFactor = Oversampler::kMaxFactor;

    explicit VstManager(audioMasterCallback audioMaster);
    // The same, with the settings kept in the given store instead of the default one.
    VstManager(audioMasterCallback audioMaster, const library::ConfigFile& settingsStore);
    ~VstManager() override;

    // ---- Host face ----
    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char*) override {}
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(char* text) override;
    // The requests of manager/interface.h.
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    // Resets the working state and reads the settings; called once by the constructor.
    virtual void initialise();
    // One step of the MIDI chain: the next loaded MIDI slot, or the instrument.
    virtual VstIntPtr routeMidiEvents(VstEvents* events);

    // ---- Children ----
    // Loads an instrument. A null path asks the person for a file (before anything changes).
    // callerHoldsBusy: the caller holds the gate already. expectedUniqueId: -1 for any, or the
    // ID a preset file names.
    void loadInstrument(const char* path, bool callerHoldsBusy, VstInt32 expectedUniqueId);
    // Loads a MIDI effect into slot 0 to 3; a null path asks for a file.
    void loadMidiEffect(const char* path, int slot, bool callerHoldsBusy = false);
    void unloadMidiEffect(int slot, bool callerHoldsBusy = false);

    // Scans the plug-in folder into the scan database (onlyNew: skip libraries probed before).
    void scanPlugins(bool onlyNew);
    // Loads a library as the scan does and asks who it is: its unique ID when it takes events.
    // In the helper program beside this library when it is there, here otherwise.
    static library::ScanDatabase::ProbeResult probePlugin(const std::string& path);

    // ---- Preset, bank and link files ----
    // Loads an FXP, FXB or .fxplnk file into the instrument, loading the instrument the file was
    // made for first. A null path asks for a file (bank: the dialog offers banks). A path from
    // the browser names the program after the file; one a person chose (asChosen) does not.
    void loadPresetOrBank(bool bank, const char* path, bool asChosen = false);
    // The current program as an FXP; ask: through a dialog, else named after the program in the
    // last preset folder. False only when no file name was had.
    bool saveProgram(bool ask);
    // Every program as an FXP of its own.
    void extractPrograms();
    // The bank as one FXB chunk file, then a link into it for every program.
    void saveBankAndLinks();
    // A link to the current program of the last bank saved; the same answer as saveProgram.
    bool writeBankLink(bool ask);
    // A link to the last preset loaded or saved.
    void linkProgram();
    const std::string& currentPresetPath() const { return currentPresetPath_; }

    // The whole state: the children, their states, our own parameters and program.
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

    // ---- What the preset browser and the search window leave for the editor's idle ----
    // Leaves a preset's path to be loaded at the editor's next idle. Refused (false, nothing
    // left) while another path waits or a change holds the gate: the person chooses again later.
    bool offerPresetPath(const std::string& path);
    // The waiting path, taken; empty when none waits.
    std::string takePendingPresetPath();
    bool presetPathPending() const;
    // Where the browser and the search start: the preset folder, until the search window
    // changes it (for this instance, not in the settings). The editor's thread only.
    std::string& browserFolder() { return browserFolder_; }
    // The browser's remembered place, saved into the settings when the manager goes.
    library::BrowserRectangle& browserRectangle() { return settings_.browser; }

    AEffect* getInstrument() const { return instrument_.effect(); }
    // The children themselves, for whoever shows their editors (the editor's thread).
    HostedChild& instrumentChild() { return instrument_; }
    HostedChild& midiSlotChild(int slot) { return midiSlots_[static_cast<std::size_t>(slot)]; }
    AEffect* getMidiSlot(int slot) const { return midiSlots_[slot].effect(); }
    const std::string& getMidiSlotName(int slot) const { return midiSlotNames_[slot]; }
    const std::string& getInstrumentPath() const { return instrumentPath_; }
    int getOversamplingFactor() const { return oversamplingFactor_.load(); }
    int getAppliedFactor() const { return oversampler_.factor(); }
    // Parameter 1: the oversampler's quality, Classic below 0.5 and High from there.
    Oversampler::Quality getOversamplingQuality() const { return desiredQuality(); }
    Oversampler::Quality getAppliedQuality() const { return oversampler_.quality(); }
    const library::ManagerSettings& settings() const { return settings_; }
    // Where the settings are kept; the editor keeps its own switches there too.
    const library::ConfigFile& settingsStore() const { return settingsStore_; }
    const MidiStateTracker& midiState() const { return midiState_; }
    void setObserver(ManagerObserver* observer) { observer_ = observer; }

    // The oversampler bypass, one for every instance in the process.
    static void setOversamplerBypass(bool on);
    static bool oversamplerBypassed();

    // The folder of this library, with a trailing separator.
    static std::string pluginDirectory();

    // The callbacks given to children.
    static VstIntPtr VEXLO_CDECL instrumentCallback(AEffect* child, VstInt32 opcode, VstInt32 index,
                                                    VstIntPtr value, void* ptr, float opt);
    static VstIntPtr VEXLO_CDECL midiCallback(AEffect* child, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);

protected:
    // How a structural change reaches the children: the gate, held by the changing thread.
    AudioGate gate;

private:
    void construct();
    // ---- Changes; the caller holds the gate ----
    void unloadInstrument();
    void removeMidiEffect(int slot);
    // Puts a prepared instrument in place of the current one.
    void installInstrument(HostedChild&& child, const std::string& path);
    void installMidiEffect(int slot, HostedChild&& child, const std::string& path);
    // Configures the oversampler and the instrument for the factor in force (the chosen one, or
    // 1 under the bypass) and the chosen quality. An instrument that must run at another rate
    // than it was opened for is restarted with its whole state (many take their rate only when
    // they start); one that only needs another block size hears it.
    void applyFactor();
    void restartInstrument(int factor);
    // Tells the host the delay the oversampler's way back adds, when it changes.
    void reportLatency();
    // The notes the host holds, to an instrument that has not heard them.
    void resendHeldNotes();
    void prepareBuffers();
    void forwardProgram(VstInt32 program);
    void setOwnParameter(int index, float value);

    // ---- Preparing children, before the gate is taken ----
    int desiredFactor() const;
    Oversampler::Quality desiredQuality() const;
    // The factor an instrument being opened on this thread is opened for; 0 when none is.
    static int factorForChildBeingPrepared();
    static int factorFor(float parameterValue, int current);
    float instrumentRate(int factor) const { return sampleRate * static_cast<float>(factor); }
    VstInt32 instrumentBlock(int factor) const { return blockSize * factor; }
    // Loads, checks and opens an instrument for the given factor; false with the refusal.
    bool prepareInstrument(const std::string& path, int factor, HostedChild& child, LoadMessage& refusal);
    bool prepareMidiEffect(const std::string& path, HostedChild& child, LoadMessage& refusal);

    // ---- State ----
    files::ManagerState captureState();
    // The instrument's ID and state: its bank chunk, or every program's parameters and name.
    files::StoredChild captureInstrument();
    std::vector<unsigned char> captureParameterDump();
    // False when the gate could not be had; nothing changed then.
    bool restoreState(const files::ManagerState& state, std::vector<LoadMessage>& messages);
    void applyInstrumentState(const files::StoredChild& stored, bool flatList);
    void applyParameterDump(const std::vector<unsigned char>& body, bool flatList);
    void rememberState();

    // The events of a list that a stage of the chain can use, in that stage's own list: MIDI
    // events with a status byte (a slot before may have blanked those it used up) and SysEx.
    VstEvents* liveEvents(VstEvents* events, int stage, int factor);
    void reportChildParameterText(VstInt32 opcode, VstInt32 index, char* text);
    // ---- Preset files ----
    void applyPresetFile(const files::PresetFile& file);
    // The status after a load, the instrument suspended and resumed, the held notes again.
    void finishPresetLoad(const std::string& loadedPath);
    // Runs a writer for every program of the instrument, asking after the first whether to go
    // on asking for names.
    void writeEveryProgram(bool (VstManager::*write)(bool));
    void tellStatus(const std::string& text) {
        if (observer_) observer_->statusChanged(text);
    }
    static VstIntPtr answerChild(AEffect* child, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt, bool isMidiSlot);

    mutable std::mutex pendingMutex_;  // the browser's and the search's path, taken by the editor's idle
    std::string pendingPresetPath_;
    std::string browserFolder_;
    std::string currentPresetPath_;  // the last preset loaded or saved (a link: the link itself)
    std::string lastBankPath_;       // the last bank file chosen
    library::ConfigFile settingsStore_;
    library::ManagerSettings settings_;
    ChildLoader loader_{settings_};
    ManagerObserver* observer_ = nullptr;

    // Children, and what a state named that could not be loaded (kept to be saved again).
    HostedChild instrument_;
    std::array<HostedChild, kMidiSlots> midiSlots_;
    std::array<std::string, kMidiSlots> midiSlotNames_;
    files::StoredChild missingInstrument_;
    std::array<files::StoredChild, kMidiSlots> missingMidiSlots_;
    std::string instrumentPath_;
    // The instrument's shape as read at load; read by processing once it has passed the gate.
    int instrumentOutputs_ = 2;
    int instrumentInputs_ = 0;
    bool instrumentCanReplace_ = true;
    bool resumed_ = false;  // the host has resumed us

    // Own parameters.
    std::atomic<float> ownParameters_[kOwnParameters];
    char ownParameterNames_[kOwnParameters][kVstMaxParamStrLen + 1];
    std::atomic<int> oversamplingFactor_{1};

    // Processing.
    Oversampler oversampler_;
    MidiStateTracker midiState_;
    int chainPosition_ = 0;
    // What each stage of the chain (the slots, then the instrument) is handed: the events it
    // can use, and for an oversampled instrument copies with their offsets scaled.
    static constexpr int kForwardEvents = 1024;
    std::array<EventList<kForwardEvents>, kMidiSlots + 1> stageEvents_;
    VstMidiEvent forwardEvents_[kForwardEvents];
    // The held notes, as they are sent again to an instrument that restarted.
    VstMidiEvent replayEvents_[MidiStateTracker::kNotes];
    alignas(VstEvents) char replayListStorage_[offsetof(VstEvents, events) + MidiStateTracker::kNotes * sizeof(VstEvent*)];

    // The state last handed to the host, and the last one known complete: what a host gets
    // when it asks while a change runs.
    std::vector<unsigned char> chunkBuffer_;
    std::vector<unsigned char> lastCompleteState_;
    // Keeps two threads from capturing the children's states at once.
    std::mutex stateMutex_;
};

}  // namespace vexlo::manager
