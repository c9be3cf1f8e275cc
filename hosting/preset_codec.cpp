#include "hosting/preset_file.h"

namespace vexlo::files {

const char* const kUnsupportedPreset = "Unsuported file, contact support!";

namespace {

constexpr ByteOrder kOrder = ByteOrder::big;

const char* magicText(PresetMagic magic) {
    switch (magic) {
    case PresetMagic::programParameters: return "FxCk";
    case PresetMagic::programChunk: return "FPCh";
    case PresetMagic::bankPrograms: return "FxBk";
    case PresetMagic::bankChunk: return "FBCh";
    }
    return "";
}

std::optional<PresetMagic> magicOf(const unsigned char* text) {
    for (PresetMagic magic : {PresetMagic::programParameters, PresetMagic::programChunk, PresetMagic::bankPrograms,
                              PresetMagic::bankChunk})
        if (std::memcmp(text, magicText(magic), 4) == 0) return magic;
    return std::nullopt;
}

// A count of values or bytes that must fit in what is left of the reader.
bool fits(const ByteReader& read, std::int32_t count, std::size_t each) {
    return count >= 0 && static_cast<std::uint64_t>(count) * each <= read.remaining();
}

// A parameter's value as a plug-in takes it: a number from 0 to 1. Anything else (NaN, an
// infinity, a value out of range) is no value a plug-in ever gave, and some turn it into noise.
bool isParameterValue(float value) { return value >= 0.0f && value <= 1.0f; }

// `count` values into the list; false when one of them is no parameter value.
bool readParameterValues(ByteReader& read, std::int32_t count, std::vector<float>& values) {
    values.resize(static_cast<std::size_t>(count));
    for (float& value : values)
        if (!read.float32(value) || !isParameterValue(value)) return false;
    return true;
}

// One program record of a bank of the plug-in `pluginId`, from its "CcnK" on: a program file of
// parameter values for the same plug-in, with the values its own numParams names.
const char* readProgramRecord(ByteReader& read, std::int32_t pluginId, ProgramRecord& record) {
    const bool chunkMagic = read.startsWith("CcnK");
    const bool fxMagic = read.remaining() >= 12 && std::memcmp(read.here() + 8, "FxCk", 4) == 0;
    std::int32_t id = 0, count = 0;
    if (!read.skip(16) || !read.int32(id) || !read.skip(4) || !read.int32(count) ||
        !read.field(PresetFile::kNameField, record.name))
        return "a program of the bank does not fit in the file";
    if (!chunkMagic || !fxMagic) return "a program of the bank is no program of parameter values";
    if (id != pluginId) return "a program of the bank is for another plug-in";
    if (!fits(read, count, 4)) return "a program of the bank does not fit in the file";
    if (!readParameterValues(read, count, record.parameters)) return "a parameter value is not between 0 and 1";
    return nullptr;
}

void writeProgramHeader(ByteWriter& out, const char* magic, std::int32_t pluginId, std::int32_t pluginVersion,
                        std::int32_t numParams, const std::string& name, std::size_t bodySize) {
    out.text("CcnK");
    out.uint32(static_cast<std::uint32_t>(PresetFile::kProgramHeader - 8 + bodySize));
    out.text(magic);
    out.int32(1);
    out.int32(pluginId);
    out.int32(pluginVersion);
    out.int32(numParams);
    out.field(name, PresetFile::kNameField);
}

}  // namespace

Decoded<PresetFile> decodePresetFile(const unsigned char* data, std::size_t size) {
    using Result = Decoded<PresetFile>;
    if (!data || size < 28) return Result::refuse("the file is shorter than any preset or bank header");
    const std::optional<PresetMagic> magic = magicOf(data + 8);
    if (!magic) return Result::refuse(kUnsupportedPreset);
    PresetFile file;
    file.magic = *magic;
    ByteReader read(data, size, kOrder);
    read.skip(12);
    read.int32(file.formatVersion);
    read.int32(file.pluginId);
    read.int32(file.pluginVersion);
    std::int32_t count = 0;  // numParams of a program, numPrograms of a bank
    read.int32(count);
    std::int32_t length = 0;
    switch (file.magic) {
    case PresetMagic::programParameters:
        file.numParams = count;
        if (!read.field(PresetFile::kNameField, file.name)) return Result::refuse("the program header is cut short");
        if (!fits(read, count, 4)) return Result::refuse("the parameter values do not fit in the file");
        if (!readParameterValues(read, count, file.parameters))
            return Result::refuse("a parameter value is not between 0 and 1");
        break;
    case PresetMagic::programChunk:
        file.numParams = count;
        if (!read.field(PresetFile::kNameField, file.name) || !read.int32(length))
            return Result::refuse("the program header is cut short");
        if (!read.block(length, file.chunk)) return Result::refuse("the program chunk does not fit in the file");
        break;
    case PresetMagic::bankPrograms:
    case PresetMagic::bankChunk:
        file.numPrograms = count;
        if (!read.int32(file.currentProgram) || !read.skip(124)) return Result::refuse("the bank header is cut short");
        if (file.formatVersion < 2) file.currentProgram = 0;
        if (file.magic == PresetMagic::bankChunk) {
            if (!read.int32(length)) return Result::refuse("the bank header is cut short");
            if (!read.block(length, file.chunk)) return Result::refuse("the bank chunk does not fit in the file");
            break;
        }
        // Every record carries its own parameter count; a bank made for another count of
        // parameters is walked by the file's records, not by the instrument's.
        if (!fits(read, count, PresetFile::kProgramHeader)) return Result::refuse("the bank's programs do not fit in the file");
        file.programs.resize(static_cast<std::size_t>(count));
        for (ProgramRecord& record : file.programs)
            if (const char* why = readProgramRecord(read, file.pluginId, record)) return Result::refuse(why);
        break;
    }
    return Result{std::move(file), {}};
}

std::vector<unsigned char> encodePresetFile(const PresetFile& file) {
    ByteWriter out(kOrder);
    switch (file.magic) {
    case PresetMagic::programParameters:
        writeProgramHeader(out, "FxCk", file.pluginId, file.pluginVersion, static_cast<std::int32_t>(file.parameters.size()),
                           file.name, 4 * file.parameters.size());
        for (float value : file.parameters) out.float32(value);
        break;
    case PresetMagic::programChunk:
        writeProgramHeader(out, "FPCh", file.pluginId, file.pluginVersion, file.numParams, file.name, 4 + file.chunk.size());
        out.int32(static_cast<std::int32_t>(file.chunk.size()));
        out.bytes(file.chunk.data(), file.chunk.size());
        break;
    case PresetMagic::bankPrograms:
    case PresetMagic::bankChunk: {
        const bool chunk = file.magic == PresetMagic::bankChunk;
        out.text("CcnK");
        out.uint32(0);  // byteSize, filled in below
        out.text(magicText(file.magic));
        out.int32(file.formatVersion);
        out.int32(file.pluginId);
        out.int32(file.pluginVersion);
        out.int32(chunk ? file.numPrograms : static_cast<std::int32_t>(file.programs.size()));
        out.int32(file.formatVersion >= 2 ? file.currentProgram : 0);
        for (int i = 0; i < 124; ++i) out.byte(0);
        if (chunk) {
            out.int32(static_cast<std::int32_t>(file.chunk.size()));
            out.bytes(file.chunk.data(), file.chunk.size());
        } else {
            for (const ProgramRecord& record : file.programs) {
                writeProgramHeader(out, "FxCk", file.pluginId, file.pluginVersion,
                                   static_cast<std::int32_t>(record.parameters.size()), record.name,
                                   4 * record.parameters.size());
                for (float value : record.parameters) out.float32(value);
            }
        }
        std::vector<unsigned char>& bytes = out.data();
        ByteWriter size(kOrder);
        size.uint32(static_cast<std::uint32_t>(bytes.size() - 8));
        std::copy(size.data().begin(), size.data().end(), bytes.begin() + 4);
        break;
    }
    }
    return out.take();
}

}  // namespace vexlo::files
