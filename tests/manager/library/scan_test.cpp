// The scan database on real folders of real (test) plug-in libraries.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "hosting/probe.h"
#include "manager/library/scan_database.h"
#include "platform/process.h"
#include "tests/support/manager_rig.h"

using namespace vexlo::test;
using vexlo::library::ConfigFile;
using vexlo::library::ScanDatabase;
namespace fs = std::filesystem;

namespace {

const std::string kExt = vexlo::platform::pluginExtension();

// The probe of a Vexlo VM without its helper program: in the scanning process itself, where
// only the crash marker tells the next scan what happened.
vexlo::library::ScanDatabase::ProbeResult probeInThisProcess(const std::string& path) {
    return vexlo::hosting::probeHere(path);
}

class ScanTest : public ::testing::Test {
protected:
    // Puts a copy of a built test plug-in into the scanned folder under another name.
    std::string place(const std::string& plugin, const std::string& relativeName) {
        fs::path target = (fs::path(vst.path()) / relativeName).make_preferred();
        fs::create_directories(target.parent_path());
        fs::copy_file(pluginPath(plugin), target, fs::copy_options::overwrite_existing);
        return target.string();
    }
    void scan(bool onlyNew) { database.scan(vst.path(), onlyNew, VstManager::probePlugin); }
    std::string entry(const std::string& key) { return ConfigFile(database.path()).read(key).value_or("<none>"); }

