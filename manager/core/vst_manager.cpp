// Vexlo VM as its host sees it: construction, the lifecycle, parameters, programs, names,
// capabilities and destruction; the oversampling factor in force; and what the parts ask of
// the front. Many instruments take their rate only when they start, so a new factor is given
// to a fresh start of the instrument, its whole state carried over and the held notes sent
// again; the MIDI slots keep running at the host's rate.
#include "manager/core/vst_manager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "manager/interface.h"
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
constexpr VstInt32 kNumPrograms = 512;
constexpr VstInt32 kNumParams = 4000;

// Parameter 1 chooses the oversampler's quality: Classic below 0.5, High from there.
Oversampler::Quality qualityFor(float value) {
    return value >= 0.5f ? Oversampler::Quality::high : Oversampler::Quality::classic;
}

// Parameter 0 chooses the factor: 4 x value, truncated, picks 1, 2, 4, 6 or 8.
int factorFor(float value, int current) {
    static constexpr int kFactors[] = {1, 2, 4, 6, 8};
    const float n = 4.0f * value;
    if (!(n > -1.0f && n < 5.0f)) return current;
    return kFactors[static_cast<int>(n)];
}

}  // namespace

VstManager::VstManager(audioMasterCallback audioMaster) : VstManager(audioMaster, library::ConfigFile()) {}

VstManager::VstManager(audioMasterCallback audioMaster, const library::ConfigFile& store)
    : VexloVmIdentity(audioMaster, kNumPrograms, kNumParams),
      settingsStore_(store),
      rack_(settings_, settingsStore_, gate, *this, {instrumentCallback, midiCallback, this}) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing(true);
    isSynth(true);
    for (auto& value : ownParameters_) value = 0.0f;
    std::memset(ownParameterNames_, 0, sizeof(ownParameterNames_));
    vstStrncpy(ownParameterNames_[0], "OverSamp", kVstMaxParamStrLen);
    vstStrncpy(ownParameterNames_[1], "Quality", kVstMaxParamStrLen);
    settings_.load(settingsStore_);
    rack_.adoptLeftMarker();
    presets_.browserFolder() = settings_.fxpFolder;
    chain_.prepare(blockSize);
    suspend();
    programsAreChunks(true);
    states_.remember();
    std::lock_guard<std::mutex> lock(instancesMutex);
    instances().push_back(this);
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
    rack_.closeAll();
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
    if (hold) rack_.instrument().suspend();
}

void VstManager::resume() {
    {
        GateHold hold(gate, GateHold::wait);
        resumed_ = true;
        if (hold) {
            chain_.prepare(blockSize);
            if (rack_.instrument().isLoaded()) applyFactor();
        }
        chain_.midiState().clear();
    }
    AudioEffectX::resume();
}

void VstManager::setSampleRate(float rate) {
    if (!(rate > 0.0f && rate <= kMaxSampleRate)) return;
    GateHold hold(gate, GateHold::wait);
    if (rate == sampleRate) return;
    sampleRate = rate;
    if (hold && rack_.instrument().isLoaded()) applyFactor();
}

void VstManager::setBlockSize(VstInt32 size) {
    if (size <= 0) return;
    size = std::min(size, Oversampler::kMaxBlock);
    GateHold hold(gate, GateHold::wait);
    if (!hold) return;
    blockSize = size;
    chain_.prepare(blockSize);
    for (int s = 0; s < kMidiSlots; ++s) rack_.midiSlot(s).setBlockSize(size);
    if (rack_.instrument().isLoaded()) applyFactor();
}

void VstManager::setOversamplerBypass(bool on) {
    if (bypassFlag.exchange(on) == on) return;
    std::lock_guard<std::mutex> lock(instancesMutex);
    for (VstManager* manager : instances()) {
        GateHold hold(manager->gate, GateHold::wait);
        if (hold && manager->rack_.instrument().isLoaded()) manager->applyFactor();
    }
}

bool VstManager::oversamplerBypassed() { return bypassFlag.load(); }

// ---- Parameters ----

