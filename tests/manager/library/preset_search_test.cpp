// Finding presets by name on real folder trees in a temporary folder, alone and on the worker.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "manager/library/preset_search.h"
#include "tests/support/test_support.h"

using namespace vexlo::library;
using vexlo::test::TempFolder;
namespace fs = std::filesystem;

namespace {

class PresetSearchTest : public ::testing::Test {
protected:
    std::string place(const std::string& relativeName) {
        const fs::path path = (fs::path(root.path()) / relativeName).make_preferred();
        fs::create_directories(path.parent_path());
        vexlo::test::writeFile(path.string(), "CcnK");
        return path.string();
    }
    // The bare names the search reports, sorted as the window's list shows them.
    std::vector<std::string> find(const std::string& text) {
        std::vector<std::string> names;
        PresetSearch search;
        std::atomic<bool> stop{false};
        EXPECT_TRUE(search.run(root.path(), searchPattern(text), stop,
                               [&](std::size_t, const std::string& name) { names.push_back(name); }));
        EXPECT_EQ(search.results().size(), names.size());
        std::sort(names.begin(), names.end());
        return names;
    }
    using Names = std::vector<std::string>;

    TempFolder root;
};

}  // namespace

TEST(PresetSearchPatterns, StarsAndQuestionMarksMatchTheWholeName) {
    EXPECT_EQ(searchPattern("bass"), "*BASS*");
    EXPECT_TRUE(wildcardMatch("*BASS*", "MY_BASS_01.FXP"));
    EXPECT_TRUE(wildcardMatch("*B?SS*", "BOSS.FXP"));
    EXPECT_FALSE(wildcardMatch("*B?SS*", "BSS.FXP"));
    EXPECT_TRUE(wildcardMatch("**", ""));
    EXPECT_FALSE(wildcardMatch("BASS", "BASS.FXP"));  // the whole name, not a prefix
    EXPECT_TRUE(wildcardMatch("*A*B*C*", "XXAYYBZZC"));
    EXPECT_FALSE(wildcardMatch("*A*B*C*", "XXAYYCZZB"));
    // A long run of stars against a long name that almost matches ends at once.
    EXPECT_FALSE(wildcardMatch(std::string(500, '*') + "B", std::string(5000, 'A')));
    EXPECT_TRUE(isPresetOrLinkName("a.b.Fxp"));
    EXPECT_TRUE(isPresetOrLinkName("x.fxplnk"));
    EXPECT_FALSE(isPresetOrLinkName("x.fxb"));
    EXPECT_FALSE(isPresetOrLinkName("fxp"));
    EXPECT_EQ(searchPattern(std::string(2000, 'a')).size(), kMaxSearchText + 2);
}

TEST_F(PresetSearchTest, ATextFindsPresetsAndLinksInEverySubFolderAndNothingElse) {
    const std::string bass = place("Bass.fxp");
    place("deep/er/BASSLINE.FXPLNK");
    place("other/my_bass_01.fxp");
    place("Bass.fxb");
    place("Bass.txt");
    place(".bass.fxp");
    place(".hidden/bass.fxp");
    place("Boss.fxp");
    place("Lead.fxp");
    EXPECT_EQ(find("bass"), (Names{"BASSLINE.FXPLNK", "Bass.fxp", "my_bass_01.fxp"}));
    EXPECT_EQ(find("b?ss"), (Names{"BASSLINE.FXPLNK", "Bass.fxp", "Boss.fxp", "my_bass_01.fxp"}));
    EXPECT_EQ(find(""), (Names{"BASSLINE.FXPLNK", "Bass.fxp", "Boss.fxp", "Lead.fxp", "my_bass_01.fxp"}));

    // Results are the full paths, each found once.
    PresetSearch search;
    std::atomic<bool> stop{false};
    search.run(root.path(), searchPattern("bass"), stop, nullptr);
    EXPECT_EQ(std::set<std::string>(search.results().begin(), search.results().end()).size(), 3u);
    EXPECT_NE(std::find(search.results().begin(), search.results().end(), bass), search.results().end());
}

