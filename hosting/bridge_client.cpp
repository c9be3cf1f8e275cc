#include "hosting/bridge_client.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "platform/process.h"

namespace vexlo::hosting::bridge {

namespace {

BridgeClient* clientOf(AEffect* effect) { return effect ? static_cast<BridgeClient*>(effect->object) : nullptr; }

MessageHeader request(std::int32_t opcode, std::int32_t index = 0, std::int64_t value = 0, float opt = 0.0f) {
    MessageHeader header{};
    header.opcode = opcode;
    header.index = index;
    header.value = value;
    header.opt = opt;
    return header;
}

TimeRecord timeRecordOf(const VstTimeInfo* time) {
    if (!time) return TimeRecord{};
    return TimeRecord{time->samplePos,        time->sampleRate,         time->nanoSeconds,   time->ppqPos,
                      time->tempo,            time->barStartPos,        time->cycleStartPos, time->cycleEndPos,
                      time->timeSigNumerator, time->timeSigDenominator, time->smpteOffset,   time->smpteFrameRate,
                      time->samplesToNextClock, time->flags,            1,                   0};
}

}  // namespace

struct BridgeClient::Shared {
    std::unique_ptr<platform::SharedMemory> memory;
    std::unique_ptr<platform::ChildProcess> process;
};

std::string BridgeClient::programBeside(const char* wordSize) {
    const std::string own = platform::ownLibraryPath();
    return own.substr(0, own.find_last_of("\\/") + 1) + "vexlo-bridge" + wordSize + platform::programSuffix();
}

std::unique_ptr<BridgeClient> BridgeClient::start(const std::string& program, const std::string& library,
                                                  std::string* error) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<BridgeClient> {
        if (error) *error = why;
        return nullptr;
    };
    const std::string name = platform::ChildProcess::uniqueName("vexlo-bridge");
    std::unique_ptr<BridgeClient> client = attach(name, error);
    if (!client) return nullptr;
    client->shared_->process = platform::ChildProcess::start(program, {"--segment", name});
    if (!client->shared_->process) return fail("cannot start " + program);

    MessageHeader load = request(kLoad);
    const std::size_t length = std::min<std::size_t>(library.size(), kPayloadBytes - 1);
    if (!client->controlCall(load, reinterpret_cast<const unsigned char*>(library.c_str()), length + 1))
        return fail(library + " took its bridge down or did not answer");
    if (client->control_->header().result != 1) {
        const auto& header = client->control_->header();
        return fail(std::string(reinterpret_cast<const char*>(client->control_->payload()),
                                strnlen(reinterpret_cast<const char*>(client->control_->payload()),
                                        std::min<std::size_t>(header.size, kPayloadBytes))));
    }
    return client;
}

std::unique_ptr<BridgeClient> BridgeClient::attach(const std::string& name, std::string* error) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<BridgeClient> {
        if (error) *error = why;
        return nullptr;
    };
    std::unique_ptr<BridgeClient> client(new BridgeClient);
    client->shared_ = std::make_unique<Shared>();
    client->shared_->memory = platform::SharedMemory::create(name, sizeof(Segment));
    if (!client->shared_->memory) return fail("no shared memory for the bridge");
    Segment* segment = new (client->shared_->memory->data()) Segment();
    segment->magic = kMagic;
    segment->version = kVersion;
    segment->hostProcess = platform::currentProcessId();
    segment->segmentSize = sizeof(Segment);
    client->segment_ = segment;
    auto bell = [&](std::atomic<std::uint32_t>& word, const char* which) { return platform::Doorbell::create(word, name + which); };
    auto controlMine = bell(segment->control.toHost, "-ch"), controlTheirs = bell(segment->control.toBridge, "-cb");
    auto audioMine = bell(segment->audio.toHost, "-ah"), audioTheirs = bell(segment->audio.toBridge, "-ab");
    if (!controlMine || !controlTheirs || !audioMine || !audioTheirs) return fail("no doorbells for the bridge");
    client->control_ = std::make_unique<Conversation>(segment->control, false, std::move(controlMine),
                                                      std::move(controlTheirs), serveControl, bridgeAlive, client.get());
    client->audio_ = std::make_unique<Conversation>(segment->audio, false, std::move(audioMine), std::move(audioTheirs),
                                                    serveAudio, nullptr, client.get());
    client->control_->setWhileWaiting(platform::WhileWaiting::nothing, platform::WhileWaiting::answerSentMessages);
    return client;
}

