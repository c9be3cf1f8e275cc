#include <cmath>
#include <cstdio>

#include "manager/files/manager_state.h"

namespace vexlo::files {

namespace {

constexpr std::size_t kMagicSize = 10;
// Versions up to 03 began with a block of this size, of which only the first value was used.
constexpr std::size_t kLegacyBlock = 40000;

int versionOf(const ByteReader& read) {
    if (read.remaining() < kMagicSize) return 0;
    for (int v = 1; v <= ManagerState::kCurrentVersion; ++v) {
        char magic[16];
        std::snprintf(magic, sizeof(magic), "VEXLOHDR%02d", v);
        if (read.startsWith(magic)) return v;
    }
    return 0;
}

bool validParameter(float value) { return std::isfinite(value) && value >= 0.0f && value <= 1.0f; }

// A child's state after its kind byte: from version 05 on with its length, before that the
// rest of the block.
bool readChildState(ByteReader& read, int version, StoredChild& child) {
    if (!child.hasState()) return true;
    if (version < 5) {
        read.rest(child.state);
        return true;
    }
    std::int32_t length = 0;
    return read.int32(length) && read.block(length, child.state);
}

}  // namespace

Decoded<ManagerState> decodeManagerState(const unsigned char* data, std::size_t size) {
    using Result = Decoded<ManagerState>;
    if (!data || size == 0) return Result::refuse("the state is empty");
    ByteReader read(data, size, ByteOrder::little);
    ManagerState state;
    state.version = versionOf(read);
    // An unknown version is read as the oldest layout after its header.
    if (read.startsWith("VEXLOHDR")) read.skip(kMagicSize);
    const int v = state.version;

    if (v <= 3) {
        float legacy = 0.0f;
        if (read.remaining() < kLegacyBlock || !read.float32(legacy)) return Result::refuse("the state ends early");
        read.skip(kLegacyBlock - 4);
        if (v == 3) state.ownParameters[0] = legacy;
    } else {
        for (float& value : state.ownParameters)
            if (!read.float32(value)) return Result::refuse("the state ends early");
    }
    for (float value : state.ownParameters)
        if (!validParameter(value)) return Result::refuse("a parameter of the state is out of range");
    if (v == 6) {
        std::int32_t program = 0;
        if (!read.int32(program)) return Result::refuse("the state ends early");
        state.program = program;
    }
    if (v == 1 && !read.field(ManagerState::kPathField, state.libraryPath)) return Result::refuse("the state ends early");
    if (v >= 2 && !read.int32(state.instrument.id)) return Result::refuse("the state ends early");
    state.hasMidiSlots = v >= 5;
    if (state.hasMidiSlots)
        for (StoredChild& slot : state.midiSlots)
            if (!read.int32(slot.id)) return Result::refuse("the state ends early");

    if (!read.byte(state.instrument.kind) || !readChildState(read, v, state.instrument))
        return Result::refuse("the instrument's state does not fit in the block");
    if (state.hasMidiSlots) {
        for (StoredChild& slot : state.midiSlots) {
            if (!read.byte(slot.kind)) return Result::refuse("the state ends early");
            // MIDI slots keep chunks only.
            if (slot.kind != kStateChunk) continue;
            std::int32_t length = 0;
            if (!read.int32(length) || !read.block(length, slot.state))
                return Result::refuse("a MIDI plug-in's state does not fit in the block");
        }
    }
    return Result{std::move(state), {}};
}

std::vector<unsigned char> encodeManagerState(const ManagerState& state) {
    ByteWriter write(ByteOrder::little);
    write.text("VEXLOHDR06");
    for (float value : state.ownParameters) write.float32(value);
    write.int32(state.program.value_or(0));
    write.int32(state.instrument.id);
    for (const StoredChild& slot : state.midiSlots) write.int32(slot.id);
    auto child = [&](const StoredChild& stored) {
        if (stored.id == -1 || !stored.hasState()) {
            write.byte(kStateNone);
            return;
        }
        write.byte(stored.kind);
        write.int32(static_cast<std::int32_t>(stored.state.size()));
        write.bytes(stored.state.data(), stored.state.size());
    };
    child(state.instrument);
    for (const StoredChild& slot : state.midiSlots) child(slot);
    return write.take();
}

}  // namespace vexlo::files
