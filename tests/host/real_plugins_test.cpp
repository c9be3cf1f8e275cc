// Linux only: real plug-ins that nobody here wrote, the system's fallback dialogs, and our WAV
// files read back by libsndfile.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>

#include "host/render.h"
#include "host/wav_writer.h"
#include "platform/user_services.h"
#include "tests/support/test_support.h"
#include "tests/support/debian_plugins.h"

using namespace vexlo::host;
using vexlo::test::kNekobi;

namespace {


TEST(RealPlugins, NekobiDescribesItself) {
    HostContext context;
    std::string error;
    auto nekobi = Plugin::load(kNekobi, context, &error);
    ASSERT_TRUE(nekobi) << error << " (the project's setup installs dpf-plugins-vst)";
    nekobi->open();
    EXPECT_EQ(nekobi->effect()->uniqueID, fourCharCode('D', 'N', 'e', 'k'));
    EXPECT_EQ(nekobi->effect()->numOutputs, 1);
    EXPECT_TRUE(nekobi->isSynth());
    EXPECT_EQ(nekobi->effectName(), "Nekobi");
    EXPECT_EQ(nekobi->canDo("receiveVstMidiEvent"), 1);
}

TEST(RealPlugins, NekobiRendersANoteListOnBothChannels) {
    RenderOptions options;
    options.instrument = kNekobi;
    options.seconds = 1.0;
    std::string error;
    ASSERT_TRUE(parseNoteList("48:0:1,55:1:1", options.tempo, options.seconds, &options.notes, &error));
    RenderResult result;
    ASSERT_TRUE(render(options, &result, &error)) << error;
    ChannelLevels left = measure(result.channels[0]);
    EXPECT_TRUE(left.finite);
    EXPECT_GT(left.rms, 0.01);
    EXPECT_EQ(result.channels[0], result.channels[1]);
}

std::vector<StageEvent> stageNotes(const RenderResult& result, int stage) {
    std::vector<StageEvent> notes;
    for (const StageEvent& e : result.events)
        if (e.stage == stage && (e.bytes[0] & 0xE0) == 0x80) notes.push_back(e);
    return notes;
}

TEST(RealPlugins, NekobiPlaysAnArpeggioFromAHeldChord) {
    RenderOptions options;
    options.instrument = kNekobi;
    options.midiEffects = {vexlo::test::pluginPath("Vexlo ARP MIDI")};
    options.seconds = 1.0;
    options.parameters = {{1, 0, 3.0f}};  // 1/16 (Half)
    std::string error;
    ASSERT_TRUE(parseNoteList("60,64,67", options.tempo, options.seconds, &options.notes, &error));
    RenderResult result;
    ASSERT_TRUE(render(options, &result, &error)) << error;
    auto notes = stageNotes(result, 1);
    ASSERT_GE(notes.size(), 6u);
    // The chord arrives before the first block: the first tick falls a whole tick length in.
    const int expected[][3] = {{2757, 0x90, 60}, {5515, 0x80, 60}, {8273, 0x90, 64},
                               {11031, 0x80, 64}, {13789, 0x90, 67}, {16547, 0x80, 67}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(notes[i].samplePosition, expected[i][0]) << i;
        EXPECT_EQ(notes[i].bytes[0], expected[i][1]) << i;
        EXPECT_EQ(notes[i].bytes[1], expected[i][2]) << i;
    }
    EXPECT_GT(measure(result.channels[0]).rms, 0.01);
}

TEST(RealPlugins, KeySwitchInFrontOfNekobiLetsUpperKeysThroughOnlyAfterTheSwitchKey) {
    RenderOptions options;
    options.instrument = kNekobi;
    options.midiEffects = {vexlo::test::pluginPath("Vexlo Key-Switch MIDI")};
    options.seconds = 2.0;
    options.parameters = {{1, 0, 48.0f}, {1, 1, 40.0f}};
    std::string error;
    ASSERT_TRUE(parseNoteList("41:0:0.5,60:0.5:1,40:2:0.5,64:2.5:1", options.tempo, options.seconds, &options.notes,
                              &error));
    RenderResult result;
    ASSERT_TRUE(render(options, &result, &error)) << error;
    std::vector<int> noteOns;
    for (const StageEvent& e : stageNotes(result, 1))
        if (e.bytes[0] == 0x90) noteOns.push_back(e.bytes[1]);
    EXPECT_EQ(noteOns, std::vector<int>{64});
    // Silence while 60 is held behind the closed gate, sound once 64 passes.
    const auto& left = result.channels[0];
    EXPECT_LT(measure(std::vector<float>(left.begin() + 30000, left.begin() + 40000)).peak, 1e-3f);
    EXPECT_GT(measure(std::vector<float>(left.begin() + 60000, left.begin() + 70000)).rms, 0.01);
}

TEST(Wav, LibsndfileReadsWhatWeWrite) {
    vexlo::test::TempFolder folder;
    std::string path = folder.file("out.wav");
    std::vector<std::vector<float>> channels{{0.0f, 0.5f, -1.0f}, {0.25f, -0.25f, 1.0f}};
    ASSERT_TRUE(writeWav(path, channels, 48000));

    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.samplerate, 48000);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, 3);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    float frames[6];
    EXPECT_EQ(sf_readf_float(file, frames, 3), 3);
    sf_close(file);
    EXPECT_EQ(std::vector<float>(frames, frames + 6), (std::vector<float>{0.0f, 0.25f, 0.5f, -0.25f, -1.0f, 1.0f}));
}

TEST(UserServices, WithoutADisplayNothingWaitsForAPerson) {
    const char* display = std::getenv("DISPLAY");
    std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    auto& system = vexlo::platform::systemUserServices();
    EXPECT_FALSE(system.ask("Replace?", "Warning!"));
    EXPECT_EQ(system.chooseFolder("Select a folder", "/"), "");
    EXPECT_EQ(system.chooseFile({}), "");
    system.report("Done", "!");
    if (display) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
