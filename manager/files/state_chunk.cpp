// Vexlo VM's state chunk: which instrument and MIDI plug-ins it hosts (by unique ID), their own
// states, and its own parameters and program. "VEXLOHDR06" is written; every older layout is
// read. Reading never goes past the bytes it was given: a block that ends early restores what
// it holds whole and skips the rest.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "manager/core/vst_manager.h"
#include "manager/library/path_utils.h"
#include "manager/library/scan_database.h"

using vexlo::manager::GateHold;
using vexlo::manager::GatePass;

namespace {

constexpr std::size_t kMagicSize = 10;
constexpr std::size_t kLegacyBlock = 40000;
constexpr std::size_t kPathField = 9024;
constexpr std::size_t kProgramNameField = 25;
constexpr unsigned char kStateNone = 0x00;
constexpr unsigned char kStateParamDump = 0x4D;
constexpr unsigned char kStateChunk = 0x7F;

class Writer {
public:
    explicit Writer(std::vector<unsigned char>& out) : out_(out) {}
    void bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        out_.insert(out_.end(), p, p + size);
    }
    void int32(VstInt32 value) {
        unsigned char b[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                              static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
        bytes(b, 4);
    }
    void float32(float value) {
        VstInt32 bits;
        std::memcpy(&bits, &value, 4);
        int32(bits);
    }
    void byte(unsigned char value) { out_.push_back(value); }

private:
    std::vector<unsigned char>& out_;
};

// Reads little-endian fields; every read fails, changing nothing, when the bytes run out.
class Reader {
public:
    Reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t remaining() const { return size_ - pos_; }
    const unsigned char* here() const { return data_ + pos_; }
    bool skip(std::size_t n) {
        if (n > remaining()) return false;
        pos_ += n;
        return true;
    }
    bool int32(VstInt32& value) {
        if (remaining() < 4) return false;
        const unsigned char* p = here();
        value = static_cast<VstInt32>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                      static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
        pos_ += 4;
        return true;
    }
    bool float32(float& value) {
        VstInt32 bits;
        if (!int32(bits)) return false;
        std::memcpy(&value, &bits, 4);
        return true;
    }
    bool byte(unsigned char& value) {
        if (remaining() < 1) return false;
        value = data_[pos_++];
        return true;
    }
    // A block of `length` bytes, copied; false (nothing consumed) when not all of it is there.
    bool block(VstInt32 length, std::vector<unsigned char>& out) {
        if (length < 0 || static_cast<std::size_t>(length) > remaining()) return false;
        out.assign(here(), here() + length);
        pos_ += static_cast<std::size_t>(length);
        return true;
    }
    void rest(std::vector<unsigned char>& out) {
        out.assign(here(), data_ + size_);
        pos_ = size_;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// One child's own bank chunk, as its effGetChunk hands it over; empty when it has none.
std::pair<const unsigned char*, std::size_t> childChunk(AEffect* child) {
    void* data = nullptr;
    VstIntPtr size = child->dispatcher(child, effGetChunk, 0, 0, &data, 0.0f);
    if (!data || size <= 0) return {nullptr, 0};
    return {static_cast<const unsigned char*>(data), static_cast<std::size_t>(size)};
}

}  // namespace

// ---- Writing ----

VstInt32 VstManager::getChunk(void** data, bool) {
    GatePass pass(gate, GatePass::waitForChange);
    AEffect* child = pass ? instrument.load() : nullptr;

    std::vector<unsigned char>& out = chunkBuffer;
    out.clear();
    Writer write(out);
    write.bytes("VEXLOHDR06", kMagicSize);
    for (const auto& value : ownParameters) write.float32(value);
    write.int32(curProgram);
    write.int32(child ? child->uniqueID : -1);
    for (MidiSlot& slot : midiSlots) {
        AEffect* midi = pass ? slot.effect.load() : nullptr;
        write.int32(midi ? midi->uniqueID : -1);
    }

    std::size_t expected = 79;
    if (!child) {
        write.byte(kStateNone);
    } else if (child->flags & effFlagsProgramChunks) {
        auto [bytes, size] = childChunk(child);
        expected += 4 + size;
        write.byte(kStateChunk);
        write.int32(static_cast<VstInt32>(size));
        write.bytes(bytes, size);
    } else {
        const VstInt32 programs = std::max(child->numPrograms, 0), params = std::max(child->numParams, 0);
        const std::size_t size = static_cast<std::size_t>(programs) * (4 * static_cast<std::size_t>(params) + kProgramNameField);
        expected += 4 + size;
        write.byte(kStateParamDump);
        write.int32(static_cast<VstInt32>(size));
        for (VstInt32 p = 0; p < programs; ++p) {
            child->dispatcher(child, effSetProgram, 0, p, nullptr, 0.0f);
            for (VstInt32 j = 0; j < params; ++j) write.float32(child->getParameter(child, j));
            char name[256] = {};
            getProgramName(name);
            unsigned char field[kProgramNameField] = {};
            std::memcpy(field, name, std::min(std::strlen(name), kProgramNameField - 1));
            write.bytes(field, kProgramNameField);
        }
        forwardProgram(curProgram);
    }
    for (MidiSlot& slot : midiSlots) {
        expected += 1;
        AEffect* midi = pass ? slot.effect.load() : nullptr;
        if (!midi) {
            write.byte(kStateNone);
            continue;
        }
        auto [bytes, size] = childChunk(midi);
        expected += 4 + size;
        write.byte(kStateChunk);
        write.int32(static_cast<VstInt32>(size));
        write.bytes(bytes, size);
    }
    if (out.size() != expected) vexlo::library::report("Error creating chunk information!");
    *data = out.data();
    return static_cast<VstInt32>(out.size());
}

// ---- Reading ----

// A copy of a stored state for a child to read. Some plug-ins keep text in their chunks and
// read it up to a terminating zero they never counted: zeros follow the state for them.
std::vector<unsigned char> VstManager::childStateCopy(const std::vector<unsigned char>& state) {
    std::vector<unsigned char> copy(state.size() + 16, 0);
    std::copy(state.begin(), state.end(), copy.begin());
    return copy;
}

void VstManager::applyChildChunk(AEffect* child, const std::vector<unsigned char>& state, float rate) {
    std::vector<unsigned char> copy = childStateCopy(state);
    child->dispatcher(child, effMainsChanged, 0, 0, nullptr, 0.0f);
    child->dispatcher(child, effSetChunk, 0, static_cast<VstIntPtr>(state.size()), copy.data(), 0.0f);
    child->dispatcher(child, effSetSampleRate, 0, 0, nullptr, rate);
    child->dispatcher(child, effMainsChanged, 0, 1, nullptr, 0.0f);
}

void VstManager::applyParameterDump(AEffect* child, const unsigned char* body, std::size_t size, bool flatList) {
    const VstInt32 programs = std::max(child->numPrograms, 0), params = std::max(child->numParams, 0);
    if (flatList) {
        // The oldest layout: one value per parameter, as many as the block holds whole.
        for (VstInt32 j = 0; j < params && static_cast<std::size_t>(j + 1) * 4 <= size; ++j) {
            float value;
            std::memcpy(&value, body + 4 * j, 4);
            child->setParameter(child, j, value);
        }
        return;
    }
    const std::size_t record = 4 * static_cast<std::size_t>(params) + kProgramNameField;
    for (VstInt32 p = 0; p < programs && static_cast<std::size_t>(p + 1) * record <= size; ++p) {
        const unsigned char* at = body + static_cast<std::size_t>(p) * record;
        child->dispatcher(child, effSetProgram, 0, p, nullptr, 0.0f);
        for (VstInt32 j = 0; j < params; ++j) {
            float value;
            std::memcpy(&value, at + 4 * j, 4);
            child->setParameter(child, j, value);
        }
        char name[64] = {};
        std::memcpy(name, at + 4 * static_cast<std::size_t>(params), kProgramNameField);
        child->dispatcher(child, effSetProgramName, 0, 0, name, 0.0f);
    }
}

VstInt32 VstManager::setChunk(void* data, VstInt32 byteSize, bool) {
    if (!data || byteSize <= 0) return 0;
    if (editorLink) editorLink->setStatusText("Loading...");
    GateHold hold(gate, GateHold::wait);
    if (!hold) return 0;

    Reader read(static_cast<const unsigned char*>(data), static_cast<std::size_t>(byteSize));
    int version = 0;
    if (read.remaining() >= kMagicSize) {
        char magic[kMagicSize + 1] = {};
        std::memcpy(magic, read.here(), kMagicSize);
        for (int v = 1; v <= 6; ++v) {
            char expected[16];
            std::snprintf(expected, sizeof(expected), "VEXLOHDR%02d", v);
            if (std::memcmp(magic, expected, kMagicSize) == 0) version = v;
        }
    }
    if (read.remaining() >= 8 && std::memcmp(read.here(), "VEXLOHDR", 8) == 0) read.skip(kMagicSize);

    // The header fields. Whatever of them the block holds whole is used.
    float parameters[kOwnParameters] = {};
    VstInt32 instrumentId = -1, slotIds[kMidiSlots] = {-1, -1, -1, -1};
    std::string storedPath;
    bool whole = true;
    if (version <= 3) {
        float legacy = 0.0f;
        whole = read.remaining() >= kLegacyBlock && read.float32(legacy) && read.skip(kLegacyBlock - 4);
        if (version == 3) parameters[0] = legacy;
    } else {
        for (float& value : parameters) whole = whole && read.float32(value);
    }
    if (whole && version == 6) {
        VstInt32 program;
        if ((whole = read.int32(program))) curProgram = program;
    }
    if (whole && version == 1) {
        if ((whole = read.remaining() >= kPathField)) {
            const char* field = reinterpret_cast<const char*>(read.here());
            storedPath.assign(field, strnlen(field, kPathField));
            read.skip(kPathField);
        }
    }
    if (whole && version >= 2) whole = read.int32(instrumentId);
    if (whole && version >= 5)
        for (VstInt32& id : slotIds) whole = whole && read.int32(id);

    // Our own parameters come back through the setter, so that a saved factor is in force
    // before the instrument is loaded.
    for (int i = 0; i < kOwnParameters; ++i) setParameter(i, parameters[i]);

    // The states.
    unsigned char kind = kStateNone;
    std::vector<unsigned char> instrumentState;
    bool haveInstrumentState = false;
    if (whole && read.byte(kind)) {
        if (kind == kStateChunk || kind == kStateParamDump) {
            if (version >= 5) {
                VstInt32 length = 0;
                whole = read.int32(length) && read.block(std::max(length, 0), instrumentState);
                haveInstrumentState = whole;
            } else {
                read.rest(instrumentState);
                haveInstrumentState = true;
            }
        }
    }
    unsigned char slotKinds[kMidiSlots] = {};
    std::vector<unsigned char> slotStates[kMidiSlots];
    bool haveSlotState[kMidiSlots] = {};
    if (version >= 5) {
        for (int s = 0; s < kMidiSlots && whole; ++s) {
            if (!read.byte(slotKinds[s])) break;
            if (slotKinds[s] != kStateChunk) continue;
            VstInt32 length = 0;
            whole = read.int32(length) && read.block(std::max(length, 0), slotStates[s]);
            haveSlotState[s] = whole && length > 0;
        }
    }

    // The children: loaded from the scan database by ID; each unknown ID is reported once.
    vexlo::library::ScanDatabase database(settings_.scanDatabasePath);
    std::set<VstInt32> reported;
    auto lookUp = [&](VstInt32 id) -> std::optional<std::string> {
        auto path = database.findPluginPath(id);
        if (!path && reported.insert(id).second) vexlo::library::report("Couldn't find the VST ID in the database");
        return path;
    };
    if (version == 1) {
        if (storedPath.size() > 2) loadInstrument(storedPath.c_str(), true, -1);
    } else if (version >= 2 && instrumentId != -1) {
        AEffect* loaded = instrument.load();
        if (!loaded || loaded->uniqueID != instrumentId) {
            if (auto path = lookUp(instrumentId)) loadInstrument(path->c_str(), true, -1);
        }
    }
    if (version >= 5) {
        for (int s = 0; s < kMidiSlots; ++s) {
            if (slotIds[s] == -1) {
                unloadMidiEffect(s, true);
            } else if (auto path = lookUp(slotIds[s])) {
                loadMidiEffect(path->c_str(), s, true);
            }
        }
    }

    // The states, applied to whatever is loaded now.
    const float instrumentRate = sampleRate * static_cast<float>(desiredFactor());
    AEffect* child = instrument.load();
    const bool applies = child && haveInstrumentState &&
                         ((kind == kStateChunk && !instrumentState.empty()) || kind == kStateParamDump);
    if (applies) {
        setInstrumentActive(child, false);
        if (kind == kStateChunk) {
            std::vector<unsigned char> copy = childStateCopy(instrumentState);
            child->dispatcher(child, effSetChunk, 0, static_cast<VstIntPtr>(instrumentState.size()), copy.data(), 0.0f);
        } else {
            applyParameterDump(child, instrumentState.data(), instrumentState.size(), version == 0);
        }
        child->dispatcher(child, effSetSampleRate, 0, 0, nullptr, instrumentRate);
        setInstrumentActive(child, true);
        forwardProgram(curProgram);
        updateDisplay();
    }
    for (int s = 0; s < kMidiSlots; ++s) {
        if (AEffect* midi = midiSlots[s].effect.load(); midi && haveSlotState[s])
            applyChildChunk(midi, slotStates[s], sampleRate);
    }

    if (editorLink) {
        if (instrument.load()) {
            char program[256] = {};
            getProgramName(program);
            editorLink->setStatusText("VST: " + vexlo::library::baseName(instrumentPath) + " - " + program);
        } else {
            editorLink->setStatusText("");
        }
    }
    return 1;
}
