// Vexlo VM: an instrument that hosts one VST instrument and up to four MIDI effects in front of
// it, passing the outer host's audio, MIDI, programs and parameters through.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame/audio_effect_x.h"
#include "manager/core/audio_gate.h"
#include "manager/core/hosted_plugin.h"
#include "manager/library/config_file.h"
#include "manager/library/settings.h"

// What the manager asks of its editor. The editor implements it; without an editor nothing
// happens.
class ManagerEditorLink {
public:
    virtual ~ManagerEditorLink() = default;
    virtual void closeHostedEditor(bool forget) = 0;
    virtual void closeMidiSlotEditor(int slot) = 0;
    virtual void setHostedInstrument(AEffect* instrument) = 0;
    virtual void setMidiSlotLabel(int slot, const std::string& text) = 0;
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setScanLabel(const std::string& text) = 0;
};

class VstManager : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 512;
    static constexpr VstInt32 kNumParams = 4000;
    static constexpr VstInt32 kUniqueId = 0x62373533;  // "b753"
    static constexpr int kOwnParameters = 11;
    static constexpr int kMidiSlots = 4;
    static constexpr int kMaxFactor = 8;
    static constexpr int kReplayEvents = 999;

    explicit VstManager(audioMasterCallback audioMaster);
    // The same, with the settings kept in the given store instead of the default one.
    VstManager(audioMasterCallback audioMaster, const vexlo::library::ConfigFile& settingsStore);
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

    // Resets the working state and reads the settings; called once by the constructor.
    virtual void initialise();
    // One step of the MIDI chain: the next loaded MIDI slot, or the instrument.
    virtual VstIntPtr routeMidiEvents(VstEvents* events);

    // ---- Children ----
    // Loads an instrument. A null path asks the person for a file. callerHoldsBusy: the caller
    // holds the gate already. expectedUniqueId: -1 for any, or the ID a preset file names.
    void loadInstrument(const char* path, bool callerHoldsBusy, VstInt32 expectedUniqueId);
    // Loads a MIDI effect into slot 0 to 3; a null path asks for a file.
    void loadMidiEffect(const char* path, int slot, bool callerHoldsBusy = false);
    void unloadMidiEffect(int slot, bool callerHoldsBusy = false);

    // Scans the plug-in folder into the scan database (onlyNew: skip libraries probed before).
    void scanPlugins(bool onlyNew);
    // Loads a library as the scan does and asks who it is: its unique ID when it takes events.
    static std::optional<VstInt32> probePlugin(const std::string& path);

    // The whole state: the children, their states, our own parameters and program.
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

    AEffect* getInstrument() const { return instrument.load(); }
    AEffect* getMidiSlot(int slot) const { return midiSlots[slot].effect.load(); }
    const std::string& getMidiSlotName(int slot) const { return midiSlots[slot].name; }
    const std::string& getInstrumentPath() const { return instrumentPath; }
    int getOversamplingFactor() const { return oversamplingFactor.load(); }
    int getAppliedFactor() const { return appliedFactor.load(); }
    const vexlo::library::ManagerSettings& settings() const { return settings_; }
    void setEditorLink(ManagerEditorLink* link) { editorLink = link; }

    // The oversampler bypass, one for every instance in the process.
    static void setOversamplerBypass(bool on);
    static bool oversamplerBypassed();

    // The MIDI state the preset loader replays.
    struct ChannelValue {
        std::uint8_t channel = 0;
        std::int8_t value = 0;
    };
    const ChannelValue& heldNote(int note) const { return heldNotes[note]; }
    const ChannelValue& controllerValue(int number) const { return controllerValues[number]; }

    // The folder of this library, with a trailing separator.
    static std::string pluginDirectory();

    // The callbacks given to children.
    static VstIntPtr VEXLO_CDECL instrumentCallback(AEffect* child, VstInt32 opcode, VstInt32 index,
                                                    VstIntPtr value, void* ptr, float opt);
    static VstIntPtr VEXLO_CDECL midiCallback(AEffect* child, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);

protected:
    // How a structural change reaches the children: the gate, held by the changing thread.
    vexlo::manager::AudioGate gate;

private:
    struct MidiSlot {
        std::atomic<AEffect*> effect{nullptr};
        vexlo::manager::HostedPlugin library;
        std::string name;
    };

    void construct();
    // Removes the instrument: the caller holds the gate.
    void unloadInstrument();
    void closeChild(AEffect* child, vexlo::manager::HostedPlugin& library, bool active = true);
    void setInstrumentActive(AEffect* child, bool active);
    void forwardProgram(VstInt32 program);
    // Configures the instrument for the factor in force (the chosen one, or 1 under the bypass):
    // suspend, sample rate, block size, resume. The caller holds the gate.
    void applyFactor();
    void prepareBuffers();
    int desiredFactor() const;
    void chooseInstrumentFile();
    void recordInDatabase(VstInt32 id, const std::string& path);
    void clearMidiState();
    void reportChildParameterLabel(VstInt32 opcode, VstInt32 index, char* text);
    static std::vector<unsigned char> childStateCopy(const std::vector<unsigned char>& state);
    void applyChildChunk(AEffect* child, const std::vector<unsigned char>& state, float rate);
    void applyParameterDump(AEffect* child, const unsigned char* body, std::size_t size, bool flatList);
    static VstIntPtr answerChild(AEffect* child, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt, bool isMidiSlot);

    vexlo::library::ConfigFile settingsStore;
    vexlo::library::ManagerSettings settings_;
    ManagerEditorLink* editorLink = nullptr;

    // Children.
    std::atomic<AEffect*> instrument{nullptr};
    vexlo::manager::HostedPlugin instrumentLibrary;
    MidiSlot midiSlots[kMidiSlots];
    std::string instrumentPath;
    std::atomic<int> instrumentOutputs{2};
    std::atomic<int> instrumentInputs{0};
    std::atomic<bool> instrumentCanReplace{true};
    bool resumed = false;            // the host has resumed us
    bool instrumentActive = false;   // the instrument is resumed

    // Own parameters.
    std::atomic<float> ownParameters[kOwnParameters];
    char ownParameterNames[kOwnParameters][kVstMaxParamStrLen + 1];
    std::atomic<int> oversamplingFactor{1};
    std::atomic<int> appliedFactor{1};

    // Guards shared with the audio thread.
    std::atomic<bool> unloadRequested{false};
    std::atomic<bool> audioAcknowledged{false};

    // Processing state, touched by the audio thread only once prepared.
    int chainPosition = 0;
    std::vector<float> oversampled[2];
    std::vector<float> scratch;
    std::vector<float*> outputArray;
    std::vector<float*> inputArray;
    int preparedFrames = 0;  // host frames the buffers hold at the largest factor
    float decimatorState[2] = {0.0f, 0.0f};
    ChannelValue heldNotes[128];
    ChannelValue controllerValues[128];
    ChannelValue channelPressure;
    ChannelValue pitchBend;
    std::vector<VstMidiEvent> replayEvents;
    std::vector<unsigned char> chunkBuffer;  // the last state handed to the host
    // The instrument's copy of an event list when it runs oversampled.
    static constexpr int kForwardEvents = 1024;
    VstMidiEvent forwardEvents[kForwardEvents];
    alignas(VstEvents) char forwardListStorage[offsetof(VstEvents, events) + kForwardEvents * sizeof(VstEvent*)];
    VstEvents* forwardList = reinterpret_cast<VstEvents*>(forwardListStorage);
};
