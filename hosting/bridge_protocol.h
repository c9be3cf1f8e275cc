// How Vexlo VM and the bridge program (vexlo-bridge) that hosts a plug-in in a process of its
// own talk: one block of shared memory per hosted plug-in, laid out the same for 32- and 64-bit
// programs (fixed-size fields only, checked below), with two channels: one for the audio
// thread's calls (a block, the events) and one for every other call. On each channel one side
// calls and waits for the answer, and the other may call back while it serves; doorbells wake
// the side that waits. Parameter values are mirrored in the block so that reading or setting
// one never waits for the other process.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "frame/vst_records.h"

namespace vexlo::hosting::bridge {

constexpr std::uint32_t kMagic = 0x56784272;  // "VxBr"
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kPayloadBytes = 256 * 1024;
constexpr std::uint32_t kMaxChannels = 16;
constexpr std::uint32_t kMaxFrames = 4096;  // longer blocks go in pieces
constexpr std::uint32_t kMaxParameters = 8192;
constexpr std::uint32_t kNotifications = 256;
constexpr std::uint32_t kTextBytes = 256;
// The largest chunk either side takes in pieces; a size beyond it is refused, not allocated.
constexpr std::uint32_t kMaxLargeBytes = 512u << 20;
// The most programs a record may say it has (more is no plug-in's, and would make hosts loop).
constexpr std::int32_t kMaxPrograms = 1 << 16;

// The plug-in's calls to its host that the bridge passes on as notifications (the only ones
// that need no answer): anything else found in the ring is not the bridge's.
inline bool isNotification(std::int32_t opcode) {
    switch (opcode) {
    case audioMasterAutomate:
    case audioMasterIOChanged:
    case audioMasterSizeWindow:
    case audioMasterUpdateDisplay:
    case audioMasterBeginEdit:
    case audioMasterEndEdit: return true;
    default: return false;
    }
}

// What a message is: a call that waits for its answer, or the answer.
enum class Kind : std::uint32_t { none = 0, call = 1, answer = 2 };

// The calls beyond the plug-in's own opcodes, numbered where no opcode reaches.
enum Request : std::int32_t {
    kLoad = 100000,        // payload: the library's path; answer 1 when it loaded
    kEnter,                // the entry called with the bridge's host callback; answer 1 with a record
    kProcess,              // value: frames; payload: time, then the events; answer: events, automation
    kStagePiece,           // payload: a piece of a large input (value: its offset, total: the whole size)
    kFetchPiece,           // value: offset into the last large answer; answer: the piece
    kQuit,                 // the bridge ends
    kCallbackBase = 200000,  // + an audioMaster opcode: a call of the plug-in's to its host
};

struct MessageHeader {
    std::uint32_t kind;
    std::int32_t opcode;
    std::int32_t index;
    float opt;
    std::int64_t value;
    std::int64_t result;
    std::uint32_t size;   // payload bytes in this message
    std::uint32_t total;  // the whole input or answer when it comes in pieces
};
static_assert(sizeof(MessageHeader) == 40 && offsetof(MessageHeader, value) == 16 && offsetof(MessageHeader, total) == 36);

struct alignas(64) Channel {
    std::atomic<std::uint32_t> toBridge;  // rung by the host's side
    std::atomic<std::uint32_t> toHost;    // rung by the bridge
    std::uint32_t reserved[14];
    MessageHeader header;
    std::uint32_t reserved2[6];
    unsigned char payload[kPayloadBytes];
};
static_assert(sizeof(std::atomic<std::uint32_t>) == 4 && std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(sizeof(std::atomic<float>) == 4 && std::atomic<float>::is_always_lock_free);
static_assert(offsetof(Channel, header) == 64 && offsetof(Channel, payload) == 128);
static_assert(sizeof(Channel) == 128 + kPayloadBytes);

// The plug-in's record as the bridge last read it, copied into the host's stand-in record.
struct RecordSnapshot {
    std::int32_t numPrograms, numParams, numInputs, numOutputs;
    std::int32_t flags, initialDelay, uniqueId, version;
};
static_assert(sizeof(RecordSnapshot) == 32);

// A call of the plug-in's to its host that the bridge could not put to a waiting call (it came
// from a thread of the plug-in's own): delivered when the host's side next looks.
struct Notification {
    std::int32_t opcode;
    std::int32_t index;
    std::int64_t value;
    float opt;
    std::uint32_t reserved;
};
static_assert(sizeof(Notification) == 24);

// The host's time information as it travels with each block.
struct TimeRecord {
    double samplePos, sampleRate, nanoSeconds, ppqPos, tempo, barStartPos, cycleStartPos, cycleEndPos;
    std::int32_t timeSigNumerator, timeSigDenominator, smpteOffset, smpteFrameRate, samplesToNextClock, flags;
    std::int32_t valid;  // 0: the host gave none
    std::int32_t reserved;
};
static_assert(sizeof(TimeRecord) == 96 && offsetof(TimeRecord, timeSigNumerator) == 64);

// An automation the plug-in reported while it processed, handed back with the block.
struct Automation {
    std::int32_t index;
    float value;
};

struct Segment {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint64_t hostProcess;
    std::uint32_t segmentSize;
    std::uint32_t reserved0[11];
    RecordSnapshot record;
    // Parameter values: the mirror every read takes, and sets waiting for the bridge.
    std::atomic<std::uint32_t> anyPending;
    std::uint32_t reserved1[15];
    std::atomic<float> parameters[kMaxParameters];
    std::atomic<float> pendingValues[kMaxParameters];
    std::atomic<std::uint32_t> pendingBits[kMaxParameters / 32];
    // Notifications: written by the bridge, read by the host's side.
    std::atomic<std::uint32_t> notificationsWritten;
    std::atomic<std::uint32_t> notificationsRead;
    std::uint32_t reserved2[14];
    Notification notifications[kNotifications];
    Channel control;
    Channel audio;
    float inputs[kMaxChannels][kMaxFrames];
    float outputs[kMaxChannels][kMaxFrames];
};
static_assert(offsetof(Segment, record) == 64 && offsetof(Segment, anyPending) == 96 &&
              offsetof(Segment, parameters) == 160);
static_assert(offsetof(Segment, notifications) == 66784 && offsetof(Segment, control) == 72960 &&
              offsetof(Segment, inputs) == 597504 && sizeof(Segment) == 1121792);

// What the pointer of a call means, so that it can travel: nothing, a text the callee writes or
// reads, a chunk, events, an editor's rectangle, a window, a pin's properties; refused: a
// pointer this bridge does not carry (the call is answered 0 without reaching the other side).
enum class PointerUse { none, textOut, textIn, chunkOut, chunkIn, events, rectOut, window, pinOut, refused };

inline PointerUse pointerUseOfOpcode(VstInt32 opcode) {
    switch (opcode) {
    case effGetProgramName:
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
    case effGetProgramNameIndexed:
    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString:
    case effGetErrorText: return PointerUse::textOut;
    case effSetProgramName:
    case effCanDo:
    case effString2Parameter: return PointerUse::textIn;
    case effGetChunk: return PointerUse::chunkOut;
    case effSetChunk: return PointerUse::chunkIn;
    case effProcessEvents: return PointerUse::events;
    case effEditGetRect: return PointerUse::rectOut;
    case effEditOpen: return PointerUse::window;
    case effGetInputProperties:
    case effGetOutputProperties: return PointerUse::pinOut;
    default: return PointerUse::refused;  // where a pointer is given; without one, none
    }
}

inline PointerUse pointerUseOfCallback(VstInt32 opcode) {
    switch (opcode) {
    case audioMasterGetVendorString:
    case audioMasterGetProductString: return PointerUse::textOut;
    case audioMasterCanDo: return PointerUse::textIn;
    case audioMasterProcessEvents: return PointerUse::events;
    default: return PointerUse::refused;
    }
}

// A text into a message (at most kTextBytes with its terminator), and out of one into a
// caller's buffer (at most the payload's size, always terminated).
inline void putText(MessageHeader& header, unsigned char* payload, const char* text) {
    const std::size_t length = text ? strnlen(text, kTextBytes - 1) : 0;
    std::memcpy(payload, text ? text : "", length);
    payload[length] = 0;
    header.size = header.total = static_cast<std::uint32_t>(length + 1);
}

inline void takeText(const unsigned char* payload, std::size_t size, char* out) {
    const std::size_t length = strnlen(reinterpret_cast<const char*>(payload), size < kTextBytes ? size : kTextBytes - 1);
    std::memcpy(out, payload, length);
    out[length] = 0;
}

}  // namespace vexlo::hosting::bridge
