// The standard's program (FXP) and bank (FXB) files as values. Every number in an FXP or FXB is big-endian. Decoding takes the file's bytes and
// gives the value or the reason it cannot be read, never reading past the bytes; encoding gives
// the bytes of a value. Nothing here touches a plug-in or a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hosting/byte_io.h"

namespace vexlo::files {

enum class PresetMagic {
    programParameters,  // "FxCk": a program of parameter values
    programChunk,       // "FPCh": a program as the plug-in's own chunk
    bankPrograms,       // "FxBk": programs of parameter values
    bankChunk,          // "FBCh": a bank as the plug-in's own chunk
};

// One program of a bank of parameter values.
struct ProgramRecord {
    std::string name;
    std::vector<float> parameters;
};

struct PresetFile {
    static constexpr std::size_t kNameField = 28;  // names of up to 27 characters
    static constexpr std::size_t kProgramHeader = 56;
    static constexpr std::size_t kBankHeader = 156;

    PresetMagic magic = PresetMagic::programParameters;
    std::int32_t formatVersion = 1;  // the file layout's version: 1, or 2 for a bank with its current program
    std::int32_t pluginId = 0;
    std::int32_t pluginVersion = 0;
    // A program file: the plug-in's parameter count as the file states it. A bank: its programs.
    std::int32_t numParams = 0;
    std::int32_t numPrograms = 0;
    std::int32_t currentProgram = 0;  // banks of version 2
    std::string name;                 // program files
    std::vector<float> parameters;    // "FxCk"
    std::vector<unsigned char> chunk;  // "FPCh" and "FBCh"
    std::vector<ProgramRecord> programs;  // "FxBk"

    bool isBank() const { return magic == PresetMagic::bankPrograms || magic == PresetMagic::bankChunk; }
};

// The refusal of a file whose kind is none of the four.
extern const char* const kUnsupportedPreset;

// The whole file is refused when a length or count does not fit the bytes, when a parameter
// value is not a number from 0 to 1, and when a bank's program record is no "CcnK" "FxCk"
// record of the bank's own plug-in. The header's byteSize and versions are not checked.
Decoded<PresetFile> decodePresetFile(const unsigned char* data, std::size_t size);
// With the true byteSize; numParams and numPrograms as the value states them for chunks, and
// as the lists hold them for parameter values.
std::vector<unsigned char> encodePresetFile(const PresetFile& file);

}  // namespace vexlo::files
