// The scan database on real folders of real (test) plug-in libraries.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "manager/library/scan_database.h"
#include "tests/support/manager_rig.h"

using namespace vexlo::test;
using vexlo::library::ConfigFile;
using vexlo::library::ScanDatabase;
namespace fs = std::filesystem;

namespace {

const std::string kExt = vexlo::platform::pluginExtension();

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

TEST_F(ScanTest, ScansOfNewLibrariesOnlySkipKnownNamesAndFullScansStartOver) {
    const std::string lib = place("test-synth", "Lead" + kExt);
    scan(false);
    place("test-mono", "Lead" + kExt);  // the same name, another plug-in now
    scan(true);
    EXPECT_EQ(entry("1450464121"), lib);
    EXPECT_EQ(entry("1450462575"), "<none>");
    scan(false);
    EXPECT_EQ(entry("1450464121"), "<none>");  // the database was deleted first
    EXPECT_EQ(entry("1450462575"), lib);
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
    EXPECT_DEATH(database.scan(folder.string(), true, VstManager::probePlugin), "");
    EXPECT_EQ(entry("Adding VST"), bad);

    // The next scan of new libraries only, in a process of its own, names it and skips it.
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed(script);
    database.scan(folder.string(), true, VstManager::probePlugin);
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
    EXPECT_DEATH(database.scan(folder.string(), false, VstManager::probePlugin), "");
    EXPECT_DEATH(database.scan(folder.string(), false, VstManager::probePlugin), "");
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed(script);
    database.scan(folder.string(), false, VstManager::probePlugin);
    EXPECT_EQ(entry("Aborts"), "Ignore");
    EXPECT_EQ(entry("Faults"), "Ignore");
    EXPECT_EQ(entry("Fine"), "Ok");
    EXPECT_EQ(entry("1450464121"), (folder / ("Fine" + kExt)).string());
    EXPECT_EQ(entry("Completed Scan"), "Yes");
    ASSERT_EQ(script.messages.size(), 1u);  // the second crasher; the first was told in a lost process
    EXPECT_EQ(script.messages[0].caption, "Failed VST added to Ignore list!");

    // Another full scan rebuilds the IDs and keeps the ignore list: nothing crashes, nothing told.
    database.scan(folder.string(), false, VstManager::probePlugin);
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

    EXPECT_DEATH(database.scan(folder.string(), true, VstManager::probePlugin), "");
    EXPECT_EQ(entry("Adding VST"), std::string(ScanDatabase::kKeyedMarker) + "Killer");
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed(script);
    database.scan(folder.string(), true, VstManager::probePlugin);
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
        return VstManager::probePlugin(path);
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
    EXPECT_EQ(rig.instrument(), nullptr);
    EXPECT_EQ(rig.databaseEntry(0x56744D6F), rig.folder.path() + sep + "Mono" + kExt);
    EXPECT_EQ(rig.databaseEntry(0x56745379), "<none>");  // the full scan started over
    EXPECT_FALSE(rig.manager->testGate().isHeld());
}

}  // namespace
