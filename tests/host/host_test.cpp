// The offline host: lifecycle, transport, chains, renders and its inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/midi_input.h"
#include "host/render.h"
#include "host/wav_writer.h"
#include "tests/support/test_support.h"

using namespace vexlo::host;
using vexlo::test::loadPlugin;
using vexlo::test::pluginPath;

namespace {

RenderOptions chordOptions(const std::string& instrument) {
    RenderOptions options;
    options.instrument = pluginPath(instrument);
    options.seconds = 0.5;
    std::string error;
    EXPECT_TRUE(parseNoteList("60,64,67", options.tempo, options.seconds, &options.notes, &error)) << error;
    return options;
}

TEST(HostLoad, RefusesWhatIsNoPlugin) {
    HostContext context;
    std::string error;
    EXPECT_FALSE(Plugin::load(pluginPath("no-such-plugin"), context, &error));
    EXPECT_NE(error.find("cannot load"), std::string::npos);
}

TEST(HostLoad, DescribesTheTestInstrument) {
    HostContext context;
    auto synth = loadPlugin("test-synth", context);
    ASSERT_TRUE(synth);
    synth->open();
    std::ostringstream out;
    describe(*synth, out);
    std::string text = out.str();
    EXPECT_NE(text.find("effect:    Test Instrument"), std::string::npos) << text;
    EXPECT_NE(text.find("unique ID: 1450464121 'VtSy'"), std::string::npos) << text;
    EXPECT_NE(text.find("IsSynth"), std::string::npos);
    EXPECT_NE(text.find("ProgramChunks"), std::string::npos);
    EXPECT_NE(text.find("param   0 Volume     = 0.500000 amp"), std::string::npos) << text;
}

TEST(HostTransport, AdvancesSamplesAndBeatsWithTheBlocks) {
    HostContext context(44100.0, 512, 120.0);
    VstTimeInfo* info = context.timeInfo();
    EXPECT_EQ(info->tempo, 120.0);
    EXPECT_TRUE(info->flags & kVstTempoValid);
    EXPECT_TRUE(info->flags & kVstPpqPosValid);
    context.advance(22050);
    EXPECT_EQ(info->samplePos, 22050.0);
    EXPECT_DOUBLE_EQ(info->ppqPos, 1.0);
    context.advance(44100 * 2);
    EXPECT_DOUBLE_EQ(info->ppqPos, 5.0);
    EXPECT_DOUBLE_EQ(info->barStartPos, 4.0);
}

TEST(HostRender, TestInstrumentVariantsAllSound) {
    for (const char* name : {"test-synth", "test-mono", "test-accumulating"}) {
        RenderResult result;
        std::string error;
        ASSERT_TRUE(render(chordOptions(name), &result, &error)) << name << ": " << error;
        ASSERT_EQ(result.channels.size(), 2u);
        ChannelLevels left = measure(result.channels[0]);
        ChannelLevels right = measure(result.channels[1]);
        EXPECT_GT(left.peak, 0.05f) << name;
        EXPECT_TRUE(left.finite && right.finite) << name;
        // Every variant plays the same on both sides (a mono one is copied to the right).
        EXPECT_EQ(result.channels[0], result.channels[1]) << name;
    }
}

TEST(HostRender, NotesStartOnTheirSample) {
    RenderOptions options = chordOptions("test-synth");
    options.notes.clear();
    std::string error;
    ASSERT_TRUE(parseNoteList("69:1", options.tempo, options.seconds, &options.notes, &error));  // beat 1 = 0.5 s
    options.seconds = 0.6;
    RenderResult result;
    ASSERT_TRUE(render(options, &result, &error)) << error;
    const auto& left = result.channels[0];
    for (std::size_t i = 0; i < 22050; ++i) ASSERT_EQ(left[i], 0.0f) << i;
    EXPECT_NE(left[22051], 0.0f);
}

TEST(HostChain, EachMidiEffectFeedsTheNextInTheSameBlock) {
    RenderOptions options = chordOptions("test-synth");
    options.midiEffects = {pluginPath("test-midi-fx"), pluginPath("test-midi-fx")};
    RenderResult result;
    std::string error;
    ASSERT_TRUE(render(options, &result, &error)) << error;
    std::vector<int> notesByStage[3];
    for (const StageEvent& e : result.events) {
        if ((e.bytes[0] & 0xF0) == 0x90) {
            notesByStage[e.stage].push_back(e.bytes[1]);
            EXPECT_EQ(e.samplePosition, 0);
        }
    }
    EXPECT_EQ(notesByStage[0], (std::vector<int>{60, 64, 67}));
    EXPECT_EQ(notesByStage[1], (std::vector<int>{61, 65, 68}));
    EXPECT_EQ(notesByStage[2], (std::vector<int>{62, 66, 69}));
    EXPECT_GT(measure(result.channels[0]).peak, 0.05f);
}

// An effect that hands back the events it used up, blanked, feeds the next stage none of them.
TEST(HostChain, BlankedEventsGoNoFurther) {
    RenderOptions options = chordOptions("test-synth");
    std::string error;
    options.notes.clear();
    ASSERT_TRUE(parseNoteList("0,60", options.tempo, options.seconds, &options.notes, &error)) << error;
    options.midiEffects = {pluginPath("test-midi-fx"), pluginPath("test-midi-fx")};
    RenderResult result;
    ASSERT_TRUE(render(options, &result, &error)) << error;
    std::vector<std::vector<int>> afterTheFirst;
    for (const StageEvent& e : result.events)
        if (e.stage > 0) afterTheFirst.push_back({e.stage, e.bytes[0], e.bytes[1]});
    EXPECT_EQ(afterTheFirst, (std::vector<std::vector<int>>{{1, 0x90, 61}, {2, 0x90, 62}}));
}

TEST(HostLifecycle, StartAndStopFollowTheHostOrder) {
    HostContext context(48000.0, 128);
    auto probe = loadPlugin("frame-probe", context);
    ASSERT_TRUE(probe);
    probe->setRecordCalls(true);
    probe->start();
    EXPECT_TRUE(probe->isRunning());
    EXPECT_EQ(probe->dispatch(effVendorSpecific, 4), 48000);  // the stored sample rate
    EXPECT_EQ(probe->dispatch(effVendorSpecific, 5), 128);    // the stored block size
    probe->stop();
    EXPECT_FALSE(probe->isRunning());
}

// ---- Notes from the command line and from MIDI files ----

TEST(NoteList, ParsesNotesStartsLengthsAndVelocities) {
    std::vector<TimedMidi> events;
    std::string error;
    ASSERT_TRUE(parseNoteList("60,64:1:2:90", 120.0, 3.0, &events, &error)) << error;
    sortEvents(events);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].seconds, 0.0);
    EXPECT_EQ(events[0].bytes[1], 60);
    EXPECT_EQ(events[0].bytes[2], 100);
    EXPECT_EQ(events[1].seconds, 0.5);
    EXPECT_EQ(events[1].bytes[2], 90);
    EXPECT_EQ(events[2].seconds, 1.5);  // 64 ends after two beats
    EXPECT_EQ(events[2].bytes[0], 0x80);
    EXPECT_EQ(events[3].seconds, 3.0);  // 60 is held to the end
}

