#include "bridge/bridge_server.h"

#include <algorithm>
#include <cstring>

#include "hosting/host_callback.h"
#include "platform/platform.h"

namespace vexlo::bridge {

namespace {

// One plug-in per bridge: its callback finds the server here.
BridgeServer* server = nullptr;

constexpr unsigned kCallLimitMs = 10000;

VstTimeInfo timeInfoOf(const TimeRecord& r) {
    VstTimeInfo time{};
    time.samplePos = r.samplePos;
    time.sampleRate = r.sampleRate;
    time.nanoSeconds = r.nanoSeconds;
    time.ppqPos = r.ppqPos;
    time.tempo = r.tempo;
    time.barStartPos = r.barStartPos;
    time.cycleStartPos = r.cycleStartPos;
    time.cycleEndPos = r.cycleEndPos;
    time.timeSigNumerator = r.timeSigNumerator;
    time.timeSigDenominator = r.timeSigDenominator;
    time.smpteOffset = r.smpteOffset;
    time.smpteFrameRate = r.smpteFrameRate;
    time.samplesToNextClock = r.samplesToNextClock;
    time.flags = r.flags;
    return time;
}

bool refreshesParameters(VstInt32 opcode) {
    return opcode == effOpen || opcode == effSetProgram || opcode == effSetChunk || opcode == effEndSetProgram ||
           opcode == kEnter;
}

}  // namespace

bool BridgeServer::open(const std::string& name) {
    memory_ = platform::SharedMemory::open(name, sizeof(Segment));
    if (!memory_) return false;
    segment_ = static_cast<Segment*>(memory_->data());
    if (segment_->magic != kMagic || segment_->version != kVersion || segment_->segmentSize != sizeof(Segment)) return false;
    auto bell = [&](std::atomic<std::uint32_t>& word, const char* which) { return platform::Doorbell::open(word, name + which); };
    auto controlMine = bell(segment_->control.toBridge, "-cb"), controlTheirs = bell(segment_->control.toHost, "-ch");
    auto audioMine = bell(segment_->audio.toBridge, "-ab"), audioTheirs = bell(segment_->audio.toHost, "-ah");
    if (!controlMine || !controlTheirs || !audioMine || !audioTheirs) return false;
    control_ = std::make_unique<Conversation>(segment_->control, true, std::move(controlMine), std::move(controlTheirs),
                                              serveControl, hostAlive, this);
    audio_ = std::make_unique<Conversation>(segment_->audio, true, std::move(audioMine), std::move(audioTheirs),
                                            serveAudio, nullptr, this);
    // The main thread owns the plug-in's windows: it serves them whenever it waits for the host.
    control_->setWhileWaiting(platform::WhileWaiting::serveWindows, platform::WhileWaiting::answerSentMessages);
    name_ = name;
    server = this;
    return true;
}

int BridgeServer::run() {
    controlThread_ = std::this_thread::get_id();
    std::thread audio([this] {
        audioThread_ = std::this_thread::get_id();
        while (!quit_.load()) audio_->serveOne(200);
    });
    while (!quit_.load()) {
        if (control_->serveOne(1000)) continue;
        if (control_->failed() || !hostAlive(this)) break;
    }
    quit_ = true;
    audio_->wake();
    audio.join();
    // A host that went away is not waited for; one that asked us to end hears the plug-in close.
    if (hostAlive(this)) child_.close(false);
    return 0;
}

bool BridgeServer::hostAlive(void* context) {
    auto* self = static_cast<BridgeServer*>(context);
    return platform::processAlive(self->segment_->hostProcess);
}

// ---- The host's calls but blocks: the main thread ----

void BridgeServer::serveControl(void* context, MessageHeader& header, unsigned char* payload) {
    auto* self = static_cast<BridgeServer*>(context);
    ++self->serving_;
    self->applyPendingParameters();
    self->handleControl(header, payload);
    self->takeSnapshot();
    --self->serving_;
}

void BridgeServer::handleControl(MessageHeader& header, unsigned char* payload) {
    const std::size_t size = std::min<std::size_t>(header.size, kPayloadBytes);
    const std::int32_t opcode = header.opcode;
    header.result = 0;
    switch (opcode) {
    case kLoad: {
        const std::string path(reinterpret_cast<const char*>(payload), strnlen(reinterpret_cast<const char*>(payload), size));
        std::string error;
        header.size = 0;
        if (child_.loadLibrary(path, &error)) {
            header.result = 1;
        } else {
            putText(header, payload, error.substr(0, kTextBytes - 1).c_str());
        }
        return;
    }
    case kEnter:
        header.size = 0;
        header.result = child_.enter(hostCallback) ? 1 : 0;
        refreshParameters();
        return;
    case kStagePiece: {
        header.size = 0;
        const std::size_t total = header.total, offset = static_cast<std::size_t>(header.value);
        if (total > kMaxLargeBytes || offset > total || size > total - offset) return;
        if (staged_.size() != total) staged_.assign(total, 0);
        std::memcpy(staged_.data() + offset, payload, size);
        header.result = 1;
        return;
    }
    case kFetchPiece: {
        const std::size_t offset = static_cast<std::size_t>(header.value);
        const std::size_t piece = offset < lastAnswer_.size() ? std::min<std::size_t>(kPayloadBytes, lastAnswer_.size() - offset) : 0;
        if (piece) std::memcpy(payload, lastAnswer_.data() + offset, piece);
        header.size = static_cast<std::uint32_t>(piece);
        header.total = static_cast<std::uint32_t>(lastAnswer_.size());
        header.result = 1;
        return;
    }
    case kQuit:
        header.size = 0;
        header.result = 1;
        quit_ = true;
        return;
    default: handleDispatch(header, payload); return;
    }
}

void BridgeServer::handleDispatch(MessageHeader& header, unsigned char* payload) {
    const std::size_t size = std::min<std::size_t>(header.size, kPayloadBytes);
    const VstInt32 opcode = header.opcode, index = header.index;
    VstIntPtr value = static_cast<VstIntPtr>(header.value);
    const float opt = header.opt;
    if (opcode == effSetSampleRate && opt > 0.0f) rate_ = opt;
    if (opcode == effSetBlockSize && value > 0) block_ = static_cast<VstInt32>(value);
    if (opcode == effClose) {
        header.size = 0;
        header.result = child_.closeRecord();
        return;
    }
    // The inputs leave the channel before the plug-in is called: it may call its host, whose
    // answer comes through the same channel.
    char text[kTextBytes] = {};
    std::vector<unsigned char> input;
    void* ptr = nullptr;
    void* chunk = nullptr;
    ERect* rect = nullptr;
    VstPinProperties pin{};
    const PointerUse use = pointerUseOfOpcode(opcode);
    switch (use) {
    case PointerUse::textOut: ptr = text; break;
    case PointerUse::textIn:
        if (size == 0) break;
        takeText(payload, size, text);
        ptr = text;
        break;
    case PointerUse::chunkOut: ptr = &chunk; break;
    case PointerUse::chunkIn:
        if (header.size == 0 && staged_.size() == header.total) input.swap(staged_);
        else input.assign(payload, payload + size);
        staged_.clear();
        value = static_cast<VstIntPtr>(input.size());
        ptr = input.data();
        break;
    case PointerUse::rectOut: ptr = &rect; break;
    case PointerUse::window: {
        std::uint64_t window = 0;
        if (size >= sizeof(window)) std::memcpy(&window, payload, sizeof(window));
        seat_ = platform::EditorSeat::take(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)));
        ptr = seat_ ? seat_->window() : nullptr;
        break;
    }
    case PointerUse::pinOut: ptr = &pin; break;
    default: break;
    }
    // A chunk goes through the wrapper's own hand-over, which follows it with zero bytes.
    const VstIntPtr result =
        opcode == effSetChunk ? child_.setChunk(input, index) : child_.dispatch(opcode, index, value, ptr, opt);
    header.result = static_cast<std::int64_t>(result);
    header.size = 0;
    switch (use) {
    case PointerUse::textOut: putText(header, payload, text); break;
    case PointerUse::chunkOut: {
        const auto* bytes = static_cast<const unsigned char*>(chunk);
        if (bytes && result > 0) lastAnswer_.assign(bytes, bytes + result);
        else lastAnswer_.clear();
        const std::size_t first = std::min<std::size_t>(lastAnswer_.size(), kPayloadBytes);
        if (first) std::memcpy(payload, lastAnswer_.data(), first);
        header.size = static_cast<std::uint32_t>(first);
        header.total = static_cast<std::uint32_t>(lastAnswer_.size());
        break;
    }
    case PointerUse::rectOut:
        if (rect) {
            std::memcpy(payload, rect, sizeof(ERect));
            header.size = sizeof(ERect);
        }
        break;
    case PointerUse::pinOut:
        std::memcpy(payload, &pin, sizeof(pin));
        header.size = sizeof(pin);
        break;
    default: break;
    }
    if (refreshesParameters(opcode)) refreshParameters();
    if (opcode == effEditClose || (opcode == effEditOpen && result == 0)) seat_.reset();
    if (opcode == effEditIdle || opcode == effEditOpen) followEditor();
}

