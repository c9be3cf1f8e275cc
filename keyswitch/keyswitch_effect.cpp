#include "keyswitch/keyswitch_effect.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "keyswitch/keyswitch_editor.h"

namespace vexlo::keyswitch {

std::atomic<std::int32_t> KeySwitchEffect::splitKey{36};

namespace {
constexpr const char* kParameterNames[] = {"Split-NT", "SwitchNT"};

float readFloat(const unsigned char* at) {
    float value;
    std::memcpy(&value, at, sizeof(value));
    return value;
}
}  // namespace

std::int32_t KeySwitchEffect::keyFromValue(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483520.0f) return 2147483520;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

KeySwitchEffect::KeySwitchEffect(audioMasterCallback audioMaster)
    : MidiPluginEffect(audioMaster, kNumPrograms, kNumParams, "Zaz Ozevovore") {
    setNumInputs(1);
    setNumOutputs(0);
    isSynth(true);
    canProcessReplacing(true);
    programsAreChunks(true);
    parameters[kSplit] = 36.0f;
    parameters[kSwitch] = 36.0f;
    new vexlo::keyswitch::KeySwitchEditor(this);  // the editor attaches itself
}

KeySwitchEffect::~KeySwitchEffect() { delete[] chunk; }

VstInt32 KeySwitchEffect::processEvents(VstEvents* events) {
    if (!events) return 0;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        VstEvent* event = eventsOf(events)[i];
        if (!event || event->type != kVstMidiType) continue;
        auto* midi = reinterpret_cast<VstMidiEvent*>(event);
        const bool keyPress = (midi->midiData[0] & 0xF0) == 0x90 && (midi->midiData[2] & 0x7F) > 0;
        if (!keyPress) continue;  // note-offs and everything else pass unchanged
        const int key = midi->midiData[1] & 0x7F;

        if (learnSplitPending.exchange(false)) setParameter(kSplit, static_cast<float>(key));
        if (learnSwitchPending.exchange(false)) {
            if (key >= splitKey.load()) setParameter(kSplit, static_cast<float>(key + 1));
            setParameter(kSwitch, static_cast<float>(key));
        }

        bool blank;
        if (key < splitKey.load()) {
            gateOpen = key == switchKey.load();
            blank = true;
        } else {
            blank = !gateOpen.load();
        }
        if (blank) midi->midiData[0] = midi->midiData[1] = midi->midiData[2] = 0;
    }
    return sendLiveEventsToHost(events) ? 1 : 0;
}

void KeySwitchEffect::setParameter(VstInt32 index, float value) {
    if (index == kSplit) {
        parameters[kSplit] = value;
        splitKey = keyFromValue(value);
    } else if (index == kSwitch) {
        parameters[kSwitch] = value;
        switchKey = keyFromValue(value);
    }
    if (editor && editor->isOpen()) static_cast<vexlo::keyswitch::KeySwitchEditor*>(editor)->setParameter(index, value);
}

float KeySwitchEffect::getParameter(VstInt32 index) {
    return index >= 0 && index < kNumOwnParameters ? parameters[index].load() : 0.0f;
}

void KeySwitchEffect::getParameterName(VstInt32 index, char* text) {
    if (index >= 0 && index < kNumOwnParameters) vstStrncpy(text, kParameterNames[index], kVstMaxParamStrLen);
}

void KeySwitchEffect::getParameterLabel(VstInt32 index, char* text) { getParameterName(index, text); }

void KeySwitchEffect::getParameterDisplay(VstInt32 index, char* text) {
    if (index >= 0 && index < kNumOwnParameters) float2string(parameters[index], text, kVstMaxParamStrLen);
    else vstStrncpy(text, "    ", kVstMaxParamStrLen);
}

VstInt32 KeySwitchEffect::getChunk(void** data, bool) {
    delete[] chunk;
    chunk = new unsigned char[kChunkSize]();
    float split = parameters[kSplit], key = parameters[kSwitch];
    std::memcpy(chunk + 10, &split, 4);
    std::memcpy(chunk + 14, &key, 4);
    *data = chunk;
    return kChunkSize;
}

VstInt32 KeySwitchEffect::setChunk(void* data, VstInt32 byteSize, bool) {
    if (!data || byteSize < kChunkSize) return 0;  // a short chunk is refused whole
    const auto* bytes = static_cast<const unsigned char*>(data);
    // Our chunks begin with ten zero bytes and hold two key numbers; anything else is refused
    // whole and the keys stay as they were.
    for (int i = 0; i < 10; ++i)
        if (bytes[i] != 0) return 0;
    const float split = readFloat(bytes + 10), key = readFloat(bytes + 14);
    auto isKey = [](float value) { return std::isfinite(value) && value >= 0.0f && value <= 127.0f; };
    if (!isKey(split) || !isKey(key)) return 0;
    setParameter(kSplit, split);
    setParameter(kSwitch, key);
    return 1;
}

}  // namespace vexlo::keyswitch
