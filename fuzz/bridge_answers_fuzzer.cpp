// A bridge whose plug-in writes whatever it likes into the block of memory it shares with Vexlo
// VM: every answer, every call back, the record's counts and the notification ring come from the
// fuzzer. Vexlo VM's side must stay inside its buffers, refuse sizes it cannot hold, and hand its
// host only what the protocol allows, whatever the other process says.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>

#include "hosting/bridge_client.h"
#include "platform/ipc.h"

using namespace vexlo;
using namespace vexlo::hosting::bridge;

namespace {

// One channel's share of the input, read in order.
struct Feed {
    const std::uint8_t* data;
    std::size_t size;
    template <typename T>
    T take() {
        T value{};
        const std::size_t n = std::min(sizeof(T), size);
        std::memcpy(&value, data, n);
        data += n;
        size -= n;
        return value;
    }
    std::size_t bytes(unsigned char* into, std::size_t wanted) {
        const std::size_t n = std::min(wanted, size);
        std::memcpy(into, data, n);
        data += n;
        size -= n;
        return n;
    }
};

struct FakeBridge {
    Segment* segment;
    Feed feed;
    Conversation* conversation = nullptr;
    bool control;
    bool quit = false;  // served the host's last call
};

void answer(void* context, MessageHeader& header, unsigned char* payload) {
    auto* bridge = static_cast<FakeBridge*>(context);
    Feed& feed = bridge->feed;
    if (header.opcode == kQuit) {
        bridge->quit = true;
        header.result = 1;
        header.size = 0;
        return;
    }
    if (bridge->control) {
        // Calls back first, as a plug-in does while it is served.
        const int callbacks = feed.take<std::uint8_t>() % 3;
        for (int i = 0; i < callbacks && feed.size; ++i) {
            MessageHeader call{};
            call.opcode = kCallbackBase + feed.take<std::uint8_t>() % 48;
            call.index = feed.take<std::int32_t>();
            call.value = feed.take<std::int64_t>();
            call.size = feed.take<std::uint32_t>();
            call.total = call.size;
            feed.bytes(payload, std::min<std::size_t>(call.size, 512));
            header = call;
            if (!bridge->conversation->call(1000)) return;
        }
        // What the plug-in's record says, written behind the host's back.
        RecordSnapshot& record = bridge->segment->record;
        record.numPrograms = feed.take<std::int32_t>();
        record.numParams = feed.take<std::int32_t>();
        record.numInputs = feed.take<std::int32_t>();
        record.numOutputs = feed.take<std::int32_t>();
        const auto notifications = feed.take<std::uint16_t>();
        for (unsigned i = 0; i < notifications % 8; ++i) {
            const std::uint32_t at = bridge->segment->notificationsWritten.load();
            bridge->segment->notifications[at % kNotifications] =
                Notification{feed.take<std::int32_t>(), feed.take<std::int32_t>(), feed.take<std::int64_t>(), 0.5f, 0};
            bridge->segment->notificationsWritten = at + feed.take<std::uint16_t>() % 300;
        }
    }
    header.result = feed.take<std::int64_t>();
    header.size = feed.take<std::uint32_t>();
    header.total = feed.take<std::uint32_t>();
    feed.bytes(payload, std::min<std::size_t>(header.size, kPayloadBytes));
}

// Serves a channel until the host's side quits or the fuzzer is done with it. (The header is
// the host's again once a call is answered: whether it was the last is noted while serving.)
void serve(FakeBridge& bridge, const std::atomic<bool>& done) {
    while (!done.load() && !bridge.quit) bridge.conversation->serveOne(20);
}

VstTimeInfo hostTime{};

VstIntPtr VEXLO_CDECL host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&hostTime);
    if (opcode == audioMasterProcessEvents && ptr) {
        const auto* events = static_cast<const VstEvents*>(ptr);
        VstEvent* const* list = events->events;  // as long as numEvents says
        for (int i = 0; i < events->numEvents; ++i) (void)list[i]->type;  // read every one
    }
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name = platform::ChildProcess::uniqueName("vexlo-fuzz");
    auto client = BridgeClient::attach(name);
    if (!client) return 0;
    auto memory = platform::SharedMemory::open(name, sizeof(Segment));
    if (!memory) return 0;
    auto* segment = static_cast<Segment*>(memory->data());
    // The two channels take the input's halves: each serves its calls in order.
    const std::size_t half = size / 2;
    FakeBridge control{segment, Feed{data, half}, nullptr, true};
    FakeBridge audio{segment, Feed{data + half, size - half}, nullptr, false};
    auto bell = [&](std::atomic<std::uint32_t>& word, const char* which) { return platform::Doorbell::open(word, name + which); };
    Conversation controlSide(segment->control, true, bell(segment->control.toBridge, "-cb"), bell(segment->control.toHost, "-ch"),
                             answer, nullptr, &control);
    Conversation audioSide(segment->audio, true, bell(segment->audio.toBridge, "-ab"), bell(segment->audio.toHost, "-ah"),
                           answer, nullptr, &audio);
    control.conversation = &controlSide;
    audio.conversation = &audioSide;
    std::atomic<bool> done{false};
    std::thread controlThread([&] { serve(control, done); });
    std::thread audioThread([&] { serve(audio, done); });

    if (AEffect* effect = client->enter(host)) {
        char text[kTextBytes * 2] = {};
        effect->dispatcher(effect, effGetProductString, 0, 0, text, 0.0f);
        effect->dispatcher(effect, effGetParamName, 3, 0, text, 0.0f);
        void* chunk = nullptr;
        const VstIntPtr bytes = effect->dispatcher(effect, effGetChunk, 0, 0, &chunk, 0.0f);
        if (chunk && bytes > 0) (void)static_cast<const unsigned char*>(chunk)[bytes - 1];
        ERect* rect = nullptr;
        if (effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f) && rect) (void)rect->right;
        VstPinProperties pin{};
        effect->dispatcher(effect, effGetOutputProperties, 0, 0, &pin, 0.0f);
        // A block: every channel the record says it has, within what the host gave.
        static float buffers[kMaxChannels][64];
        float* channels[kMaxChannels];
        for (std::uint32_t c = 0; c < kMaxChannels; ++c) channels[c] = buffers[c];
        effect->processReplacing(effect, channels, channels, 64);
        for (int i = 0; i < std::min(effect->numParams, 64); ++i) (void)effect->getParameter(effect, i);
        effect->dispatcher(effect, effGetProgramName, 0, 0, text, 0.0f);
    }
    client.reset();  // says quit on the control channel
    done = true;
    controlSide.wake();
    audioSide.wake();
    controlThread.join();
    audioThread.join();
    return 0;
}