void BridgeServer::followEditor() {
    if (!seat_) return;
    hosting::EditorRect rect;
    if (child_.editorRect(rect)) seat_->follow(rect.right, rect.bottom);
    else seat_->follow(0, 0);
}

void BridgeServer::takeSnapshot() {
    AEffect* e = child_.effect();
    RecordSnapshot& record = segment_->record;
    record = RecordSnapshot{};
    if (!e) return;
    record = RecordSnapshot{e->numPrograms, e->numParams, e->numInputs, e->numOutputs,
                            e->flags,       e->initialDelay, e->uniqueID, e->version};
}

void BridgeServer::refreshParameters() {
    const int count = std::min<int>(child_.numParams(), static_cast<int>(kMaxParameters));
    for (int i = 0; i < count; ++i) segment_->parameters[i] = child_.getParameter(i);
}

void BridgeServer::applyPendingParameters() {
    if (!segment_->anyPending.exchange(0)) return;
    for (std::uint32_t word = 0; word < kMaxParameters / 32; ++word) {
        std::uint32_t bits = segment_->pendingBits[word].exchange(0);
        while (bits) {
            const int bit = __builtin_ctz(bits);
            bits &= bits - 1;
            const auto index = static_cast<VstInt32>(word * 32 + static_cast<std::uint32_t>(bit));
            if (index < child_.numParams()) child_.setParameter(index, segment_->pendingValues[index].load());
        }
    }
}

