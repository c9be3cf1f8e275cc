// Vexlo VM as its host sees it: construction, parameters, programs, names, capabilities and
// destruction. Loading children, their callbacks and processing live in their own files.
#include "manager/core/vst_manager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "frame/family.h"
#include "manager/library/path_utils.h"
#include "platform/platform.h"

using vexlo::manager::GateHold;
using vexlo::manager::GatePass;

namespace {

// Every instance in the process, so that the process-wide bypass can reconfigure them all.
std::mutex instancesMutex;
std::vector<VstManager*>& instances() {
    static std::vector<VstManager*> all;
    return all;
}

std::atomic<bool> bypassFlag{false};

// Parameter 0 chooses the factor: 4 x value, truncated, picks 1, 2, 4, 6 or 8.
int factorForValue(float value, int current) {
    static constexpr int kFactors[] = {1, 2, 4, 6, 8};
    const float n = 4.0f * value;
    if (!(n > -1.0f && n < 5.0f)) return current;
    return kFactors[static_cast<int>(n)];
}

}  // namespace

VstManager::VstManager(audioMasterCallback audioMaster) : VstManager(audioMaster, vexlo::library::ConfigFile()) {}

VstManager::VstManager(audioMasterCallback audioMaster, const vexlo::library::ConfigFile& store)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams), settingsStore(store) {
    construct();
}

void VstManager::construct() {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing(true);
    isSynth(true);
    for (auto& value : ownParameters) value = 0.0f;
    std::memset(ownParameterNames, 0, sizeof(ownParameterNames));
    initialise();
    suspend();
    programsAreChunks(true);
    std::lock_guard<std::mutex> lock(instancesMutex);
    instances().push_back(this);
}

void VstManager::initialise() {
    instrument = nullptr;
    oversamplingFactor = 1;
    appliedFactor = 1;
    vstStrncpy(ownParameterNames[0], "OverSamp", kVstMaxParamStrLen);
    for (auto& value : ownParameters) value = 0.0f;
    unloadRequested = false;
    audioAcknowledged = false;
    for (MidiSlot& slot : midiSlots) slot.name.clear();
    clearMidiState();
    replayEvents.assign(kReplayEvents, VstMidiEvent{});
    instrumentPath.clear();

    settings_.load(settingsStore);

    prepareBuffers();
    instrumentCanReplace = true;
}