BridgeClient::~BridgeClient() {
    // A bridge that never started has nobody to say goodbye to (asking would wait its limit).
    const bool started = shared_ && shared_->process;
    if (control_ && !failed() && started) {
        std::lock_guard<std::recursive_mutex> lock(controlMutex_);
        control_->header() = request(kQuit);
        control_->call(1000);
    }
    // A bridge that failed is not waited for: it may hang for good.
    if (shared_ && shared_->process && (failed() || !shared_->process->waitForEnd(2000))) shared_->process->kill();
    // The conversations' doorbells and the memory go after the process.
    control_.reset();
    audio_.reset();
    shared_.reset();
}

bool BridgeClient::bridgeAlive(void* context) {
    auto* client = static_cast<BridgeClient*>(context);
    // Without a process of its own the caller serves the other side itself.
    return !client->shared_->process || client->shared_->process->running();
}

void BridgeClient::fail() {
    // A plug-in that hangs would go on taking a core: its process ends now.
    if (!failed_.exchange(true) && shared_ && shared_->process) shared_->process->kill();
}

AEffect* BridgeClient::enter(audioMasterCallback callback) {
    std::lock_guard<std::recursive_mutex> lock(controlMutex_);
    callback_ = callback;
    if (!controlCall(request(kEnter), nullptr, 0) || control_->header().result != 1) return nullptr;
    record_ = AEffect{};
    record_.magic = kEffectMagic;
    record_.dispatcher = dispatcherProc;
    record_.process = processProc;
    record_.processReplacing = processReplacingProc;
    record_.setParameter = setParameterProc;
    record_.getParameter = getParameterProc;
    record_.object = this;
    copySnapshot();
    return &record_;
}

void BridgeClient::copySnapshot() {
    const RecordSnapshot& snapshot = segment_->record;
    // The counts come from another process: hosts loop over them and index by them.
    record_.numPrograms = std::clamp(snapshot.numPrograms, 0, kMaxPrograms);
    record_.numParams = std::clamp(snapshot.numParams, 0, static_cast<std::int32_t>(kMaxParameters));
    record_.numInputs = std::clamp(snapshot.numInputs, 0, static_cast<std::int32_t>(kMaxChannels));
    record_.numOutputs = std::clamp(snapshot.numOutputs, 0, static_cast<std::int32_t>(kMaxChannels));
    // The bridge always plays a block as replacing: a plug-in that only accumulates is handed
    // silent outputs there.
    record_.flags = snapshot.flags | effFlagsCanReplacing;
    record_.initialDelay = snapshot.initialDelay;
    record_.uniqueID = snapshot.uniqueId;
    record_.version = snapshot.version;
}

// ---- Calls other than blocks ----

bool BridgeClient::controlCall(MessageHeader call, const unsigned char* input, std::size_t size) {
    if (failed()) return false;
    MessageHeader& header = control_->header();
    if (size > kPayloadBytes) {
        // A large input goes ahead in pieces; the call itself then names only its size.
        for (std::size_t offset = 0; offset < size; offset += kPayloadBytes) {
            const std::size_t piece = std::min<std::size_t>(kPayloadBytes, size - offset);
            header = request(kStagePiece, 0, static_cast<std::int64_t>(offset));
            header.size = static_cast<std::uint32_t>(piece);
            header.total = static_cast<std::uint32_t>(size);
            std::memcpy(control_->payload(), input + offset, piece);
            if (!control_->call(kCallLimitMs)) return fail(), false;
        }
        call.size = 0;
    } else {
        if (size) std::memcpy(control_->payload(), input, size);
        call.size = static_cast<std::uint32_t>(size);
    }
    call.total = static_cast<std::uint32_t>(size);
    header = call;
    if (!control_->call(kCallLimitMs)) return fail(), false;
    copySnapshot();
    return true;
}

