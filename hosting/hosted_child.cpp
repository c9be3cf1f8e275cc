#include "hosting/hosted_child.h"

#include "hosting/bridge_client.h"
#include "hosting/library_machine.h"

#include <algorithm>
#include <cstring>

namespace vexlo::hosting {

namespace {
// Zero bytes after a state handed to a child.
constexpr std::size_t kStatePadding = 16;
}  // namespace

std::string HostedChild::bridgeFor(const std::string& library) {
    return bridge::BridgeClient::programBeside(wordSizeSuffix(machineOfLibrary(library)));
}

HostedChild& HostedChild::operator=(HostedChild&& other) noexcept {
    if (this != &other) {
        close();
        take(other);
    }
    return *this;
}

void HostedChild::take(HostedChild& other) {
    effect_.store(other.effect_.exchange(nullptr));
    library_ = other.library_;
    entry_ = other.entry_;
    remote_ = std::move(other.remote_);
    path_ = std::move(other.path_);
    opened_ = other.opened_;
    resumed_ = other.resumed_;
    rate_ = other.rate_;
    block_ = other.block_;
    parametersSet_ = std::move(other.parametersSet_);
    trackedParameters_ = other.trackedParameters_;
    other.trackedParameters_ = 0;
    other.library_ = nullptr;
    other.entry_ = nullptr;
    other.opened_ = other.resumed_ = false;
}

bool HostedChild::loadLibrary(const std::string& path, std::string* error) {
    close();
    const Machine machine = machineOfLibrary(path);
    if (reachOf(machine) != Reach::here) {
        if (error) *error = path + " is built for " + machineName(machine) + ": it cannot be loaded into this process";
        return false;
    }
    library_ = platform::loadLibrary(path);
    if (!library_) {
        if (error) *error = "cannot load " + path + ": " + platform::lastLibraryError();
        return false;
    }
    entry_ = reinterpret_cast<PluginEntry>(platform::findSymbol(library_, "VSTPluginMain"));
    if (!entry_) entry_ = reinterpret_cast<PluginEntry>(platform::findSymbol(library_, "main"));
    if (!entry_) {
        releaseLibrary();
        if (error) *error = path + " has no VST 2.4 entry (VSTPluginMain or main)";
        return false;
    }
    path_ = path;
    return true;
}

bool HostedChild::loadInOwnProcess(const std::string& path, std::string* error) {
    close();
    remote_ = bridge::BridgeClient::start(bridgeFor(path), path, error);
    if (!remote_) return false;
    path_ = path;
    return true;
}

bool HostedChild::failed() const { return remote_ && remote_->failed(); }

bool HostedChild::enter(audioMasterCallback callback) {
    if (remote_) return adopt(remote_->enter(callback));
    return entry_ && enter(entry_, callback);
}

bool HostedChild::enter(PluginEntry entry, audioMasterCallback callback) {
    if (!entry || !adopt(entry(callback))) return false;
    entry_ = entry;
    return true;
}

bool HostedChild::adopt(AEffect* record) {
    if (!record || record->magic != kEffectMagic) return false;
    effect_.store(record);
    opened_ = resumed_ = false;
    // A restart keeps what was set on the instance before it.
    const int tracked = std::clamp(record->numParams, 0, kTrackedParameters);
    if (tracked != trackedParameters_) {
        parametersSet_.reset(new std::atomic<bool>[static_cast<std::size_t>(tracked)]);
        for (int i = 0; i < tracked; ++i) parametersSet_[i] = false;
        trackedParameters_ = tracked;
    }
    return true;
}

VstIntPtr HostedChild::closeRecord() {
    AEffect* e = effect();
    if (!e) return 0;
    suspend();
    const VstIntPtr answer = e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    effect_.store(nullptr);
    opened_ = resumed_ = false;
    return answer;
}

bool HostedChild::restart(audioMasterCallback callback, void* owner) {
    if (!effect() || (!entry_ && !remote_)) return false;
    effect()->user = nullptr;
    closeRecord();
    // A process that died is replaced by a fresh one for the same library.
    if (remote_ && remote_->failed()) remote_ = bridge::BridgeClient::start(bridgeFor(path_), path_);
    if (!enter(callback)) {
        releaseLibrary();
        return false;
    }
    setOwner(owner);
    return true;
}

void HostedChild::setOwner(void* owner) {
    if (AEffect* e = effect()) e->user = owner;
}

VstIntPtr HostedChild::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    AEffect* e = effect();
    return e ? e->dispatcher(e, opcode, index, value, ptr, opt) : 0;
}

// ---- The lifecycle ----

void HostedChild::open() {
    if (!isLoaded() || opened_) return;
    dispatch(effOpen);
    opened_ = true;
}

void HostedChild::open(float rate, VstInt32 block) {
    open();
    setRateAndBlock(rate, block, true);
}

void HostedChild::suspend() {
    if (!resumed_) return;
    resumed_ = false;
    dispatch(effMainsChanged, 0, 0);
}

void HostedChild::resume() {
    if (resumed_ || !isLoaded()) return;
    resumed_ = true;
    dispatch(effMainsChanged, 0, 1);
}

void HostedChild::setRateAndBlock(float rate, VstInt32 block, bool resumeAfter) {
    if (!isLoaded()) return;
    const bool wasResumed = resumed_;
    suspend();
    rate_ = rate;
    block_ = block;
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    dispatch(effSetBlockSize, 0, block);
    if (wasResumed || resumeAfter) resume();
}

