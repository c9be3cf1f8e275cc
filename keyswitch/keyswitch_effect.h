// Vexlo Key-Switch MIDI: keys below a split key open or close this instance's gate; keys at or
// above it pass only while the gate is open. The split key is shared by every instance that the
// host has loaded from this library; each instance has its own switch key.
#pragma once

#include <atomic>
#include <cstdint>

#include "frame/midi_plugin.h"

namespace vexlo::keyswitch {

class KeySwitchEffect : public MidiPluginEffect {
public:
    static constexpr VstInt32 kNumPrograms = 512;
    static constexpr VstInt32 kNumParams = 9999;
    static constexpr int kChunkSize = 18;
    enum Parameter { kSplit = 0, kSwitch = 1, kNumOwnParameters = 2 };

    explicit KeySwitchEffect(audioMasterCallback audioMaster);
    ~KeySwitchEffect() override;

    void processReplacing(float**, float**, VstInt32) override {}
    VstInt32 processEvents(VstEvents* events) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

    // Called by the editor: the next key press sets the split or the switch key.
    void learnSplit() { learnSplitPending = true; }
    void learnSwitch() { learnSwitchPending = true; }

    static std::int32_t sharedSplitKey() { return splitKey.load(); }
    // A key number from a parameter value: truncated toward zero, held inside the int32 range.
    static std::int32_t keyFromValue(float value);
    std::int32_t getSwitchKey() const { return switchKey.load(); }
    bool isGateOpen() const { return gateOpen.load(); }

private:
    // One split key for every instance in the process.
    static std::atomic<std::int32_t> splitKey;

    std::atomic<float> parameters[kNumOwnParameters];
    std::atomic<std::int32_t> switchKey{36};
    std::atomic<bool> gateOpen{true};
    std::atomic<bool> learnSplitPending{false};
    std::atomic<bool> learnSwitchPending{false};
    unsigned char* chunk = nullptr;
};

}  // namespace vexlo::keyswitch
