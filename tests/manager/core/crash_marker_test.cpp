// A song whose plug-in takes the host down as it starts opens the next time: the marker the dead
// host left puts that plug-in in a process of its own, and the person is told why.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "manager/files/manager_state.h"
#include "manager/library/settings.h"
#include "tests/support/manager_rig.h"

using namespace vexlo::test;

namespace {

constexpr VstInt32 kCrasherId = 0x43726131;

std::vector<unsigned char> songNaming(VstInt32 id) {
    vexlo::files::ManagerState state;
    state.instrument.id = id;
    state.instrument.kind = vexlo::files::kStateChunk;
    return vexlo::files::encodeManagerState(state);
}

}  // namespace

// A folder the dying host finds too: where death tests run the test again in a fresh process
// (Windows), a temporary folder of its own would be another one. Named by the test and the
// test program, which both processes share and no test running beside it does.
std::filesystem::path sharedFolderPath() {
    std::uint32_t hash = 2166136261u;  // FNV-1a of the test program's path
    for (unsigned char c : vexlo::platform::ownLibraryPath()) hash = (hash ^ c) * 16777619u;
    return std::filesystem::temp_directory_path() /
           ("vexlo-crash-marker-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
            std::to_string(hash));
}

struct SharedFolder {
    SharedFolder() {
        std::filesystem::remove_all(where);
        std::filesystem::create_directories(where);
    }
    ~SharedFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(where, ignored);
    }
    std::string path() const { return where.string(); }
    const std::filesystem::path where = sharedFolderPath();
};

TEST(CrashMarker, APlugInThatTookTheHostDownStartsInAProcessOfItsOwnNextTime) {
    SharedFolder folder;
    const auto song = songNaming(kCrasherId);
    // The first rig's folders serve every Vexlo VM of the test.
    ManagerRig first(64, folder.path());
    vexlo::library::ConfigFile(first.manager->settings().scanDatabasePath)
        .write(std::to_string(kCrasherId), pluginPath("test-crash"), true);
    // The host dies restoring the song: the library aborts as it is entered.
    EXPECT_DEATH(
        {
            ManagerRig dying(64, folder.path());
            dying.restore(song);
        },
        "");
    ManagerRig next(64, folder.path());
    EXPECT_TRUE(vexlo::library::runsInOwnProcess(next.store, kCrasherId));
    ASSERT_EQ(next.restore(song), 1);  // the host lives; the plug-in fails again, in its own process
    EXPECT_EQ(next.instrument(), nullptr);
    std::vector<std::string> texts;
    for (const auto& message : next.script.messages) texts.push_back(message.text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], pluginPath("test-crash"));  // the refusal of a failed load, as today
    EXPECT_EQ(texts[1], "test-crash took the host down the last time it started: it runs in a process of its own from now on.");
    // Saved again, the song still names the plug-in; the choice stays for every song.
    EXPECT_EQ(next.chunk(), song);
    ManagerRig later(64, folder.path());
    EXPECT_TRUE(vexlo::library::runsInOwnProcess(later.store, kCrasherId));
    ASSERT_EQ(later.restore(song), 1);
    EXPECT_EQ(later.script.messages.size(), 1u);  // told once
}

TEST(CrashMarker, APlugInThatTookTheHostDownInItsFirstSecondOfPlayingRunsInAProcessOfItsOwnNextTime) {
    SharedFolder folder;
    ManagerRig first(64, folder.path());
    // It writes where it must not in its 100th sounding block: 0.15 s into the song.
    EXPECT_DEATH(
        {
            ManagerRig dying(64, folder.path());
            dying.loadInstrument("test-faulty-write");
            dying.send({vexlo::host::makeMidiEvent(0, 0x90, 64, 100)});
            for (int block = 0; block < 200; ++block) dying.process();
        },
        "");
    ManagerRig next(64, folder.path());
    next.loadInstrument("test-faulty-write");
    EXPECT_TRUE(next.manager->instrumentChild().inOwnProcess());
    next.manager->tellFailures();  // as the editor's idle does
    ASSERT_EQ(next.script.messages.size(), 1u);
    EXPECT_EQ(next.script.messages[0].text,
              "test-faulty-write took the host down the last time it started: it runs in a process of its own from now on.");
}

// The marker goes once the plug-in has played a second (the watch looks every few
// milliseconds); false when it is still there after five seconds.
bool markerGoesWhilePlaying(ManagerRig& rig) {
    for (int block = 0; block < 44100 / 64 + 1; ++block) rig.process();
    for (int look = 0; look < 1000; ++look) {
        if (rig.store.read("Starting Plugin").value_or("-") == "-") return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(CrashMarker, AMarkerOfAHostStillRunningOrOfAStartThatEndedIsNoCrash) {
    TempFolder folder;
    ManagerRig first(64, folder.path());
    {
        ManagerRig rig(64, folder.path());
        rig.loadInstrument("test-synth");
        // Started, but not yet played: the marker stays through the first second of playing.
        EXPECT_NE(rig.store.read("Starting Plugin").value_or("-"), "-");
        for (int block = 0; block < 44100 / 64 / 2; ++block) rig.process();
        EXPECT_NE(rig.store.read("Starting Plugin").value_or("-"), "-");
        EXPECT_TRUE(markerGoesWhilePlaying(rig));
        // A restart for a new factor is a start too.
        rig.manager->setParameter(0, 0.25f);
        EXPECT_NE(rig.store.read("Starting Plugin").value_or("-"), "-");
        EXPECT_TRUE(markerGoesWhilePlaying(rig));
        // This process marks a start and is still running.
        vexlo::manager::CrashMarker(rig.store).starting(0x56745379, pluginPath("test-synth"));
    }
    ManagerRig next(64, folder.path());
    EXPECT_FALSE(vexlo::library::runsInOwnProcess(next.store, 0x56745379));
}