void HostedChild::setBlockSize(VstInt32 block) {
    block_ = block;
    dispatch(effSetBlockSize, 0, block);
}

void HostedChild::setSampleRate(float rate) {
    rate_ = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

VstIntPtr HostedChild::close(bool forgetOwner) {
    VstIntPtr answer = 0;
    if (AEffect* e = effect()) {
        if (forgetOwner) e->user = nullptr;
        answer = closeRecord();
    }
    opened_ = resumed_ = false;
    parametersSet_.reset();
    trackedParameters_ = 0;
    releaseLibrary();
    return answer;
}

void HostedChild::releaseLibrary() {
    platform::releaseLibrary(library_);
    remote_.reset();
    library_ = nullptr;
    entry_ = nullptr;
    path_.clear();
}

// ---- What it is ----

VstInt32 HostedChild::uniqueId() const { return isLoaded() ? effect()->uniqueID : 0; }
int HostedChild::numPrograms() const { return isLoaded() ? std::max(effect()->numPrograms, 0) : 0; }
int HostedChild::numParams() const { return isLoaded() ? std::max(effect()->numParams, 0) : 0; }
int HostedChild::numInputs() const { return isLoaded() ? std::max(effect()->numInputs, 0) : 0; }
int HostedChild::numOutputs() const { return isLoaded() ? effect()->numOutputs : 0; }
bool HostedChild::hasFlag(VstInt32 flag) const { return isLoaded() && (effect()->flags & flag) != 0; }

VstIntPtr HostedChild::canDo(const char* word) {
    // The child may write into the text; it gets a copy of its own.
    char text[64] = {};
    std::strncpy(text, word, sizeof(text) - 1);
    return dispatch(effCanDo, 0, 0, text);
}

bool HostedChild::canDoAny(std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (canDo(word) != -1) return true;
    return false;
}

std::string HostedChild::text(VstInt32 opcode, VstInt32 index) {
    // Far larger than any field the standard allows, for children that write past theirs.
    char answer[256] = {};
    dispatch(opcode, index, 0, answer);
    answer[sizeof(answer) - 1] = 0;
    return answer;
}

// ---- Programs and parameters ----

void HostedChild::setProgram(VstInt32 program) { dispatch(effSetProgram, 0, program); }
VstInt32 HostedChild::program() { return static_cast<VstInt32>(dispatch(effGetProgram)); }
std::string HostedChild::programName() { return text(effGetProgramName); }
std::string HostedChild::programNameIndexed(VstInt32 index) { return text(effGetProgramNameIndexed, index); }

void HostedChild::setProgramName(const std::string& name) {
    char field[64] = {};
    std::memcpy(field, name.data(), std::min(name.size(), sizeof(field) - 1));
    dispatch(effSetProgramName, 0, 0, field);
}

float HostedChild::getParameter(VstInt32 index) {
    AEffect* e = effect();
    return e ? e->getParameter(e, index) : 0.0f;
}

void HostedChild::setParameter(VstInt32 index, float value) {
    if (AEffect* e = effect()) e->setParameter(e, index, value);
    noteParameterSet(index);
}

void HostedChild::noteParameterSet(VstInt32 index) {
    if (index >= 0 && index < trackedParameters_) parametersSet_[index].store(true, std::memory_order_relaxed);
}

void HostedChild::restoreParameter(VstInt32 index, float value) {
    const bool wasSet = index >= 0 && index < trackedParameters_ && parametersSet_[index].load(std::memory_order_relaxed);
    if (wasSet || getParameter(index) != value) setParameter(index, value);
}

// ---- State ----

HostedChild::Bytes HostedChild::getChunk(VstInt32 index) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, index, 0, &data);
    if (!data || size <= 0) return {};
    return {static_cast<const unsigned char*>(data), static_cast<std::size_t>(size)};
}

VstIntPtr HostedChild::setChunk(const std::vector<unsigned char>& bytes, VstInt32 index) {
    chunkCopy_.assign(bytes.size() + kStatePadding, 0);
    std::copy(bytes.begin(), bytes.end(), chunkCopy_.begin());
    return dispatch(effSetChunk, index, static_cast<VstIntPtr>(bytes.size()), chunkCopy_.data());
}

void HostedChild::restoreChunk(const std::vector<unsigned char>& bytes, float rate) {
    suspend();
    setChunk(bytes);
    setSampleRate(rate);
    resume();
}

// ---- Processing ----

VstIntPtr HostedChild::processEvents(VstEvents* events) { return dispatch(effProcessEvents, 0, 0, events); }

void HostedChild::process(float** inputs, float** outputs, VstInt32 frames) {
    AEffect* e = effect();
    if (!e) return;
    if (e->flags & effFlagsCanReplacing) e->processReplacing(e, inputs, outputs, frames);
    else e->process(e, inputs, outputs, frames);
}

// ---- Editor ----

bool HostedChild::editorRect(EditorRect& rect) {
    if (!hasFlag(effFlagsHasEditor)) return false;
    ERect* answer = nullptr;
    dispatch(effEditGetRect, 0, 0, &answer);
    if (!answer) return false;
    rect = {answer->left, answer->top, answer->right, answer->bottom};
    return true;
}

bool HostedChild::openEditor(void* window) {
    if (!hasFlag(effFlagsHasEditor) || !window) return false;
    return dispatch(effEditOpen, 0, 0, window) != 0;
}

void HostedChild::closeEditor() { dispatch(effEditClose); }
void HostedChild::editorIdle() { dispatch(effEditIdle); }

}  // namespace vexlo::hosting