void BridgeClient::takeLargeAnswer(std::vector<unsigned char>& into) {
    const MessageHeader answer = control_->header();
    const std::size_t total = answer.total;
    if (total > kMaxLargeBytes) return into.clear();
    into.assign(control_->payload(), control_->payload() + std::min<std::size_t>(answer.size, kPayloadBytes));
    while (into.size() < total) {
        MessageHeader& header = control_->header();
        header = request(kFetchPiece, 0, static_cast<std::int64_t>(into.size()));
        if (!control_->call(kCallLimitMs)) return fail(), into.clear();
        const std::size_t piece = std::min<std::size_t>({header.size, kPayloadBytes, total - into.size()});
        if (piece == 0) return into.clear();
        into.insert(into.end(), control_->payload(), control_->payload() + piece);
    }
    control_->header().result = answer.result;
}

VstIntPtr BridgeClient::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (opcode == effProcessEvents) return sendEvents(static_cast<const VstEvents*>(ptr));
    const PointerUse use = ptr ? pointerUseOfOpcode(opcode) : PointerUse::none;
    if (use == PointerUse::refused || failed()) return 0;
    if (opcode == effSetSampleRate && opt > 0.0f) rate_ = opt;
    std::lock_guard<std::recursive_mutex> lock(controlMutex_);
    // Asked from a window message this thread answers while it waits for the bridge: the
    // bridge is busy with our call, so this one is answered as a plug-in that has nothing to say.
    if (control_->awaitingAnswer()) return 0;
    MessageHeader call = request(opcode, index, static_cast<std::int64_t>(value), opt);
    bool answered = false;
    unsigned char* payload = control_->payload();
    switch (use) {
    case PointerUse::textIn: {
        unsigned char text[kTextBytes];
        putText(call, text, static_cast<const char*>(ptr));
        answered = controlCall(call, text, call.size);
        break;
    }
    case PointerUse::chunkIn:
        answered = value > 0 && controlCall(call, static_cast<const unsigned char*>(ptr), static_cast<std::size_t>(value));
        break;
    case PointerUse::window: {
        const auto window = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(ptr));
        answered = controlCall(call, reinterpret_cast<const unsigned char*>(&window), sizeof(window));
        break;
    }
    default: answered = controlCall(call, nullptr, 0); break;
    }
    if (!answered) return 0;
    const MessageHeader& answer = control_->header();
    const std::size_t size = std::min<std::size_t>(answer.size, kPayloadBytes);
    switch (use) {
    case PointerUse::textOut: takeText(payload, size, static_cast<char*>(ptr)); break;
    case PointerUse::chunkOut: {
        takeLargeAnswer(chunk_);
        if (chunk_.empty()) return 0;
        *static_cast<void**>(ptr) = chunk_.data();
        return static_cast<VstIntPtr>(chunk_.size());
    }
    case PointerUse::rectOut:
        if (answer.result == 0 || size < sizeof(ERect)) return answer.result;
        std::memcpy(&rect_, payload, sizeof(ERect));
        *static_cast<ERect**>(ptr) = &rect_;
        break;
    case PointerUse::pinOut:
        if (size >= sizeof(VstPinProperties)) std::memcpy(ptr, payload, sizeof(VstPinProperties));
        break;
    default: break;
    }
    const VstIntPtr result = static_cast<VstIntPtr>(answer.result);
    deliverNotifications();
    return result;
}

