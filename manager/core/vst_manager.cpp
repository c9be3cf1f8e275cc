// Vexlo VM as its host sees it: construction, the lifecycle, parameters, programs, names,
// capabilities and destruction. Children, processing and the state live in their own files.
#include "manager/core/vst_manager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "frame/family.h"
#include "manager/library/path_utils.h"
#include "platform/platform.h"

namespace vexlo::manager {

namespace {

// Every instance in the process, so that the process-wide bypass can reconfigure them all.
std::mutex instancesMutex;
std::vector<VstManager*>& instances() {
    static std::vector<VstManager*> all;
    return all;
}

std::atomic<bool> bypassFlag{false};

// The highest host rate taken; anything above it, and anything that is no rate, is refused.
constexpr float kMaxSampleRate = 1.0e6f;

}  // namespace

VstManager::VstManager(audioMasterCallback audioMaster) : VstManager(audioMaster, library::ConfigFile()) {}

VstManager::VstManager(audioMasterCallback audioMaster, const library::ConfigFile& store)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams), settingsStore_(store) {
    construct();
}

void VstManager::construct() {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing(true);
    isSynth(true);
    for (auto& value : ownParameters_) value = 0.0f;
    std::memset(ownParameterNames_, 0, sizeof(ownParameterNames_));
    initialise();
    suspend();
    programsAreChunks(true);
    lastCompleteState_ = files::encodeManagerState(captureState());
    std::lock_guard<std::mutex> lock(instancesMutex);
    instances().push_back(this);
}

void VstManager::initialise() {
    oversamplingFactor_ = 1;
    oversampler_.setFactor(1);
    vstStrncpy(ownParameterNames_[0], "OverSamp", kVstMaxParamStrLen);
    vstStrncpy(ownParameterNames_[1], "Quality", kVstMaxParamStrLen);
    for (auto& value : ownParameters_) value = 0.0f;
    for (std::string& name : midiSlotNames_) name.clear();
    midiState_.clear();
    instrumentPath_.clear();
    settings_.load(settingsStore_);
    browserFolder_ = settings_.fxpFolder;
    prepareBuffers();
    instrumentCanReplace_ = true;
}

