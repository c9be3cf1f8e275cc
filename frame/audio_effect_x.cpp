#include "frame/audio_effect_x.h"

#include <cstdlib>
#include <cstring>

namespace {
VstIntPtr asBool(bool value) { return value ? 1 : 0; }
}  // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return asBool(canParameterBeAutomated(index));
    case effString2Parameter: return asBool(string2parameter(index, static_cast<char*>(ptr)));
    case effGetProgramNameIndexed:
        return asBool(getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)));
    case effGetInputProperties: return asBool(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties: return asBool(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory: return getPlugCategory();
    case effOfflineNotify:
        return asBool(offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<VstInt32>(value), index != 0)) &
               0xFF;
    case effOfflinePrepare:
        return asBool(offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value))) & 0xFF;
    case effOfflineRun:
        return asBool(offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value))) & 0xFF;
    case effProcessVarIo: return asBool(processVariableIo(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
        return asBool(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                            static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBypass: return asBool(setBypass(value != 0));
    case effGetEffectName: return asBool(getEffectName(static_cast<char*>(ptr)));
    case effGetVendorString: return asBool(getVendorString(static_cast<char*>(ptr)));
    case effGetProductString: return asBool(getProductString(static_cast<char*>(ptr)));
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return canDo(static_cast<char*>(ptr));
    case effGetTailSize: return getGetTailSize();
    case effGetParameterProperties:
        return asBool(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
        if (!editor) return 0;
        VstKeyCode key{};
        key.character = index;
        key.virt = static_cast<unsigned char>(value);
        key.modifier = static_cast<unsigned char>(static_cast<VstInt32>(opt));
        return asBool(opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key));
    }
    case effSetEditKnobMode: return editor ? asBool(editor->setKnobMode(static_cast<VstInt32>(value))) : 0;
    case effGetMidiProgramName: return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory: return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged: return asBool(hasMidiProgramsChanged(index));
    case effGetMidiKeyName: return asBool(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram: return asBool(beginSetProgram());
    case effEndSetProgram: return asBool(endSetProgram());
    case effGetSpeakerArrangement:
        return asBool(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                            static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin: return getNextShellPlugin(static_cast<char*>(ptr));
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(static_cast<VstInt32>(value));
    case effSetPanLaw: return asBool(setPanLaw(static_cast<VstInt32>(value), opt));
    case effBeginLoadBank: return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram: return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case effSetProcessPrecision: return asBool(setProcessPrecision(static_cast<VstInt32>(value)));
    case effGetNumMidiInputChannels: return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
    default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::resume() {
    char word[] = "receiveVstMidiEvent";
    if ((cEffect.flags & effFlagsIsSynth) || canDo(word) == 1) wantEvents(1);
}

double AudioEffectX::updateSampleRate() {
    VstIntPtr answer = callHost(audioMasterGetSampleRate);
    if (answer >= 1) sampleRate = static_cast<float>(answer);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    VstIntPtr answer = callHost(audioMasterGetBlockSize);
    if (answer >= 1) blockSize = static_cast<VstInt32>(answer);
    return blockSize;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
    if (input) *input = nullptr;
    if (output) *output = nullptr;
    return false;
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) { return callHost(audioMasterProcessEvents, 0, 0, events) == 1; }

// ---- Speaker arrangements -------------------------------------------------------------------

namespace {
constexpr std::size_t kArrangementHeader = 8;
}

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 numChannels) {
    if (*arrangement) std::free(*arrangement);
    *arrangement = nullptr;
    if (numChannels < 0) return false;
    std::size_t size = kArrangementHeader + sizeof(VstSpeakerProperties) * static_cast<std::size_t>(numChannels);
    auto* fresh = static_cast<VstSpeakerArrangement*>(std::calloc(1, size));
    if (!fresh) return false;
    fresh->numChannels = numChannels;
    *arrangement = fresh;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (*arrangement) std::free(*arrangement);
    *arrangement = nullptr;
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (!to || !from) return false;
    vstStrncpy(to->name, from->name, sizeof(to->name) - 1);
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (!from) return false;
    deallocateArrangement(to);
    if (!allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    for (VstInt32 i = 0; i < from->numChannels; ++i) {
        if (!copySpeaker(&speakersOf(*to)[i], &speakersOf(from)[i])) return false;
    }
    return true;
}
