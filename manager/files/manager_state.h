// Vexlo VM's state chunk as a plain value: which instrument and MIDI plug-ins it hosts (by
// unique ID), their own states, and its own parameters and program. "VEXLOHDR06" is written;
// every older layout is read. The codec knows bytes only; applying a state to plug-ins is the
// manager's.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hosting/byte_io.h"

namespace vexlo::files {

// How a child's state is kept.
enum : unsigned char {
    kStateNone = 0x00,
    kStateParamDump = 0x4D,  // every program: its parameter values and a 25-byte name
    kStateChunk = 0x7F,      // the child's own bank chunk
};

struct StoredChild {
    std::int32_t id = -1;  // -1: nothing stored
    unsigned char kind = kStateNone;
    std::vector<unsigned char> state;

    bool hasState() const { return kind == kStateChunk || kind == kStateParamDump; }
};

struct ManagerState {
    static constexpr int kOwnParameters = 11;
    static constexpr int kMidiSlots = 4;
    static constexpr int kCurrentVersion = 6;
    // The field in which version 01 kept the instrument's library path.
    static constexpr std::size_t kPathField = 9024;
    // A program's name in a parameter dump.
    static constexpr std::size_t kProgramNameField = 25;

    int version = kCurrentVersion;  // 0 for a block without a known header
    std::array<float, kOwnParameters> ownParameters{};
    std::optional<std::int32_t> program;  // version 06 keeps it
    std::string libraryPath;              // version 01 names the instrument by its path
    StoredChild instrument;
    bool hasMidiSlots = false;  // version 05 and later
    std::array<StoredChild, kMidiSlots> midiSlots;

    // Version 00's parameter dump is one flat list of values, not a record per program.
    bool flatParameterList() const { return version == 0; }
};

// Reads a whole block, or refuses it: a block that ends early, a length past its end and own
// parameters that are not numbers from 0 to 1 are refused whole.
Decoded<ManagerState> decodeManagerState(const unsigned char* data, std::size_t size);
// Writes the current layout, whatever version the value was read from.
std::vector<unsigned char> encodeManagerState(const ManagerState& state);

}  // namespace vexlo::files
