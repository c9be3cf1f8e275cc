// Linux only: real plug-ins that nobody here wrote, the system's fallback dialogs, and our WAV
// files read back by libsndfile.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>

#include "host/render.h"
#include "host/wav_writer.h"
#include "platform/user_services.h"
#include "tests/support/test_support.h"

using namespace vexlo::host;

namespace {

const char* kNekobi = "/usr/lib/vst/Nekobi-vst.so";

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