void VstManager::setOwnParameter(int index, float value) {
    if (index == 1) {
        // The quality in force changes only with the gate held, as the factor does.
        const Oversampler::Quality before = getOversamplingQuality();
        GateHold hold(gate, GateHold::wait);
        ownParameters_[index] = value;
        if (hold && rack_.instrument().isLoaded() && getOversamplingQuality() != before) applyFactor();
        return;
    }
    ownParameters_[index] = value;
    if (index != 0) return;
    const int factor = factorFor(value, oversamplingFactor_.load());
    if (factor == oversamplingFactor_.load()) return;
    GateHold hold(gate, GateHold::wait);
    oversamplingFactor_ = factor;
    if (hold && rack_.instrument().isLoaded()) applyFactor();
}

void VstManager::setParameter(VstInt32 index, float value) {
    if (index >= 0 && index < kOwnParameters) {
        setOwnParameter(index, value);
    } else if (index >= kOwnParameters) {
        GatePass pass(gate);
        if (pass && index - kOwnParameters < rack_.instrument().numParams())
            rack_.instrument().setParameter(index - kOwnParameters, value);
    }
}

float VstManager::getParameter(VstInt32 index) {
    if (index >= 0 && index < kOwnParameters) return ownParameters_[index];
    GatePass pass(gate);
    if (pass && index >= kOwnParameters && index - kOwnParameters < rack_.instrument().numParams())
        return rack_.instrument().getParameter(index - kOwnParameters);
    return 0.0f;
}

void VstManager::reportChildParameterText(VstInt32 opcode, VstInt32 index, char* text) {
    if (index >= 0 && index < kOwnParameters) {
        vstStrncpy(text, ownParameterNames_[index], kVstMaxParamStrLen);
        return;
    }
    GatePass pass(gate);
    if (pass && index >= kOwnParameters && index - kOwnParameters < rack_.instrument().numParams()) {
        vstStrncpy(text, rack_.instrument().text(opcode, index - kOwnParameters).c_str(), kVstMaxParamStrLen);
        return;
    }
    vstStrncpy(text, "    ", kVstMaxParamStrLen);
}

void VstManager::getParameterLabel(VstInt32 index, char* label) { reportChildParameterText(effGetParamLabel, index, label); }

void VstManager::getParameterName(VstInt32 index, char* text) { reportChildParameterText(effGetParamName, index, text); }

void VstManager::getParameterDisplay(VstInt32 index, char* text) {
    if (index == 1) vstStrncpy(text, getOversamplingQuality() == Oversampler::Quality::high ? "High" : "Classic", kVstMaxParamStrLen);
    else if (index >= 0 && index < kOwnParameters) float2string(ownParameters_[index], text, kVstMaxParamStrLen);
    else vstStrncpy(text, "    ", kVstMaxParamStrLen);
}

// ---- Programs ----

void VstManager::forwardProgram(VstInt32 program) {
    if (!rack_.instrument().isLoaded()) {
        curProgram = program;
        return;
    }
    curProgram = std::max(0, std::min(program, rack_.instrument().numPrograms() - 1));
    rack_.instrument().setProgram(curProgram);
}

void VstManager::setProgram(VstInt32 program) {
    GatePass pass(gate);
    if (pass) forwardProgram(program);
    else curProgram = program;
}

void VstManager::getProgramName(char* name) {
    *name = 0;
    GatePass pass(gate);
    if (pass && rack_.instrument().isLoaded()) vstStrncpy(name, rack_.instrument().programName().c_str(), kVstMaxProgNameLen);
}

bool VstManager::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    *text = 0;
    GatePass pass(gate);
    if (pass && index >= 0 && index < rack_.instrument().numPrograms())
        vstStrncpy(text, rack_.instrument().programNameIndexed(index).c_str(), kVstMaxProgNameLen);
    return true;
}

// ---- Identity ----

VstIntPtr VstManager::vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float) {
    if (index != kLoadPresetRequest || !ptr) return 0;
    presets_.load(value != 0, static_cast<const char*>(ptr), true);
    return 1;
}

// ---- Processing ----

void VstManager::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    GatePass pass(gate);
    chain_.process(bool(pass), inputs, outputs, frames);
    if (pass && frames > 0) rack_.loader().marker().played(static_cast<std::uint32_t>(frames));
}

// ---- The factor in force; the gate is held ----

int VstManager::desiredFactor() const { return oversamplerBypassed() ? 1 : oversamplingFactor_.load(); }