TEST_F(PresetSearchTest, TwelveHundredMatchesKeepTheFirst999AndTheWalkGoesOn) {
    for (int i = 0; i < 1200; ++i) place("many/p" + std::to_string(i) + ".fxp");
    PresetSearch search;
    std::atomic<bool> stop{false};
    std::size_t reported = 0, lastIndex = 0;
    EXPECT_TRUE(search.run(root.path(), searchPattern("p"), stop, [&](std::size_t index, const std::string&) {
        lastIndex = index;
        ++reported;
    }));
    EXPECT_EQ(reported, kMaxSearchResults);
    EXPECT_EQ(lastIndex, kMaxSearchResults - 1);
    EXPECT_EQ(search.results().size(), kMaxSearchResults);
}

TEST_F(PresetSearchTest, AFolderLinkLoopEndsAndItsPresetsAreFoundOnce) {
    place("sub/Pad.fxp");
    std::error_code error;
    fs::create_directory_symlink(root.path(), fs::path(root.path()) / "sub" / "up", error);
    if (error) GTEST_SKIP() << "no folder links here: " << error.message();
    EXPECT_EQ(find("pad"), (Names{"Pad.fxp"}));
}

TEST_F(PresetSearchTest, AStopBeforeTheWalkEndsItAtOnce) {
    place("a.fxp");
    PresetSearch search;
    std::atomic<bool> stop{true};
    EXPECT_FALSE(search.run(root.path(), searchPattern(""), stop, nullptr));
    EXPECT_TRUE(search.results().empty());
    // A folder that is not there is an empty search.
    stop = false;
    EXPECT_TRUE(search.run(root.file("missing"), searchPattern(""), stop, nullptr));
    EXPECT_TRUE(search.results().empty());
}

TEST_F(PresetSearchTest, TheWorkerQueuesItsLinesAndAStopKeepsWhatWasFound) {
    for (int i = 0; i < 40; ++i) place("f" + std::to_string(i) + "/p" + std::to_string(i) + ".fxp");
    PresetSearchRunner runner;
    runner.start(root.path(), "p");
    while (runner.running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(runner.takeEnded());
    EXPECT_FALSE(runner.takeEnded());
    const auto lines = runner.takeLines();
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_TRUE(runner.takeLines().empty());
    for (const auto& line : lines) EXPECT_EQ(fs::path(runner.result(line.index)).filename().string(), line.name);
    EXPECT_EQ(runner.result(40), "");

    // A big tree, stopped early: the search ends and what it found stays consistent.
    for (int i = 0; i < 3000; ++i) place("big/" + std::to_string(i % 50) + "/q" + std::to_string(i) + ".fxp");
    runner.start(root.path(), "q");
    runner.stopAndWait();
    EXPECT_FALSE(runner.running());
    EXPECT_TRUE(runner.takeEnded());
    const auto early = runner.takeLines();
    EXPECT_EQ(early.size(), runner.resultCount());
    EXPECT_LE(early.size(), kMaxSearchResults);
    // A new search forgets the old one's results and lines.
    runner.start(root.path(), "p1");
    runner.stopAndWait();
    for (const auto& line : runner.takeLines()) EXPECT_EQ(line.name.substr(0, 2), "p1");
}

TEST_F(PresetSearchTest, DestroyingTheWorkerMidSearchStopsAndJoinsIt) {
    for (int i = 0; i < 2000; ++i) place("t/" + std::to_string(i % 40) + "/r" + std::to_string(i) + ".fxp");
    for (int round = 0; round < 5; ++round) {
        PresetSearchRunner runner;
        runner.start(root.path(), "r");
        std::this_thread::sleep_for(std::chrono::milliseconds(round));
        for (const auto& line : runner.takeLines()) EXPECT_FALSE(line.name.empty());
    }
}