// ---- Blocks and events: the audio thread ----

void BridgeServer::serveAudio(void* context, MessageHeader& header, unsigned char* payload) {
    static_cast<BridgeServer*>(context)->handleAudio(header, payload);
}

void BridgeServer::handleAudio(MessageHeader& header, unsigned char* payload) {
    const std::size_t size = std::min<std::size_t>(header.size, kPayloadBytes);
    automationCount_ = 0;
    outEventBytes_ = 4;
    outEventCount_ = 0;
    header.result = 0;
    if (!child_.isLoaded()) {
        header.size = 0;
        return;
    }
    applyPendingParameters();
    playing_ = true;
    if (header.opcode == kProcess) {
        const auto frames = static_cast<VstInt32>(std::clamp<std::int64_t>(header.value, 0, kMaxFrames));
        TimeRecord time{};
        if (size >= sizeof(time)) std::memcpy(&time, payload, sizeof(time));
        blockHasTime_ = time.valid != 0;
        blockTime_ = timeInfoOf(time);
        float* ins[kMaxChannels];
        float* outs[kMaxChannels];
        for (std::uint32_t c = 0; c < kMaxChannels; ++c) {
            ins[c] = segment_->inputs[c];
            outs[c] = segment_->outputs[c];
            // An accumulating plug-in adds to silence; a replacing one writes over it.
            std::fill(outs[c], outs[c] + frames, 0.0f);
        }
        child_.process(ins, outs, frames);
    } else if (header.opcode == effProcessEvents) {
        inEvents_.decode(payload, size);
        header.result = static_cast<std::int64_t>(child_.processEvents(inEvents_.list()));
    }
    playing_ = false;
    writeBlockAnswer(header, payload);
}

void BridgeServer::writeBlockAnswer(MessageHeader& header, unsigned char* payload) {
    const std::uint32_t automations = static_cast<std::uint32_t>(automationCount_);
    std::memcpy(payload, &automations, 4);
    std::memcpy(payload + 4, automation_, automations * sizeof(Automation));
    std::size_t at = 4 + automations * sizeof(Automation);
    std::memcpy(outEvents_, &outEventCount_, 4);
    std::memcpy(payload + at, outEvents_, outEventBytes_);
    at += outEventBytes_;
    header.size = header.total = static_cast<std::uint32_t>(at);
}

// ---- The plug-in's calls to its host ----