TEST(NoteList, RefusesWhatIsNotANote) {
    std::vector<TimedMidi> events;
    std::string error;
    for (const char* bad : {"128", "-1", "60:x", "60:0:1:0", "60:0:1:100:5", "C4"})
        EXPECT_FALSE(parseNoteList(bad, 120.0, 1.0, &events, &error)) << bad;
}

std::vector<unsigned char> smf(std::vector<std::vector<unsigned char>> tracks, unsigned division = 96) {
    std::vector<unsigned char> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<unsigned char>(tracks.size() > 1),
                                    0, static_cast<unsigned char>(tracks.size()),
                                    static_cast<unsigned char>(division >> 8), static_cast<unsigned char>(division)};
    for (const auto& track : tracks) {
        std::size_t n = track.size();
        file.insert(file.end(), {'M', 'T', 'r', 'k', static_cast<unsigned char>(n >> 24),
                                 static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 8),
                                 static_cast<unsigned char>(n)});
        file.insert(file.end(), track.begin(), track.end());
    }
    return file;
}

TEST(MidiFile, MergesTracksAndFollowsTheTempoMap) {
    // Track 0: tempo 1 s per beat at tick 0, 0.5 s per beat from tick 96.
    std::vector<unsigned char> tempo{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,
                                     0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00};
    // Track 1: note on at 0, running-status note-off (velocity 0) at 96, note on at 192.
    std::vector<unsigned char> notes{0x00, 0x90, 60, 100, 0x60, 60, 0, 0x60, 0x90, 62, 90, 0x00, 0xFF, 0x2F, 0x00};
    auto file = smf({tempo, notes});
    std::vector<TimedMidi> events;
    std::string error;
    ASSERT_TRUE(parseMidiFile(file.data(), file.size(), 120.0, &events, &error)) << error;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_DOUBLE_EQ(events[0].seconds, 0.0);
    EXPECT_DOUBLE_EQ(events[1].seconds, 1.0);
    EXPECT_EQ(events[1].bytes[2], 0);
    EXPECT_DOUBLE_EQ(events[2].seconds, 1.5);
    EXPECT_EQ(events[2].bytes[1], 62);
}

TEST(MidiFile, RefusesTruncatedAndForeignFilesAtEveryLength) {
    std::vector<unsigned char> notes{0x00, 0x90, 60, 100, 0x83, 0x00, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    auto file = smf({notes});
    std::vector<TimedMidi> events;
    std::string error;
    ASSERT_TRUE(parseMidiFile(file.data(), file.size(), 120.0, &events, &error));
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
        events.clear();
        // A cut file either fails with a reason or yields the events it holds whole.
        if (!parseMidiFile(file.data(), cut, 120.0, &events, &error)) {
            EXPECT_FALSE(error.empty());
        }
        EXPECT_LE(events.size(), 2u);
    }
    const unsigned char junk[] = "RIFF....WAVE";
    EXPECT_FALSE(parseMidiFile(junk, sizeof(junk), 120.0, &events, &error));
    auto smpte = smf({notes}, 0xE728);
    EXPECT_FALSE(parseMidiFile(smpte.data(), smpte.size(), 120.0, &events, &error));
}

TEST(Wav, LevelsSeeNaNsAndPeaks) {
    ChannelLevels levels = measure({0.0f, -0.5f, 0.25f, NAN});
    EXPECT_FALSE(levels.finite);
    EXPECT_EQ(levels.peak, 0.5f);
    EXPECT_NEAR(levels.rms, std::sqrt((0.25 + 0.0625) / 4), 1e-9);
}

}  // namespace