VstManager::~VstManager() {
    // The editor goes first, with its windows and the children's editors it shows, while every
    // child it may still talk to is loaded.
    delete editor;
    editor = nullptr;
    {
        std::lock_guard<std::mutex> lock(instancesMutex);
        auto& all = instances();
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
    // The host has stopped processing before it closes us; the gate makes sure of it.
    GateHold hold(gate, GateHold::wait);
    settings_.saveBrowserRectangle(settingsStore_);
    instrument_.close();
    for (HostedChild& slot : midiSlots_) slot.close();
}

std::string VstManager::pluginDirectory() {
    static const std::string directory = [] {
        std::string path = platform::ownLibraryPath();
        if (path.empty()) path = std::string("c:") + platform::pathSeparator();
        if (path.size() > library::kMaxPathLength) library::report("Path of the VST DLL is too long!", "Error!");
        std::size_t cut = path.find_last_of("\\/");
        return (cut == std::string::npos ? std::string() : path.substr(0, cut)) + platform::pathSeparator();
    }();
    return directory;
}

// ---- Lifecycle ----

void VstManager::suspend() {
    GateHold hold(gate, GateHold::wait);
    resumed_ = false;
    if (hold) instrument_.suspend();
}

void VstManager::resume() {
    {
        GateHold hold(gate, GateHold::wait);
        resumed_ = true;
        if (hold) {
            prepareBuffers();
            if (instrument_.isLoaded()) applyFactor();
        }
        midiState_.clear();
    }
    AudioEffectX::resume();
}

void VstManager::setSampleRate(float rate) {
    if (!(rate > 0.0f && rate <= kMaxSampleRate)) return;
    GateHold hold(gate, GateHold::wait);
    if (rate == sampleRate) return;
    sampleRate = rate;
    if (hold && instrument_.isLoaded()) applyFactor();
}

void VstManager::setBlockSize(VstInt32 size) {
    if (size <= 0) return;
    size = std::min(size, Oversampler::kMaxBlock);
    GateHold hold(gate, GateHold::wait);
    if (!hold) return;
    blockSize = size;
    prepareBuffers();
    for (HostedChild& slot : midiSlots_) slot.setBlockSize(size);
    if (instrument_.isLoaded()) applyFactor();
}

void VstManager::prepareBuffers() {
    // The channel arrays serve the instrument and the MIDI slots alike: as many entries as the
    // widest of them has pins.
    int channels = std::max({2, instrumentOutputs_, instrumentInputs_});
    for (const HostedChild& slot : midiSlots_) channels = std::max({channels, slot.numOutputs(), slot.numInputs()});
    oversampler_.prepare(blockSize, channels);
}

// Parameter 0 chooses the factor: 4 x value, truncated, picks 1, 2, 4, 6 or 8.
int VstManager::factorFor(float value, int current) {
    static constexpr int kFactors[] = {1, 2, 4, 6, 8};
    const float n = 4.0f * value;
    if (!(n > -1.0f && n < 5.0f)) return current;
    return kFactors[static_cast<int>(n)];
}

void VstManager::setOversamplerBypass(bool on) {
    if (bypassFlag.exchange(on) == on) return;
    std::lock_guard<std::mutex> lock(instancesMutex);
    for (VstManager* manager : instances()) {
        GateHold hold(manager->gate, GateHold::wait);
        if (hold && manager->instrument_.isLoaded()) manager->applyFactor();
    }
}

bool VstManager::oversamplerBypassed() { return bypassFlag.load(); }

// ---- Parameters ----

void VstManager::setOwnParameter(int index, float value) {
    if (index == 1) {
        // The quality in force changes only with the gate held, as the factor does.
        const Oversampler::Quality before = desiredQuality();
        GateHold hold(gate, GateHold::wait);
        ownParameters_[index] = value;
        if (hold && instrument_.isLoaded() && desiredQuality() != before) applyFactor();
        return;
    }
    ownParameters_[index] = value;
    if (index != 0) return;
    const int factor = factorFor(value, oversamplingFactor_.load());
    if (factor == oversamplingFactor_.load()) return;
    GateHold hold(gate, GateHold::wait);
    oversamplingFactor_ = factor;
    if (hold && instrument_.isLoaded()) applyFactor();
}

void VstManager::setParameter(VstInt32 index, float value) {
    if (index >= 0 && index < kOwnParameters) {
        setOwnParameter(index, value);
    } else if (index >= kOwnParameters) {
        GatePass pass(gate);
        if (pass && index - kOwnParameters < instrument_.numParams())
            instrument_.setParameter(index - kOwnParameters, value);
    }
}

float VstManager::getParameter(VstInt32 index) {
    if (index >= 0 && index < kOwnParameters) return ownParameters_[index];
    GatePass pass(gate);
    if (pass && index >= kOwnParameters && index - kOwnParameters < instrument_.numParams())
        return instrument_.getParameter(index - kOwnParameters);
    return 0.0f;
}

void VstManager::reportChildParameterText(VstInt32 opcode, VstInt32 index, char* text) {
    if (index >= 0 && index < kOwnParameters) {
        vstStrncpy(text, ownParameterNames_[index], kVstMaxParamStrLen);
        return;
    }
    GatePass pass(gate);
    if (pass && index >= kOwnParameters && index - kOwnParameters < instrument_.numParams()) {
        vstStrncpy(text, instrument_.text(opcode, index - kOwnParameters).c_str(), kVstMaxParamStrLen);
        return;
    }
    vstStrncpy(text, "    ", kVstMaxParamStrLen);
}

void VstManager::getParameterLabel(VstInt32 index, char* label) { reportChildParameterText(effGetParamLabel, index, label); }

void VstManager::getParameterName(VstInt32 index, char* text) { reportChildParameterText(effGetParamName, index, text); }

void VstManager::getParameterDisplay(VstInt32 index, char* text) {
    if (index == 1) vstStrncpy(text, desiredQuality() == Oversampler::Quality::high ? "High" : "Classic", kVstMaxParamStrLen);
    else if (index >= 0 && index < kOwnParameters) float2string(ownParameters_[index], text, kVstMaxParamStrLen);
    else vstStrncpy(text, "    ", kVstMaxParamStrLen);
}

// ---- Programs ----

void VstManager::forwardProgram(VstInt32 program) {
    if (!instrument_.isLoaded()) {
        curProgram = program;
        return;
    }
    curProgram = std::max(0, std::min(program, instrument_.numPrograms() - 1));
    instrument_.setProgram(curProgram);
}

void VstManager::setProgram(VstInt32 program) {
    GatePass pass(gate);
    if (pass) forwardProgram(program);
    else curProgram = program;
}

void VstManager::getProgramName(char* name) {
    *name = 0;
    GatePass pass(gate);
    if (pass && instrument_.isLoaded()) vstStrncpy(name, instrument_.programName().c_str(), kVstMaxProgNameLen);
}

bool VstManager::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    *text = 0;
    GatePass pass(gate);
    if (pass && index >= 0 && index < instrument_.numPrograms())
        vstStrncpy(text, instrument_.programNameIndexed(index).c_str(), kVstMaxProgNameLen);
    return true;
}

// ---- Identity ----

bool VstManager::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    return stereoOutputProperties(index, properties);
}

bool VstManager::getEffectName(char* name) { return copyName(name, "VexloVM", kVstMaxEffectNameLen); }

bool VstManager::getVendorString(char* text) { return copyName(text, kVendor, kVstMaxVendorStrLen); }

bool VstManager::getProductString(char* text) { return copyName(text, "VexloVM", kVstMaxProductStrLen); }

VstInt32 VstManager::getVendorVersion() { return kVendorVersion; }

VstInt32 VstManager::canDo(char* text) {
    if (!std::strcmp(text, canDoWords::receiveVstEvents) || !std::strcmp(text, "receiveVstMidiEvents")) return 1;
    return -1;
}

}  // namespace vexlo::manager
