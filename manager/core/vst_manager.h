// Vexlo VM: an instrument that hosts one VST instrument and up to four MIDI effects in front of
// it. This is its host-facing front (the opcodes, our own parameters, the gate) over parts that
// keep their own state: the children (ChildRack), the audio thread's work (SignalChain), the
// state chunk (StateKeeper) and the preset files (PresetFiles). Every structural change holds
// the gate; callers into children pass it.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "hosting/probe.h"
#include "manager/core/identity.h"
#include "manager/core/plugin_scan.h"
#include "manager/core/preset_files.h"
#include "manager/core/signal_chain.h"
#include "manager/core/state_keeper.h"
#include "manager/library/config_file.h"

namespace vexlo::manager {

class VstManager : public VexloVmIdentity, private ManagerFront {
public:
    static constexpr VstInt32 kUniqueId = ChildLoader::kManagerUniqueId;  // "b753"
    static constexpr int kOwnParameters = files::ManagerState::kOwnParameters;
    static constexpr int kMidiSlots = files::ManagerState::kMidiSlots;

    explicit VstManager(audioMasterCallback audioMaster);
    VstManager(audioMasterCallback audioMaster, const library::ConfigFile& settingsStore);  // not the default store
    ~VstManager() override;

    // ---- Host face ----
    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    VstInt32 processEvents(VstEvents* events) override { return chain_.receive(events, gate); }
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgram(VstInt32 program) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    // The requests of manager/interface.h.
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    // The whole state: the children, their states, our own parameters and program.
    VstInt32 getChunk(void** data, bool) override { return states_.getChunk(data); }
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool) override { return states_.setChunk(data, byteSize); }

    // ---- Children (ChildRack; held: the caller holds the gate already) ----
    void loadInstrument(const char* path, bool held, VstInt32 id) { rack_.loadInstrument(path, held, id); }
    void loadMidiEffect(const char* path, int slot, bool held = false) { rack_.loadMidiEffect(path, slot, held); }
    void unloadMidiEffect(int slot, bool held = false) { rack_.unloadMidiEffect(slot, held); }
    // Scans the plug-in folder into the scan database on a thread of its own (onlyNew: skip
    // libraries probed before and unchanged since); nothing when a scan runs already.
    void scanPlugins(bool onlyNew);
    void stopScan() { scan_.stop(); }
    bool scanning() const { return scan_.running(); }
    void waitForScan() { scan_.wait(); }
    library::ScanSummary lastScan() const { return scan_.lastSummary(); }
    // How the scan asks a library who it is: in the helper program when it is there.
    static hosting::ProbeResult probePlugin(const std::string& p) { return hosting::probeLibrary(p); }
    AEffect* getInstrument() const { return rack_.instrument().effect(); }
    HostedChild& instrumentChild() { return rack_.instrument(); }
    HostedChild& midiSlotChild(int slot) { return rack_.midiSlot(slot); }
    AEffect* getMidiSlot(int slot) const { return rack_.midiSlot(slot).effect(); }
    const std::string& getMidiSlotName(int slot) const { return rack_.midiSlotName(slot); }
    const std::string& getInstrumentPath() const { return rack_.instrumentPath(); }
    void setObserver(ManagerObserver* observer) {
        rack_.setObserver(observer);
        scan_.setObserver(observer);
    }
    const MidiStateTracker& midiState() const { return chain_.midiState(); }
    // A process of its own (position 0: the instrument, 1 + slot: a MIDI slot): the person's
    // choice (the child starts again there, with its state), each failure told once (from the
    // editor's idle), and Reload of the children whose process died, with their last state.
    bool ownProcess(int position);
    void setOwnProcess(int position, bool on);
    std::vector<int> tellFailures();  // where they were: 0 the instrument, 1 + slot
    void reloadFailed();

