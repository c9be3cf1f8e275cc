// The event codec of the bridge on whatever bytes the fuzzer makes (what another process could
// write): it stays inside them and inside its own storage, and a list it reads comes back the
// same from what it writes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "hosting/event_codec.h"

using namespace vexlo::hosting::bridge;

namespace {

bool sameEvent(const VstEvent* a, const VstEvent* b) {
    if (a->type != b->type || a->deltaFrames != b->deltaFrames || a->flags != b->flags) return false;
    if (a->type != kVstSysExType) return std::memcmp(a->data, b->data, sizeof(a->data)) == 0;
    const auto* x = reinterpret_cast<const SysexEvent*>(a);
    const auto* y = reinterpret_cast<const SysexEvent*>(b);
    return x->dumpBytes == y->dumpBytes && std::memcmp(x->sysexDump, y->sysexDump, static_cast<std::size_t>(x->dumpBytes)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto first = std::make_unique<EventStore>();
    static auto second = std::make_unique<EventStore>();
    std::size_t used = 0;
    if (!first->decode(data, size, &used)) return 0;
    if (used > size) std::abort();
    VstEvents* list = first->list();
    std::vector<unsigned char> bytes(256 * 1024);
    const std::size_t written = encodeEvents(list, bytes.data(), bytes.size());
    if (!second->decode(bytes.data(), written)) std::abort();
    VstEvents* again = second->list();
    if (again->numEvents != list->numEvents) std::abort();
    for (VstInt32 i = 0; i < list->numEvents; ++i)
        if (!sameEvent(eventsOf(list)[i], eventsOf(again)[i])) std::abort();
    return 0;
}