VstManager::~VstManager() {
    {
        std::lock_guard<std::mutex> lock(instancesMutex);
        auto& all = instances();
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
    // The host has stopped processing before it closes us; the gate makes sure of it.
    GateHold hold(gate, GateHold::wait);
    settings_.saveBrowserRectangle(settingsStore);
    if (AEffect* child = instrument.exchange(nullptr)) closeChild(child, instrumentLibrary, instrumentActive);
    for (MidiSlot& slot : midiSlots)
        if (AEffect* child = slot.effect.exchange(nullptr)) closeChild(child, slot.library);
}

void VstManager::closeChild(AEffect* child, vexlo::manager::HostedPlugin& library, bool active) {
    child->user = nullptr;
    if (active) child->dispatcher(child, effMainsChanged, 0, 0, nullptr, 0.0f);
    child->dispatcher(child, effClose, 0, 0, nullptr, 0.0f);
    library.release();
}

std::string VstManager::pluginDirectory() {
    static const std::string directory = [] {
        std::string path = vexlo::platform::ownLibraryPath();
        if (path.empty()) path = std::string("c:") + vexlo::platform::pathSeparator();
        if (path.size() > 9022) vexlo::library::report("Path of the VST DLL is too long!", "Error!");
        std::size_t cut = path.find_last_of("\\/");
        return (cut == std::string::npos ? std::string() : path.substr(0, cut)) + vexlo::platform::pathSeparator();
    }();
    return directory;
}

// ---- Lifecycle ----

void VstManager::suspend() {
    GateHold hold(gate, GateHold::wait);
    resumed = false;
    if (AEffect* child = instrument.load(); child && hold) setInstrumentActive(child, false);
}

// Tells the instrument to resume or suspend, unless it already is.
void VstManager::setInstrumentActive(AEffect* child, bool active) {
    if (instrumentActive == active) return;
    instrumentActive = active;
    child->dispatcher(child, effMainsChanged, 0, active ? 1 : 0, nullptr, 0.0f);
}

void VstManager::resume() {
    {
        GateHold hold(gate, GateHold::wait);
        resumed = true;
        if (hold) {
            prepareBuffers();
            if (instrument.load()) applyFactor();
        }
        clearMidiState();
    }
    AudioEffectX::resume();
}

void VstManager::setSampleRate(float rate) {
    GateHold hold(gate, GateHold::wait);
    if (rate == sampleRate) return;
    sampleRate = rate;
    if (hold && instrument.load()) applyFactor();
}

void VstManager::setBlockSize(VstInt32 size) {
    GateHold hold(gate, GateHold::wait);
    if (!hold) return;
    blockSize = size;
    prepareBuffers();
    for (MidiSlot& slot : midiSlots)
        if (AEffect* child = slot.effect.load()) child->dispatcher(child, effSetBlockSize, 0, size, nullptr, 0.0f);
    if (instrument.load()) applyFactor();
}

int VstManager::desiredFactor() const { return bypassFlag.load() ? 1 : oversamplingFactor.load(); }

void VstManager::applyFactor() {
    AEffect* child = instrument.load();
    const int factor = desiredFactor();
    appliedFactor = factor;
    decimatorState[0] = decimatorState[1] = 0.0f;
    if (!child) return;
    const bool wasActive = instrumentActive;
    setInstrumentActive(child, false);
    child->dispatcher(child, effSetSampleRate, 0, 0, nullptr, static_cast<float>(factor) * sampleRate);
    child->dispatcher(child, effSetBlockSize, 0, static_cast<VstIntPtr>(factor) * blockSize, nullptr, 0.0f);
    if (resumed || wasActive) setInstrumentActive(child, true);
}

void VstManager::setOversamplerBypass(bool on) {
    if (bypassFlag.exchange(on) == on) return;
    std::lock_guard<std::mutex> lock(instancesMutex);
    for (VstManager* manager : instances()) {
        GateHold hold(manager->gate, GateHold::wait);
        if (hold && manager->instrument.load()) manager->applyFactor();
    }
}

bool VstManager::oversamplerBypassed() { return bypassFlag.load(); }

// ---- Parameters ----

void VstManager::setParameter(VstInt32 index, float value) {
    if (index >= 0 && index < kOwnParameters) {
        ownParameters[index] = value;
        if (index == 0) {
            const int factor = factorForValue(value, oversamplingFactor.load());
            if (factor != oversamplingFactor.load()) {
                GateHold hold(gate, GateHold::wait);
                oversamplingFactor = factor;
                if (hold && instrument.load()) applyFactor();
            }
        }
    } else if (index >= kOwnParameters) {
        GatePass pass(gate);
        AEffect* child = instrument.load();
        if (pass && child && index - kOwnParameters < child->numParams)
            child->setParameter(child, index - kOwnParameters, value);
    }
}

float VstManager::getParameter(VstInt32 index) {
    if (index >= 0 && index < kOwnParameters) return ownParameters[index];
    GatePass pass(gate);
    AEffect* child = instrument.load();
    if (pass && child && index >= kOwnParameters && index - kOwnParameters < child->numParams)
        return child->getParameter(child, index - kOwnParameters);
    return 0.0f;
}

void VstManager::reportChildParameterLabel(VstInt32 opcode, VstInt32 index, char* text) {
    if (index >= 0 && index < kOwnParameters) {
        vstStrncpy(text, ownParameterNames[index], kVstMaxParamStrLen);
        return;
    }
    GatePass pass(gate);
    AEffect* child = instrument.load();
    if (pass && child && index >= kOwnParameters && index - kOwnParameters < child->numParams) {
        char answer[256] = {};
        child->dispatcher(child, opcode, index - kOwnParameters, 0, answer, 0.0f);
        vstStrncpy(text, answer, kVstMaxParamStrLen);
        return;
    }
    vstStrncpy(text, "    ", kVstMaxParamStrLen);
}

void VstManager::getParameterLabel(VstInt32 index, char* label) { reportChildParameterLabel(effGetParamLabel, index, label); }

void VstManager::getParameterName(VstInt32 index, char* text) { reportChildParameterLabel(effGetParamName, index, text); }

void VstManager::getParameterDisplay(VstInt32 index, char* text) {
    if (index >= 0 && index < kOwnParameters) float2string(ownParameters[index], text, kVstMaxParamStrLen);
    else vstStrncpy(text, "    ", kVstMaxParamStrLen);
}

// ---- Programs ----

void VstManager::forwardProgram(VstInt32 program) {
    AEffect* child = instrument.load();
    if (!child) {
        curProgram = program;
        return;
    }
    curProgram = std::max(0, std::min(program, child->numPrograms - 1));
    child->dispatcher(child, effSetProgram, 0, curProgram, nullptr, 0.0f);
}

void VstManager::setProgram(VstInt32 program) {
    GatePass pass(gate);
    if (pass) forwardProgram(program);
    else curProgram = program;
}

void VstManager::getProgramName(char* name) {
    *name = 0;
    GatePass pass(gate);
    if (AEffect* child = instrument.load(); pass && child) {
        char answer[256] = {};
        child->dispatcher(child, effGetProgramName, 0, 0, answer, 0.0f);
        vstStrncpy(name, answer, kVstMaxProgNameLen);
    }
}

bool VstManager::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    *text = 0;
    GatePass pass(gate);
    if (AEffect* child = instrument.load(); pass && child && index >= 0 && index < child->numPrograms) {
        char answer[256] = {};
        child->dispatcher(child, effGetProgramNameIndexed, index, 0, answer, 0.0f);
        vstStrncpy(text, answer, kVstMaxProgNameLen);
    }
    return true;
}

// ---- Identity ----

bool VstManager::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    return vexlo::stereoOutputProperties(index, properties);
}

bool VstManager::getEffectName(char* name) { return vexlo::copyName(name, "VexloVM", kVstMaxEffectNameLen); }

bool VstManager::getVendorString(char* text) { return vexlo::copyName(text, vexlo::kVendor, kVstMaxVendorStrLen); }

bool VstManager::getProductString(char* text) { return vexlo::copyName(text, "VexloVM", kVstMaxProductStrLen); }

VstInt32 VstManager::getVendorVersion() { return vexlo::kVendorVersion; }

VstInt32 VstManager::canDo(char* text) {
    if (!std::strcmp(text, canDoWords::receiveVstEvents) || !std::strcmp(text, "receiveVstMidiEvents")) return 1;
    return -1;
}
