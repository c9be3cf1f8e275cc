// The FXP and FXB codecs on bytes alone: the layouts they write, what they read
// back, banks made for another parameter count, and every damaged file refused within its bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "hosting/preset_file.h"

using namespace vexlo::files;

namespace {

std::uint32_t bigAt(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
           static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
}
std::string textAt(const std::vector<unsigned char>& b, std::size_t at, std::size_t n) {
    return std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
}
void putBig(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

PresetFile parameterProgram(int count) {
    PresetFile file;
    file.magic = PresetMagic::programParameters;
    file.pluginId = 0x56744475;
    file.pluginVersion = 7;
    file.name = "Bass";
    for (int i = 0; i < count; ++i) file.parameters.push_back(static_cast<float>(i % 11) / 10.0f);
    return file;
}

PresetFile bankOfPrograms(int programs, int params) {
    PresetFile file;
    file.magic = PresetMagic::bankPrograms;
    file.pluginId = 0x56744475;
    file.pluginVersion = 3;
    for (int p = 0; p < programs; ++p)
        file.programs.push_back({"Program " + std::to_string(p), std::vector<float>(static_cast<std::size_t>(params), 0.5f)});
    return file;
}

PresetFile chunkFile(PresetMagic magic, std::size_t size) {
    PresetFile file;
    file.magic = magic;
    file.pluginId = 0x616D7379;  // 'amsy'
    file.pluginVersion = 1;
    file.numParams = 41;
    file.numPrograms = 128;
    file.name = "Pad";
    for (std::size_t i = 0; i < size; ++i) file.chunk.push_back(static_cast<unsigned char>(i * 7));
    return file;
}

Decoded<PresetFile> decode(const std::vector<unsigned char>& bytes) { return decodePresetFile(bytes.data(), bytes.size()); }

}  // namespace

TEST(PresetCodec, AProgramOfTenValuesIs96BytesInBigEndian) {
    const auto bytes = encodePresetFile(parameterProgram(10));
    ASSERT_EQ(bytes.size(), 96u);
    EXPECT_EQ(textAt(bytes, 0, 4), "CcnK");
    EXPECT_EQ(bigAt(bytes, 4), 88u);  // the true byteSize
    EXPECT_EQ(textAt(bytes, 8, 4), "FxCk");
    EXPECT_EQ(bigAt(bytes, 12), 1u);
    EXPECT_EQ(bigAt(bytes, 16), 0x56744475u);
    EXPECT_EQ(bigAt(bytes, 20), 7u);  // the plug-in's own version
    EXPECT_EQ(bigAt(bytes, 24), 10u);
    EXPECT_EQ(textAt(bytes, 28, 5), std::string("Bass\0", 5));
    EXPECT_EQ(bigAt(bytes, 56 + 4), 0x3DCCCCCDu);  // 0.1f
    auto back = decode(bytes);
    ASSERT_TRUE(back) << back.refusal;
    EXPECT_EQ(back.value->name, "Bass");
    EXPECT_EQ(back.value->parameters, parameterProgram(10).parameters);
}

TEST(PresetCodec, EveryKindComesBackAsItWasWritten) {
    PresetFile bank2 = bankOfPrograms(3, 4);
    bank2.formatVersion = 2;
    bank2.currentProgram = 2;
    for (const PresetFile& file : {parameterProgram(0), parameterProgram(41), chunkFile(PresetMagic::programChunk, 1173),
                                   chunkFile(PresetMagic::bankChunk, 20000), chunkFile(PresetMagic::bankChunk, 0),
                                   bankOfPrograms(128, 10), bank2}) {
        const auto bytes = encodePresetFile(file);
        EXPECT_EQ(bigAt(bytes, 4), bytes.size() - 8);
        auto back = decode(bytes);
        ASSERT_TRUE(back) << back.refusal;
        EXPECT_EQ(back.value->magic, file.magic);
        EXPECT_EQ(back.value->chunk, file.chunk);
        EXPECT_EQ(back.value->programs.size(), file.programs.size());
        EXPECT_EQ(encodePresetFile(*back.value), bytes);
    }
    const auto chunkProgram = encodePresetFile(chunkFile(PresetMagic::programChunk, 10));
    EXPECT_EQ(chunkProgram.size(), 60u + 10u);
    EXPECT_EQ(bigAt(chunkProgram, 56), 10u);
    const auto chunkBank = encodePresetFile(chunkFile(PresetMagic::bankChunk, 10));
    EXPECT_EQ(chunkBank.size(), 160u + 10u);
    EXPECT_EQ(bigAt(chunkBank, 24), 128u);
    EXPECT_EQ(decode(encodePresetFile(bank2)).value->currentProgram, 2);
}

TEST(PresetCodec, ABankIsWalkedByItsOwnParameterCount) {
    const auto bytes = encodePresetFile(bankOfPrograms(128, 10));
    ASSERT_EQ(bytes.size(), 156u + 128u * 96u);
    EXPECT_EQ(textAt(bytes, 156 + 127 * 96 + 8, 4), "FxCk");
    // A bank made for an instrument of 5 parameters reads 5 values in each of its records.
    auto small = decode(encodePresetFile(bankOfPrograms(4, 5)));
    ASSERT_TRUE(small);
    ASSERT_EQ(small.value->programs.size(), 4u);
    EXPECT_EQ(small.value->programs[3].name, "Program 3");
    EXPECT_EQ(small.value->programs[3].parameters.size(), 5u);
    // A version 1 bank's current-program field is not read.
    auto v1 = encodePresetFile(bankOfPrograms(1, 1));
    putBig(v1, 28, 9);
    EXPECT_EQ(decode(v1).value->currentProgram, 0);
}

TEST(PresetCodec, NamesAreCutTo27CharactersAndAlwaysEnd) {
    PresetFile file = parameterProgram(1);
    file.name = std::string(40, 'x');
    auto bytes = encodePresetFile(file);
    EXPECT_EQ(bytes[28 + 26], 'x');
    EXPECT_EQ(bytes[28 + 27], 0);
    EXPECT_EQ(decode(bytes).value->name, std::string(27, 'x'));
    // A name field without its terminator is read up to the field's end, never past it.
    std::memset(bytes.data() + 28, 'y', 28);
    EXPECT_EQ(decode(bytes).value->name, std::string(28, 'y'));
}

TEST(PresetCodec, EveryCutAndEveryImpossibleCountIsRefused) {
    const std::vector<std::vector<unsigned char>> files{
        encodePresetFile(parameterProgram(10)), encodePresetFile(chunkFile(PresetMagic::programChunk, 50)),
        encodePresetFile(bankOfPrograms(3, 4)), encodePresetFile(chunkFile(PresetMagic::bankChunk, 50))};
    for (const auto& whole : files) {
        for (std::size_t size = 0; size < whole.size(); ++size) {
            // A copy of exactly `size` bytes, so that a read past it is caught by the sanitizers.
            std::vector<unsigned char> cut(whole.begin(), whole.begin() + static_cast<long>(size));
            EXPECT_FALSE(decode(cut)) << textAt(whole, 8, 4) << " cut to " << size;
        }
    }
    // The count or length fields: of a program file at 24 / 56, of a bank at 24 / 156, of a bank's
    // first record at 156 + 24.
    const std::pair<int, std::size_t> fields[] = {{0, 24}, {1, 56}, {2, 24}, {2, 156 + 24}, {3, 156}};
    for (auto [which, at] : fields)
        for (std::uint32_t value : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1000000u}) {
            auto bad = files[static_cast<std::size_t>(which)];
            putBig(bad, at, value);
            EXPECT_FALSE(decode(bad)) << which << " at " << at << " = " << value;
        }
    // Zero is a count that fits: no values, no programs, an empty chunk.
    auto empty = files[0];
    putBig(empty, 24, 0);
    EXPECT_TRUE(decode(empty).value->parameters.empty());
    // Another kind is refused with the message for it; only the kind is checked, not "CcnK".
    auto foreign = files[0];
    std::memcpy(foreign.data() + 8, "FxXX", 4);
    EXPECT_EQ(decode(foreign).refusal, kUnsupportedPreset);
    auto noCcnk = files[0];
    std::memcpy(noCcnk.data(), "ABCD", 4);
    EXPECT_TRUE(decode(noCcnk));
    EXPECT_FALSE(decodePresetFile(nullptr, 0));
}