// The plug-in calls its host while the bridge serves one of our calls.
void BridgeClient::serveControl(void* context, MessageHeader& header, unsigned char* payload) {
    auto* client = static_cast<BridgeClient*>(context);
    const VstInt32 opcode = header.opcode - kCallbackBase;
    const std::size_t size = std::min<std::size_t>(header.size, kPayloadBytes);
    AEffect* self = &client->record_;
    header.size = 0;
    if (!client->callback_ || header.opcode < kCallbackBase) {
        header.result = 0;
        return;
    }
    if (opcode == audioMasterAutomate && header.index >= 0 && static_cast<std::uint32_t>(header.index) < kMaxParameters)
        client->segment_->parameters[header.index] = header.opt;
    switch (pointerUseOfCallback(opcode)) {
    case PointerUse::textOut: {
        char text[kTextBytes] = {};
        header.result = client->callback_(self, opcode, header.index, static_cast<VstIntPtr>(header.value), text, header.opt);
        putText(header, payload, text);
        return;
    }
    case PointerUse::textIn: {
        char text[kTextBytes];
        takeText(payload, size, text);
        header.result = client->callback_(self, opcode, header.index, static_cast<VstIntPtr>(header.value), text, header.opt);
        return;
    }
    case PointerUse::events:
        client->controlEvents_.decode(payload, size);
        header.result = client->callback_(self, opcode, header.index, static_cast<VstIntPtr>(header.value),
                                          client->controlEvents_.list(), header.opt);
        return;
    default: break;
    }
    if (opcode == audioMasterGetTime) {
        const auto* time = reinterpret_cast<const VstTimeInfo*>(
            client->callback_(self, opcode, header.index, static_cast<VstIntPtr>(header.value), nullptr, header.opt));
        const TimeRecord record = timeRecordOf(time);
        std::memcpy(payload, &record, sizeof(record));
        header.size = sizeof(record);
        header.result = time ? 1 : 0;
        return;
    }
    header.result = client->callback_(self, opcode, header.index, static_cast<VstIntPtr>(header.value), nullptr, header.opt);
}

// ---- Blocks and events: the audio thread ----

void BridgeClient::serveAudio(void*, MessageHeader& header, unsigned char*) {
    // The bridge answers the plug-in's calls during a block itself.
    header.result = 0;
    header.size = 0;
}


void BridgeClient::process(float** inputs, float** outputs, VstInt32 frames, bool accumulate) {
    const int outs = record_.numOutputs, ins = record_.numInputs;
    auto silence = [&](VstInt32 from) {
        if (accumulate) return;
        for (int c = 0; c < outs; ++c) std::fill(outputs[c] + from, outputs[c] + frames, 0.0f);
    };
    if (failed() || frames <= 0 || audioBusy_.exchange(true)) return silence(0);
    const auto* time = callback_ ? reinterpret_cast<const VstTimeInfo*>(callback_(&record_, audioMasterGetTime, 0, 0xFFFF, nullptr, 0.0f))
                                 : nullptr;
    const TimeRecord timeRecord = timeRecordOf(time);
    const unsigned limit = std::max(kBlockLimitMs, static_cast<unsigned>(8000.0f * static_cast<float>(frames) / rate_));
    for (VstInt32 done = 0; done < frames;) {
        const VstInt32 piece = std::min<VstInt32>(frames - done, static_cast<VstInt32>(kMaxFrames));
        for (int c = 0; c < ins; ++c) std::memcpy(segment_->inputs[c], inputs[c] + done, sizeof(float) * static_cast<std::size_t>(piece));
        MessageHeader& header = audio_->header();
        header = request(kProcess, 0, piece);
        std::memcpy(audio_->payload(), &timeRecord, sizeof(timeRecord));
        header.size = header.total = sizeof(timeRecord);
        if (!audio_->call(limit)) {
            fail();
            silence(done);
            break;
        }
        for (int c = 0; c < outs; ++c) {
            if (accumulate)
                for (VstInt32 i = 0; i < piece; ++i) outputs[c][done + i] += segment_->outputs[c][i];
            else
                std::memcpy(outputs[c] + done, segment_->outputs[c], sizeof(float) * static_cast<std::size_t>(piece));
        }
        deliverBlockAnswer();
        done += piece;
    }
    deliverNotifications();
    audioBusy_ = false;
}