    // ---- Preset, bank and link files (PresetFiles) ----
    void loadPresetOrBank(bool bank, const char* path, bool asChosen = false) { presets_.load(bank, path, asChosen); }
    bool saveProgram(bool ask) { return presets_.saveProgram(ask); }
    void extractPrograms() { presets_.extractPrograms(); }
    void saveBankAndLinks() { presets_.saveBankAndLinks(); }
    void linkProgram() { presets_.linkProgram(); }
    const std::string& currentPresetPath() const { return presets_.currentPath(); }
    bool offerPresetPath(const std::string& path) { return presets_.offerPath(path); }
    std::string takePendingPresetPath() { return presets_.takePendingPath(); }
    bool presetPathPending() const { return presets_.pathPending(); }
    std::string& browserFolder() { return presets_.browserFolder(); }
    // The browser's remembered place, saved into the settings when the manager goes.
    library::BrowserRectangle& browserRectangle() { return settings_.browser; }

    // ---- Oversampling and settings ----
    int getOversamplingFactor() const { return oversamplingFactor_.load(); }
    int getAppliedFactor() const { return chain_.factor(); }
    // Parameter 1: the oversampler's quality, Classic below 0.5 and High from there.
    Oversampler::Quality getOversamplingQuality() const;
    Oversampler::Quality getAppliedQuality() const { return chain_.quality(); }
    // The oversampler bypass, one for every instance in the process.
    static void setOversamplerBypass(bool on);
    static bool oversamplerBypassed();
    const library::ManagerSettings& settings() const { return settings_; }
    // Where the settings are kept; the editor keeps its own switches there too.
    const library::ConfigFile& settingsStore() const { return settingsStore_; }
    // The folder of this library, with a trailing separator.
    static std::string pluginDirectory();

    // The callbacks given to children: the instrument's, and the MIDI slots'.
    static VstIntPtr VEXLO_CDECL instrumentCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float);
    static VstIntPtr VEXLO_CDECL midiCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float);

protected:
    AudioGate gate;  // held by a thread that changes the children

private:
    // The oversampler and the instrument at the factor in force and the chosen quality: an
    // instrument that must run at another rate restarts with its whole state.
    void applyFactor();
    void reportLatency();
    void reportChildParameterText(VstInt32 opcode, VstInt32 index, char* text);
    static VstIntPtr answerChild(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float, bool isMidiSlot);

    // ---- What the parts ask of the front ----
    float hostRate() const override { return sampleRate; }
    VstInt32 hostBlock() const override { return blockSize; }
    int desiredFactor() const override;
    int appliedFactor() const override { return chain_.factor(); }
    int factorForState(float parameterValue) const override;
    float ownParameter(int index) const override { return ownParameters_[index].load(); }
    void setOwnParameter(int index, float value) override;
    VstInt32 currentProgram() const override { return curProgram; }
    void setCurrentProgram(VstInt32 program) override { curProgram = program; }
    void forwardProgram(VstInt32 program) override;
    void instrumentInstalled() override;
    void instrumentRemoved() override { reportLatency(); }
    void instrumentRestarted() override { chain_.resendHeldNotes(); }
    void midiSlotsChanged() override { chain_.prepare(blockSize); }
    void displayChanged() override { updateDisplay(); }
    void stateChanged() override { states_.remember(); }
    void tellStatus(const std::string& text) override;

    library::ConfigFile settingsStore_;
    library::ManagerSettings settings_;
    ChildRack rack_;
    SignalChain chain_{rack_};
    StateKeeper states_{rack_, gate, *this};
    PresetFiles presets_{rack_, gate, settings_, *this};
    std::atomic<float> ownParameters_[kOwnParameters];
    char ownParameterNames_[kOwnParameters][kVstMaxParamStrLen + 1];
    std::atomic<int> oversamplingFactor_{1};
    bool resumed_ = false;  // the host has resumed us
    PluginScan scan_;       // last: its thread ends before anything else goes
};

}  // namespace vexlo::manager