int VstManager::factorForState(float value) const {
    return oversamplerBypassed() ? 1 : factorFor(value, oversamplingFactor_.load());
}

Oversampler::Quality VstManager::getOversamplingQuality() const { return qualityFor(ownParameters_[1].load()); }

void VstManager::applyFactor() {
    const int factor = desiredFactor();
    const float rate = instrumentRate(factor);
    const VstInt32 block = instrumentBlock(factor);
    chain_.setFactor(factor, getOversamplingQuality());
    HostedChild& instrument = rack_.instrument();
    if (instrument.isLoaded()) {
        if (instrument.sampleRate() != rate) rack_.restartInstrument(factor);
        else if (instrument.blockSize() != block || (resumed_ && !instrument.isResumed()))
            instrument.setRateAndBlock(rate, block, resumed_);
    }
    reportLatency();
}

void VstManager::reportLatency() {
    // The delay the oversampler's way back adds, told to the host when it changes.
    const VstInt32 delay = rack_.instrument().isLoaded() ? chain_.latency() : 0;
    if (delay == cEffect.initialDelay) return;
    setInitialDelay(delay);
    ioChanged();
}

// ---- What the parts ask of the front ----

void VstManager::instrumentInstalled() {
    numParams = rack_.instrument().numParams();
    chain_.prepare(blockSize);
    // Prepared for the factor in force when it was opened; the bypass may have changed since.
    applyFactor();
    forwardProgram(curProgram);
    updateDisplay();
    ioChanged();
}

// ---- A process of its own ----

bool VstManager::ownProcess(int position) {
    if (position < 0 || position > kMidiSlots) return false;
    // Asked from the editor's idle: a change on another thread may be swapping the child.
    GatePass pass(gate);
    const HostedChild& child = position == 0 ? rack_.instrument() : rack_.midiSlot(position - 1);
    return pass && child.isLoaded() && library::runsInOwnProcess(settingsStore_, child.uniqueId());
}

void VstManager::setOwnProcess(int position, bool on) {
    if (position < 0 || position > kMidiSlots || ownProcess(position) == on) return;
    {
        GatePass pass(gate, GatePass::waitForChange);
        const HostedChild& child = position == 0 ? rack_.instrument() : rack_.midiSlot(position - 1);
        if (!pass || !child.isLoaded()) return;
        library::setRunsInOwnProcess(settingsStore_, child.uniqueId(), on);
    }
    std::array<bool, 1 + kMidiSlots> which{};
    which[static_cast<std::size_t>(position)] = true;
    states_.reload(which);
}

std::vector<int> VstManager::tellFailures() {
    const std::string notice = rack_.takeNotice();
    if (!notice.empty()) library::report(notice, "Vexlo VM");
    std::vector<std::string> failed;
    std::vector<int> positions;
    {
        GatePass pass(gate);
        if (!pass) return positions;  // a change runs: the next idle tells
        int position = 0;
        for (std::string name = rack_.takeNewFailure(&position); !name.empty(); name = rack_.takeNewFailure(&position)) {
            failed.push_back(name);
            positions.push_back(position);
        }
    }
    // Told outside the gate: a message box may stay open for minutes.
    for (const std::string& name : failed) {
        const std::string text = name + " crashed: its last state is kept. Choose Reload to start it again.";
        tellStatus(text);
        library::report(text, "Vexlo VM");
    }
    return positions;
}

void VstManager::reloadFailed() {
    std::array<bool, 1 + kMidiSlots> which{};
    {
        GatePass pass(gate, GatePass::waitForChange);
        if (!pass) return;
        which[0] = rack_.instrument().failed();
        for (int s = 0; s < kMidiSlots; ++s) which[static_cast<std::size_t>(1 + s)] = rack_.midiSlot(s).failed();
    }
    if (std::find(which.begin(), which.end(), true) != which.end()) states_.reload(which);
}

void VstManager::scanPlugins(bool onlyNew) {
    if (scan_.running()) return;
    rack_.prepareForScan();
    scan_.start(settings_.vstFolder, settings_.scanDatabasePath, onlyNew);
}

void VstManager::tellStatus(const std::string& text) {
    if (ManagerObserver* observer = rack_.observer()) observer->statusChanged(text);
}

}  // namespace vexlo::manager