    TempFolder vst, data;
    ScanDatabase database{data.file("Vexlo VST Scan.vIni")};
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed{script};
};

TEST_F(ScanTest, TheWalkProbesPluginLibrariesOnly) {
    std::string mixed = kExt;  // ".So" or ".DlL"
    for (std::size_t i = 1; i < mixed.size(); i += 2) mixed[i] = static_cast<char>(std::toupper(mixed[i]));
    const std::string synth = place("test-synth", "Synth" + mixed);
    const std::string deep = place("test-mono", "sub/folder/Deep" + kExt);
    place("test-mono", "Synth" + kExt + ".txt");
    place("test-mono", "NoExtension");
    place("test-accumulating", ".hidden/Hidden" + kExt);
    scan(false);

    EXPECT_EQ(entry("1450464121"), synth);  // test-synth's ID, 'VtSy'
    EXPECT_EQ(entry("1450462575"), deep);   // test-mono's ID, 'VtMo', found in a sub-folder
    EXPECT_EQ(database.findUniqueId(deep), 1450462575);  // and the other way
    EXPECT_EQ(database.findUniqueId(vst.path() + "/Synth" + kExt + ".txt"), std::nullopt);
    EXPECT_EQ(entry("Synth"), "Ok");
    EXPECT_EQ(entry("Deep"), "Ok");
    EXPECT_EQ(entry("1450459491"), "<none>");  // the hidden folder was not entered
    EXPECT_EQ(entry("Hidden"), "<none>");
    EXPECT_EQ(entry("NoExtension"), "<none>");
    EXPECT_EQ(entry("Adding VST"), "None");
    EXPECT_EQ(entry("Completed Scan"), "Yes");
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(ScanTest, WhatRefusesEventsOutrightGetsNoIdEntry) {
    place("test-deaf", "Deaf" + kExt);
    place("test-unsure", "Unsure" + kExt);  // -1, then 0: recorded
    place("test-midi-fx", "Fx" + kExt);
    place("test-no-entry", "Empty" + kExt);
    place("test-null-record", "Null" + kExt);
    scan(false);
    EXPECT_EQ(entry("1450460262"), "<none>");  // test-deaf
    EXPECT_EQ(entry("Deaf"), "Ok");
    EXPECT_EQ(entry("1094861636"), (fs::path(vst.path()) / ("Unsure" + kExt)).string());  // 0x41424344
    EXPECT_EQ(entry(std::to_string(fourCharCode('V', 't', 'M', 'x'))), (fs::path(vst.path()) / ("Fx" + kExt)).string());
    EXPECT_EQ(entry("Empty"), "Ok");
    EXPECT_EQ(entry("Null"), "Ok");
}

TEST_F(ScanTest, ALibraryReplacedUnderItsNameIsProbedAgainByEveryScan) {
    const std::string lib = place("test-synth", "Lead" + kExt);
    scan(false);
    place("test-mono", "Lead" + kExt);  // the same name, another plug-in now
    scan(true);
    EXPECT_EQ(entry("1450464121"), "<none>") << "the old plug-in's ID no longer leads there";
    EXPECT_EQ(entry("1450462575"), lib);
    place("test-synth", "Lead" + kExt);
    scan(false);
    EXPECT_EQ(entry("1450464121"), lib);
    EXPECT_EQ(entry("1450462575"), "<none>");
}

TEST_F(ScanTest, DuplicateIdsAndDuplicateNames) {
    place("test-synth", "a/First" + kExt);
    place("test-synth", "b/Second" + kExt);  // the same ID: the later probe wins
    place("test-mono", "c/First" + kExt);    // the same base name: probed once only
    scan(false);
    EXPECT_EQ(entry("Second"), "Ok");
    EXPECT_EQ(entry("First"), "Ok");
    const std::string synthPath = entry("1450464121");
    EXPECT_TRUE(synthPath.find("First") != std::string::npos || synthPath.find("Second") != std::string::npos);
    // One of the two "First" libraries was skipped: either test-mono has no entry, or
    // test-synth's "First" was the skipped one.
    const bool monoProbed = entry("1450462575") != "<none>";
    const bool synthFirstProbed = synthPath.find("First") != std::string::npos;
    EXPECT_FALSE(monoProbed && synthFirstProbed);
}

TEST_F(ScanTest, LongBaseNamesKeepTheirBookkeeping) {
    const std::string name(50, 'n');
    place("test-synth", name + kExt);
    scan(false);
    const std::string key = ScanDatabase::bookkeepingKey(name);
    EXPECT_EQ(key.size(), 39u);
    EXPECT_EQ(entry(key), "Ok");
    EXPECT_NE(ScanDatabase::bookkeepingKey(name), ScanDatabase::bookkeepingKey(std::string(49, 'n') + "m"));
    EXPECT_EQ(ScanDatabase::bookkeepingKey("Short"), "Short");
}

TEST_F(ScanTest, TheCrashMarkerPutsALibraryOnTheIgnoreList) {
    const std::string bad = place("test-crash", "Bad" + kExt);
    ConfigFile(database.path()).write("Adding VST", bad, true);
    scan(true);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, bad);
    EXPECT_EQ(script.messages[0].caption, "Failed VST added to Ignore list!");
    EXPECT_EQ(entry("Bad"), "Ignore");  // and it was not probed, or this process would be gone
    EXPECT_EQ(entry("Adding VST"), "None");

    scan(true);  // from now on it is skipped without a word
    EXPECT_EQ(script.messages.size(), 1u);
}

TEST(ScanCrash, ALibraryThatKillsItsProbeIsIgnoredByTheNextScan) {
    // Fixed folders: where death tests run the test again in a new process (Windows), that
    // process must find the same database.
    const fs::path root = fs::temp_directory_path() / "vexlo-scan-killer";
    const fs::path folder = root / "vst";
    fs::remove_all(root);
    fs::create_directories(folder);
    const std::string bad = (folder / ("Killer" + kExt)).string();
    fs::copy_file(pluginPath("test-crash"), bad);
    fs::copy_file(pluginPath("test-synth"), folder / ("Fine" + kExt));
    ScanDatabase database((root / "Vexlo VST Scan.vIni").string());
    auto entry = [&](const std::string& key) { return ConfigFile(database.path()).read(key).value_or("<none>"); };

    // The first scan dies with the library it probes.
    EXPECT_DEATH(database.scan(folder.string(), true, probeInThisProcess), "");
    EXPECT_EQ(entry("Adding VST"), bad);

    // The next scan of new libraries only, in a process of its own, names it and skips it.
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed(script);
    database.scan(folder.string(), true, probeInThisProcess);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, bad);
    EXPECT_EQ(script.messages[0].caption, "Failed VST added to Ignore list!");
    EXPECT_EQ(entry("Killer"), "Ignore");
    EXPECT_EQ(entry("Fine"), "Ok");
    EXPECT_EQ(entry("Completed Scan"), "Yes");
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

TEST(ScanCrash, EveryScanLearnsFromACrashAndFullScansKeepTheIgnoreList) {
    // Fixed folders, as above. Two libraries that take the probing process down, one by
    // aborting and one by a segmentation fault, beside a good one; every scan here is full.
    const fs::path root = fs::temp_directory_path() / "vexlo-scan-full";
    const fs::path folder = root / "vst";
    // Where each death test runs the test again in a new process (Windows), that process
    // finds the folder and the database as the scans before it left them.
    if (!::testing::internal::InDeathTestChild()) {
        fs::remove_all(root);
        fs::create_directories(folder);
        fs::copy_file(pluginPath("test-crash"), folder / ("Aborts" + kExt));
        fs::copy_file(pluginPath("test-segfault"), folder / ("Faults" + kExt));
        fs::copy_file(pluginPath("test-synth"), folder / ("Fine" + kExt));
    }
    ScanDatabase database((root / "Vexlo VST Scan.vIni").string());
    auto entry = [&](const std::string& key) { return ConfigFile(database.path()).read(key).value_or("<none>"); };

    // Each crasher costs one process, whichever the walk meets first.
    EXPECT_DEATH(database.scan(folder.string(), false, probeInThisProcess), "");
    EXPECT_DEATH(database.scan(folder.string(), false, probeInThisProcess), "");
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed(script);
    database.scan(folder.string(), false, probeInThisProcess);
    EXPECT_EQ(entry("Aborts"), "Ignore");
    EXPECT_EQ(entry("Faults"), "Ignore");
    EXPECT_EQ(entry("Fine"), "Ok");
    EXPECT_EQ(entry("1450464121"), (folder / ("Fine" + kExt)).string());
    EXPECT_EQ(entry("Completed Scan"), "Yes");
    ASSERT_EQ(script.messages.size(), 1u);  // the second crasher; the first was told in a lost process
    EXPECT_EQ(script.messages[0].caption, "Failed VST added to Ignore list!");

    // Another full scan rebuilds the IDs and keeps the ignore list: nothing crashes, nothing told.
    database.scan(folder.string(), false, probeInThisProcess);
    EXPECT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(entry("Aborts"), "Ignore");
    EXPECT_EQ(entry("Faults"), "Ignore");
    EXPECT_EQ(entry("Fine"), "Ok");
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

TEST(ScanCrash, ACrashingLibraryWithAPathLongerThanTheMarkerIsIgnoredToo) {
    if (vexlo::platform::pathSeparator() == '\\') GTEST_SKIP() << "Windows paths end at 260 characters";
    const fs::path root = fs::temp_directory_path() / "vexlo-scan-long";
    fs::remove_all(root);
    fs::path folder = root / "vst";
    fs::path deep = folder;
    for (int i = 0; i < 7; ++i) deep /= std::string(200, static_cast<char>('a' + i));
    fs::create_directories(deep);
    const std::string bad = (deep / ("Killer" + kExt)).string();
    ASSERT_GT(bad.size(), 1300u);
    fs::copy_file(pluginPath("test-crash"), bad);
    ScanDatabase database((root / "Vexlo VST Scan.vIni").string());
    auto entry = [&](const std::string& key) { return ConfigFile(database.path()).read(key).value_or("<none>"); };

    EXPECT_DEATH(database.scan(folder.string(), true, probeInThisProcess), "");
    EXPECT_EQ(entry("Adding VST"), std::string(ScanDatabase::kKeyedMarker) + "Killer");
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed(script);
    database.scan(folder.string(), true, probeInThisProcess);
    EXPECT_EQ(entry("Killer"), "Ignore");
    EXPECT_EQ(entry("Completed Scan"), "Yes");
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "Killer");
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

TEST_F(ScanTest, LinksBackToTheFolderAreWalkedOnce) {
    const std::string synth = place("test-synth", "sub/Synth" + kExt);
    std::error_code error;
    fs::create_directory_symlink(vst.path(), fs::path(vst.path()) / "back", error);
    fs::create_directory_symlink(vst.path(), fs::path(vst.path()) / "sub" / "again", error);
    if (error) GTEST_SKIP() << "no folder links here: " << error.message();
    int probes = 0;
    database.scan(vst.path(), false, [&](const std::string& path) {
        ++probes;
        return VstManager::probePlugin(path);
    });
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(entry("1450464121"), synth);
    EXPECT_EQ(entry("Completed Scan"), "Yes");
}

TEST_F(ScanTest, TwoHundredLibrariesAreEachProbedOnce) {
    for (int i = 0; i < 200; ++i) place("test-synth", "many/Synth" + std::to_string(i) + kExt);
    int probes = 0;
    auto counting = [&](const std::string& path) {
        ++probes;
        return probeInThisProcess(path);  // the walk is what counts here, not where it probes
    };
    database.scan(vst.path(), false, counting);
    EXPECT_EQ(probes, 200);
    EXPECT_EQ(entry("Synth199"), "Ok");
    database.scan(vst.path(), true, counting);  // nothing new
    EXPECT_EQ(probes, 200);
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(ScanTest, AScanDatabaseThatCannotBeWrittenProbesNothing) {
    place("test-synth", "Synth" + kExt);
    ScanDatabase nowhere(data.file("no-such-folder/Vexlo VST Scan.vIni"));
    int probes = 0;
    nowhere.scan(vst.path(), true, [&](const std::string&) -> std::optional<std::int32_t> {
        ++probes;
        return std::nullopt;
    });
    EXPECT_EQ(probes, 0);
    ASSERT_FALSE(script.messages.empty());
    EXPECT_EQ(script.messages.back().caption, "Can't write the scan database!");
}

TEST_F(ScanTest, TheManagersScanUsesItsPluginFolderAndUnloadsTheInstrument) {
    ManagerRig rig;
    const std::string sep(1, vexlo::platform::pathSeparator());
    fs::copy_file(pluginPath("test-mono"), fs::path(rig.folder.path()) / ("Mono" + kExt));
    rig.loadInstrument("test-synth");
    ASSERT_NE(rig.instrument(), nullptr);
    rig.manager->scanPlugins(false);
    rig.manager->waitForScan();
    EXPECT_EQ(rig.instrument(), nullptr);
    EXPECT_EQ(rig.databaseEntry(0x56744D6F), rig.folder.path() + sep + "Mono" + kExt);
    EXPECT_EQ(rig.databaseEntry(0x56745379), "<none>");  // the full scan started over
    EXPECT_FALSE(rig.manager->testGate().isHeld());
}

// A Vexlo VM with its helper beside it (as the build lays it out) probes each library in a
// process of its own: libraries that abort, segfault or hang in their entry take down only the
// helper, and one scan ends with them on the ignore list and the host process still here.
TEST_F(ScanTest, OneScanIgnoresLibrariesThatAbortSegfaultOrHangAndTheHostLivesOn) {
    ASSERT_TRUE(vexlo::platform::fileExists(vexlo::hosting::probeHelperPath())) << vexlo::hosting::probeHelperPath();
    ManagerRig rig;
    const std::string sep(1, vexlo::platform::pathSeparator());
    for (const auto& [plugin, name] : std::vector<std::pair<std::string, std::string>>{
             {"test-crash", "Aborts"}, {"test-segfault", "Segfaults"}, {"test-hang", "Hangs"}, {"test-mono", "Mono"}})
        fs::copy_file(pluginPath(plugin), fs::path(rig.folder.path()) / (name + kExt));
    rig.manager->scanPlugins(false);
    rig.manager->waitForScan();
    vexlo::library::ConfigFile store(rig.folder.file("Vexlo VST Scan.vIni"));
    for (const char* bad : {"Aborts", "Segfaults", "Hangs"}) EXPECT_EQ(store.read(bad).value_or("<none>"), "Ignore") << bad;
    EXPECT_EQ(rig.databaseEntry(0x56744D6F), rig.folder.path() + sep + "Mono" + kExt);
    EXPECT_EQ(store.read("Adding VST").value_or(""), "None");
    EXPECT_EQ(store.read("Completed Scan").value_or(""), "Yes");
    int failures = 0;
    for (const auto& message : rig.script.messages) failures += message.caption == "Failed VST added to Ignore list!";
    EXPECT_EQ(failures, 3);
}

TEST(ProbeHelper, AnswersAreReadOnlyWhenTheyAreWhole) {
    using vexlo::hosting::parseProbeAnswer;
    EXPECT_EQ(parseProbeAnswer("VexloProbe id 1450464121\n")->uniqueId, 1450464121);
    EXPECT_EQ(parseProbeAnswer("a plug-in's own chatter\nVexloProbe id -7\n")->uniqueId, -7);
    EXPECT_FALSE(parseProbeAnswer("VexloProbe none\n")->uniqueId);
    EXPECT_FALSE(parseProbeAnswer("VexloProbe none\n")->crashed);
    for (const char* broken : {"", "VexloProbe", "VexloProbe id", "VexloProbe id x", "VexloProbe id 4294967296", "id 5"})
        EXPECT_FALSE(parseProbeAnswer(broken)) << broken;
}

TEST(ProbeHelper, AHangingLibraryIsKilledAtTheTimeLimitAndACrashIsToldApart) {
    const std::string helper = vexlo::hosting::probeHelperPath();
    using End = vexlo::platform::ProcessRun::End;
    const auto hang = vexlo::platform::runProcess(helper, {pluginPath("test-hang")}, 500);
    EXPECT_EQ(hang.end, End::timedOut);
    const auto good = vexlo::platform::runProcess(helper, {pluginPath("test-synth")}, 20000);
    EXPECT_EQ(good.end, End::exited);
    EXPECT_EQ(good.exitCode, 0);
    EXPECT_EQ(good.output.rfind("VexloProbe id 1450464121", 0), 0u) << good.output;
    const auto usage = vexlo::platform::runProcess(helper, {}, 20000);
    EXPECT_EQ(usage.end, End::exited);
    EXPECT_EQ(usage.exitCode, 2);
    for (const char* crashing : {"test-crash", "test-segfault"})
        EXPECT_TRUE(vexlo::hosting::probeInHelper(pluginPath(crashing), 20000)->crashed) << crashing;
    EXPECT_EQ(vexlo::platform::runProcess(helper + ".missing", {}, 1000).end, End::notStarted);
}

}  // namespace