VstIntPtr VEXLO_CDECL BridgeServer::hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                                 float opt) {
    BridgeServer* self = server;
    if (!self) return hosting::neutralAnswer(opcode, ptr);
    const auto thread = std::this_thread::get_id();
    if (opcode == audioMasterSizeWindow && thread == self->controlThread_ && self->seat_)
        self->seat_->follow(index, static_cast<int>(value));
    if (thread == self->audioThread_ && self->playing_.load()) return self->answerDuringBlock(opcode, index, value, ptr, opt);
    // A window message answered while we wait for the host cannot ask it anything back.
    if (thread == self->controlThread_ && self->serving_ > 0 && !self->control_->awaitingAnswer())
        return self->askHost(opcode, index, value, ptr, opt);
    // A thread of the plug-in's own (an editor's, a worker's): what needs no answer is passed on.
    if (!ptr) self->notify(opcode, index, value, opt);
    if (opcode == audioMasterGetSampleRate) return static_cast<VstIntPtr>(self->rate_);
    if (opcode == audioMasterGetBlockSize) return self->block_;
    return hosting::neutralAnswer(opcode, ptr);
}

VstIntPtr BridgeServer::answerDuringBlock(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case audioMasterGetTime: return blockHasTime_ ? reinterpret_cast<VstIntPtr>(&blockTime_) : 0;
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(rate_);
    case audioMasterGetBlockSize: return block_;
    case audioMasterGetCurrentProcessLevel: return 2;  // real time
    case audioMasterAutomate:
        if (index >= 0 && static_cast<std::uint32_t>(index) < kMaxParameters) segment_->parameters[index] = opt;
        if (automationCount_ < kMaxAutomation) automation_[automationCount_++] = Automation{index, opt};
        return 0;
    case audioMasterProcessEvents: {
        const std::size_t bytes = encodeEvents(static_cast<const VstEvents*>(ptr), scratch_, sizeof(scratch_));
        std::uint32_t count = 0;
        std::memcpy(&count, scratch_, 4);
        if (bytes > 4 && sizeof(outEvents_) - outEventBytes_ >= bytes - 4) {
            std::memcpy(outEvents_ + outEventBytes_, scratch_ + 4, bytes - 4);
            outEventBytes_ += bytes - 4;
            outEventCount_ += count;
        }
        return 1;
    }
    default:
        if (!ptr) notify(opcode, index, value, opt);
        return hosting::neutralAnswer(opcode, ptr);
    }
}

VstIntPtr BridgeServer::askHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    const PointerUse use = pointerUseOfCallback(opcode);
    if (ptr && use == PointerUse::refused) return hosting::neutralAnswer(opcode, ptr);
    if (control_->failed()) return hosting::neutralAnswer(opcode, ptr);
    MessageHeader& header = control_->header();
    unsigned char* payload = control_->payload();
    header = MessageHeader{};
    header.opcode = kCallbackBase + opcode;
    header.index = index;
    header.value = value;
    header.opt = opt;
    if (use == PointerUse::textIn && ptr) putText(header, payload, static_cast<const char*>(ptr));
    if (use == PointerUse::events && ptr)
        header.size = header.total = static_cast<std::uint32_t>(encodeEvents(static_cast<const VstEvents*>(ptr), payload, kPayloadBytes));
    if (!control_->call(kCallLimitMs)) {
        quit_ = true;
        return hosting::neutralAnswer(opcode, ptr);
    }
    const std::size_t size = std::min<std::size_t>(header.size, kPayloadBytes);
    if (use == PointerUse::textOut && ptr) takeText(payload, size, static_cast<char*>(ptr));
    if (opcode == audioMasterGetTime) {
        TimeRecord time{};
        if (size < sizeof(time) || header.result == 0) return 0;
        std::memcpy(&time, payload, sizeof(time));
        controlTime_ = timeInfoOf(time);
        return reinterpret_cast<VstIntPtr>(&controlTime_);
    }
    return static_cast<VstIntPtr>(header.result);
}

void BridgeServer::notify(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt) {
    if (!isNotification(opcode)) return;
    if (opcode == audioMasterAutomate && index >= 0 && static_cast<std::uint32_t>(index) < kMaxParameters)
        segment_->parameters[index] = opt;
    std::lock_guard<std::mutex> lock(notifyMutex_);
    const std::uint32_t written = segment_->notificationsWritten.load();
    if (written - segment_->notificationsRead.load() >= kNotifications) return;  // the host is behind: dropped
    segment_->notifications[written % kNotifications] = Notification{opcode, index, static_cast<std::int64_t>(value), opt, 0};
    segment_->notificationsWritten = written + 1;
}

}  // namespace vexlo::bridge