VstIntPtr BridgeClient::sendEvents(const VstEvents* events) {
    if (failed() || !events || audioBusy_.exchange(true)) return 0;
    MessageHeader& header = audio_->header();
    header = request(effProcessEvents);
    header.size = header.total = static_cast<std::uint32_t>(encodeEvents(events, audio_->payload(), kPayloadBytes));
    const bool answered = audio_->call(kBlockLimitMs);
    VstIntPtr result = 0;
    if (answered) {
        result = static_cast<VstIntPtr>(header.result);
        deliverBlockAnswer();
    } else {
        fail();
    }
    audioBusy_ = false;
    return result;
}

void BridgeClient::deliverBlockAnswer() {
    const MessageHeader& header = audio_->header();
    const unsigned char* payload = audio_->payload();
    const std::size_t size = std::min<std::size_t>(header.size, kPayloadBytes);
    if (size < 4) return;
    std::uint32_t automations = 0;
    std::memcpy(&automations, payload, 4);
    const std::size_t automationBytes = static_cast<std::size_t>(automations) * sizeof(Automation);
    if (automationBytes > size - 4) return;
    for (std::uint32_t i = 0; i < automations; ++i) {
        Automation automation;
        std::memcpy(&automation, payload + 4 + i * sizeof(Automation), sizeof(automation));
        if (automation.index >= 0 && static_cast<std::uint32_t>(automation.index) < kMaxParameters)
            segment_->parameters[automation.index] = automation.value;
        if (callback_) callback_(&record_, audioMasterAutomate, automation.index, 0, nullptr, automation.value);
    }
    const unsigned char* events = payload + 4 + automationBytes;
    if (blockEvents_.decode(events, size - 4 - automationBytes) && blockEvents_.list()->numEvents > 0 && callback_)
        callback_(&record_, audioMasterProcessEvents, 0, 0, blockEvents_.list(), 0.0f);
}

void BridgeClient::deliverNotifications() {
    if (draining_.exchange(true)) return;
    std::uint32_t read = segment_->notificationsRead.load();
    const std::uint32_t written = segment_->notificationsWritten.load();
    // A count further ahead than the ring holds is no count the bridge wrote: skip to it.
    if (written - read > kNotifications) read = written;
    for (; read != written; ++read) {
        const Notification n = segment_->notifications[read % kNotifications];
        if (!isNotification(n.opcode)) continue;
        if (n.opcode == audioMasterAutomate && n.index >= 0 && static_cast<std::uint32_t>(n.index) < kMaxParameters)
            segment_->parameters[n.index] = n.opt;
        if (callback_) callback_(&record_, n.opcode, n.index, static_cast<VstIntPtr>(n.value), nullptr, n.opt);
    }
    segment_->notificationsRead = read;
    draining_ = false;
}

// ---- The stand-in record's functions ----

VstIntPtr VEXLO_CDECL BridgeClient::dispatcherProc(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                   void* ptr, float opt) {
    BridgeClient* client = clientOf(effect);
    return client ? client->dispatch(opcode, index, value, ptr, opt) : 0;
}

void VEXLO_CDECL BridgeClient::processProc(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    if (BridgeClient* client = clientOf(effect)) client->process(inputs, outputs, frames, true);
}

void VEXLO_CDECL BridgeClient::processReplacingProc(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    if (BridgeClient* client = clientOf(effect)) client->process(inputs, outputs, frames, false);
}

void VEXLO_CDECL BridgeClient::setParameterProc(AEffect* effect, VstInt32 index, float value) {
    BridgeClient* client = clientOf(effect);
    if (!client || index < 0 || static_cast<std::uint32_t>(index) >= kMaxParameters) return;
    Segment& segment = *client->segment_;
    segment.parameters[index] = value;
    segment.pendingValues[index] = value;
    segment.pendingBits[static_cast<std::uint32_t>(index) / 32].fetch_or(1u << (static_cast<std::uint32_t>(index) % 32));
    segment.anyPending = 1;
}

float VEXLO_CDECL BridgeClient::getParameterProc(AEffect* effect, VstInt32 index) {
    BridgeClient* client = clientOf(effect);
    if (!client || index < 0 || static_cast<std::uint32_t>(index) >= kMaxParameters) return 0.0f;
    return client->segment_->parameters[index].load();
}

}  // namespace vexlo::hosting::bridge
