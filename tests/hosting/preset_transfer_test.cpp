// Presets between plug-ins and files' values, as a host moves them: our test instruments on every
// build (Windows under wine too), Debian's instruments on Linux.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>


#include "host/host.h"
#include "hosting/preset_transfer.h"
#include "platform/platform.h"
#include "tests/support/loaded_plugin.h"
#include "tests/support/test_support.h"

using namespace vexlo;
using files::PresetMagic;
using test::pluginPath;

namespace {

struct Loaded : test::LoadedPlugin {
    using LoadedPlugin::LoadedPlugin;
    std::vector<float> parameters() {
        std::vector<float> values;
        for (int i = 0; i < child().numParams(); ++i) values.push_back(child().getParameter(i));
        return values;
    }
    std::vector<unsigned char> chunk(VstInt32 index) {
        const auto bytes = child().getChunk(index);
        return std::vector<unsigned char>(bytes.data, bytes.data + bytes.size);
    }
};

files::PresetFile throughBytes(const files::PresetFile& file) {
    const auto bytes = files::encodePresetFile(file);
    auto back = files::decodePresetFile(bytes.data(), bytes.size());
    EXPECT_TRUE(back) << back.refusal;
    return back ? *back.value : files::PresetFile{};
}

// Through a real file in a temporary folder, as a person's preset is kept.
files::PresetFile throughFile(const files::PresetFile& file, const std::string& path) {
    const auto bytes = files::encodePresetFile(file);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read, bytes);
    auto back = files::decodePresetFile(read.data(), read.size());
    EXPECT_TRUE(back) << back.refusal;
    return back ? *back.value : files::PresetFile{};
}

}  // namespace

TEST(PresetTransfer, AProgramOfValuesComesBackToTheInstrument) {
    Loaded synth(pluginPath("test-dump"));  // 128 programs of 10 values, no chunks
    synth.child().setProgram(3);
    for (int i = 0; i < 10; ++i) synth.child().setParameter(i, static_cast<float>(i) / 16.0f);
    synth.child().setProgramName("Saved");
    test::TempFolder folder;
    const files::PresetFile saved =
        throughFile(hosting::capturePreset(synth.child(), false), folder.path() + platform::pathSeparator() + "Saved.fxp");
    EXPECT_EQ(saved.magic, PresetMagic::programParameters);
    EXPECT_EQ(files::encodePresetFile(saved).size(), 96u);
    const auto values = synth.parameters();
    for (int i = 0; i < 10; ++i) synth.child().setParameter(i, 0.9f);
    synth.child().setProgramName("Changed");
    std::string error;
    ASSERT_TRUE(hosting::applyPreset(synth.child(), saved, &error)) << error;
    EXPECT_EQ(synth.parameters(), values);
    EXPECT_EQ(synth.child().programName(), "Saved");
}

TEST(PresetTransfer, ABankOfValuesRestoresEveryProgramAndTheOnePlaying) {
    Loaded synth(pluginPath("test-mono"));  // 2 programs of 2 values
    synth.child().setProgram(1);
    synth.child().setProgramName("Second");
    synth.child().setParameter(1, 0.125f);
    const files::PresetFile bank = throughBytes(hosting::capturePreset(synth.child(), true));
    ASSERT_EQ(bank.magic, PresetMagic::bankPrograms);
    ASSERT_EQ(bank.programs.size(), 2u);
    EXPECT_EQ(bank.currentProgram, 1);
    synth.child().setProgram(0);
    synth.child().setProgramName("Other");
    synth.child().setParameter(1, 0.75f);
    ASSERT_TRUE(hosting::applyPreset(synth.child(), bank, nullptr));
    EXPECT_EQ(synth.child().program(), 1);
    EXPECT_EQ(synth.child().programNameIndexed(1), "Second");
    EXPECT_EQ(synth.child().getParameter(1), 0.125f);
}

TEST(PresetTransfer, ChunksTravelWholeAndFilesOfOtherPluginsAreRefused) {
    Loaded synth(pluginPath("test-synth"));  // chunks
    synth.child().setParameter(2, 0.3f);
    test::TempFolder folder;
    const files::PresetFile program =
        throughFile(hosting::capturePreset(synth.child(), false), folder.path() + platform::pathSeparator() + "Chunk.fxp");
    EXPECT_EQ(program.magic, PresetMagic::programChunk);
    EXPECT_EQ(program.chunk, synth.chunk(1));
    const files::PresetFile bank = throughBytes(hosting::capturePreset(synth.child(), true));
    EXPECT_EQ(bank.magic, PresetMagic::bankChunk);
    EXPECT_EQ(bank.chunk, synth.chunk(0));
    synth.child().setParameter(2, 0.8f);
    ASSERT_TRUE(hosting::applyPreset(synth.child(), program, nullptr));
    EXPECT_EQ(synth.child().getParameter(2), 0.3f);

    Loaded other(pluginPath("test-mono"));
    const auto before = other.parameters();
    std::string error;
    EXPECT_FALSE(hosting::applyPreset(other.child(), program, &error));
    EXPECT_NE(error.find("ID"), std::string::npos);
    files::PresetFile chunkForMono = bank;
    chunkForMono.pluginId = other.child().uniqueId();
    EXPECT_FALSE(hosting::applyPreset(other.child(), chunkForMono, &error));
    EXPECT_EQ(other.parameters(), before);
    // Values for a plug-in of another parameter count: as many as both have.
    files::PresetFile wide = throughBytes(hosting::capturePreset(other.child(), false));
    wide.parameters.assign(50, 0.25f);
    ASSERT_TRUE(hosting::applyPreset(other.child(), wide, nullptr));
    EXPECT_EQ(other.parameters(), std::vector<float>(2, 0.25f));
}
