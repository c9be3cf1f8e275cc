#include "hosting/event_codec.h"

#include <algorithm>
#include <cstring>

namespace vexlo::hosting::bridge {

namespace {

constexpr std::size_t kEventHeader = 16;  // type, offset, flags, data size
constexpr std::size_t kMidiData = sizeof(VstMidiEvent) - 16;

void put32(unsigned char* at, std::uint32_t value) { std::memcpy(at, &value, 4); }
std::uint32_t get32(const unsigned char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

}  // namespace

std::size_t encodeEvents(const VstEvents* events, unsigned char* out, std::size_t capacity) {
    if (capacity < 4) return 0;
    std::size_t at = 4;
    std::uint32_t count = 0;
    const VstInt32 total = events ? events->numEvents : 0;
    for (VstInt32 i = 0; i < total; ++i) {
        const VstEvent* event = eventsOf(events)[i];
        if (!event) continue;
        const unsigned char* data = reinterpret_cast<const unsigned char*>(event) + 16;
        std::size_t size = std::min<std::size_t>(kMidiData, event->byteSize > 16 ? static_cast<std::size_t>(event->byteSize) - 16 : 0);
        if (event->type == kVstSysExType) {
            const auto* sysex = reinterpret_cast<const SysexEvent*>(event);
            data = reinterpret_cast<const unsigned char*>(sysex->sysexDump);
            size = data && sysex->dumpBytes > 0 ? static_cast<std::size_t>(sysex->dumpBytes) : 0;
        } else if (event->type == kVstMidiType) {
            size = kMidiData;
        }
        if (capacity - at < kEventHeader + size) break;
        put32(out + at, static_cast<std::uint32_t>(event->type));
        put32(out + at + 4, static_cast<std::uint32_t>(event->deltaFrames));
        put32(out + at + 8, static_cast<std::uint32_t>(event->flags));
        put32(out + at + 12, static_cast<std::uint32_t>(size));
        if (size) std::memcpy(out + at + kEventHeader, data, size);
        at += kEventHeader + size;
        ++count;
    }
    put32(out, count);
    return at;
}

bool EventStore::decode(const unsigned char* data, std::size_t size, std::size_t* used) {
    VstEvents* out = list();
    out->numEvents = 0;
    out->reserved = 0;
    if (used) *used = 0;
    if (!data || size < 4) return false;
    const std::uint32_t count = get32(data);
    std::size_t at = 4;
    int plain = 0, sysexCount = 0;
    std::size_t sysexUsed = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (size - at < kEventHeader) return out->numEvents = 0, false;
        const auto type = static_cast<VstInt32>(get32(data + at));
        const auto offset = static_cast<VstInt32>(get32(data + at + 4));
        const auto flags = static_cast<VstInt32>(get32(data + at + 8));
        const std::uint32_t length = get32(data + at + 12);
        if (size - at - kEventHeader < length) return out->numEvents = 0, false;
        const unsigned char* body = data + at + kEventHeader;
        at += kEventHeader + length;
        if (out->numEvents >= kMaxEvents) continue;  // read past, kept out
        VstEvent* event = nullptr;
        if (type == kVstSysExType) {
            if (sysexCount >= kMaxSysex || kSysexBytes - sysexUsed < length) continue;
            SysexEvent& sysex = sysex_[sysexCount++];
            sysex = SysexEvent{type, static_cast<VstInt32>(sizeof(SysexEvent)), offset, flags,
                               static_cast<VstInt32>(length), 0, reinterpret_cast<char*>(sysexBytes_ + sysexUsed), 0};
            std::memcpy(sysexBytes_ + sysexUsed, body, length);
            sysexUsed += length;
            event = reinterpret_cast<VstEvent*>(&sysex);
        } else {
            if (length > kMidiData) continue;
            VstMidiEvent& plainEvent = events_[plain++];
            std::memset(&plainEvent, 0, sizeof(plainEvent));
            plainEvent.type = type;
            plainEvent.byteSize = static_cast<VstInt32>(sizeof(VstMidiEvent));
            plainEvent.deltaFrames = offset;
            plainEvent.flags = flags;
            std::memcpy(reinterpret_cast<unsigned char*>(&plainEvent) + 16, body, length);
            event = reinterpret_cast<VstEvent*>(&plainEvent);
        }
        eventsOf(out)[out->numEvents++] = event;
    }
    if (used) *used = at;
    return true;
}

}  // namespace vexlo::hosting::bridge