// A value no plug-in ever gave, anywhere in a program or a bank, and a bank's record that is no
// program of the bank's plug-in, refuse the whole file: nothing of it reaches an instrument.
TEST(PresetCodec, ValuesThatAreNoParameterValuesAndForeignRecordsRefuseTheWholeFile) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (float bad : {nan, inf, -inf, -0.001f, 1.001f, 1000.0f}) {
        PresetFile program = parameterProgram(10);
        program.parameters[9] = bad;
        EXPECT_FALSE(decode(encodePresetFile(program))) << bad;
        PresetFile bank = bankOfPrograms(3, 4);
        bank.programs[2].parameters[0] = bad;
        EXPECT_FALSE(decode(encodePresetFile(bank))) << bad;
    }
    PresetFile edges = parameterProgram(2);
    edges.parameters = {0.0f, 1.0f};
    EXPECT_TRUE(decode(encodePresetFile(edges)));

    const auto bank = encodePresetFile(bankOfPrograms(3, 4));
    const std::size_t second = 156 + 72;  // each record: 56 bytes and 4 values
    auto otherMagic = bank, otherKind = bank, otherPlugin = bank;
    std::memcpy(otherMagic.data() + second, "XcnK", 4);
    std::memcpy(otherKind.data() + second + 8, "FPCh", 4);
    putBig(otherPlugin, second + 16, 0x616D7379);
    for (const auto& bad : {otherMagic, otherKind, otherPlugin}) EXPECT_FALSE(decode(bad));
    ASSERT_TRUE(decode(bank));
}
