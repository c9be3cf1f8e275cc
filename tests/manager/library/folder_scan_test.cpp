// Scans of real folders of test plug-ins, each library probed in the helper program: probes at
// once give the database probes one at a time give, a rescan probes only what changed, and a
// stopped scan is completed by the next without probing anything twice.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>

#include "hosting/probe.h"
#include "manager/library/scan_database.h"
#include "platform/user_services.h"
#include "tests/support/test_support.h"

using namespace vexlo::test;
using vexlo::hosting::ProbeResult;
using vexlo::library::ConfigFile;
using vexlo::library::FolderScan;
using vexlo::library::ScanDatabase;
using vexlo::library::ScanOptions;
using vexlo::library::ScanStep;
using vexlo::library::ScanSummary;
namespace fs = std::filesystem;

namespace {

// A database's records, whatever their order.
std::multiset<std::string> recordsOf(const std::string& database) {
    std::multiset<std::string> records;
    for (const ConfigFile::Record& record : ConfigFile(database).records()) records.insert(record.key + "=" + record.value);
    return records;
}

class FolderScanRig {
public:
    FolderScanRig() {
        // Our test plug-ins, a library that crashes in its entry, one that segfaults as it is
        // probed and one that hangs there (killed at a short limit here).
        const char* const plugins[] = {"test-synth", "test-mono",      "test-midi-fx", "test-deaf", "test-unsure",
                                       "test-crash", "test-segfault", "test-hang",    "test-wide", "test-dump"};
        int n = 0;
        for (const char* plugin : plugins) place(plugin, (n++ % 3 == 0 ? "sub/" : "") + std::string(plugin) + "-copy");
    }
    std::string place(const std::string& plugin, const std::string& name) {
        const fs::path target = (fs::path(folder.path()) / (name + vexlo::platform::pluginExtension())).make_preferred();
        fs::create_directories(target.parent_path());
        fs::copy_file(pluginPath(plugin), target, fs::copy_options::overwrite_existing);
        return target.string();
    }
    ScanSummary scan(const std::string& database, bool onlyNew, int atOnce, const std::atomic<bool>* stop = nullptr,
                     const ScanDatabase::Progress& progress = {}) {
        ScanOptions options;
        options.probesAtOnce = atOnce;
        options.stop = stop;
        auto probe = [this](const std::string& path) {
            {
                std::lock_guard<std::mutex> hold(lock);
                probed.insert(path);
                ++probes;
            }
            return vexlo::hosting::probeInHelper(path, 3000).value_or(ProbeResult::failed());
        };
        return ScanDatabase(database).scan(folder.path(), onlyNew, probe, progress, options);
    }

    TempFolder folder, data;
    std::mutex lock;
    std::set<std::string> probed;
    int probes = 0;
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed{script};
};

TEST(FolderScan, ProbesAtOnceWriteTheDatabaseProbesOneAtATimeWrite) {
    FolderScanRig rig;
    const ScanSummary serial = rig.scan(rig.data.file("serial.vIni"), false, 1);
    const ScanSummary parallel = rig.scan(rig.data.file("parallel.vIni"), false, 4);
    EXPECT_EQ(readFile(rig.data.file("serial.vIni")), readFile(rig.data.file("parallel.vIni")));
    EXPECT_EQ(serial.found, 10);
    EXPECT_EQ(serial.fresh, 10);
    EXPECT_EQ(serial.ignored, 3) << "crash, segfault and hang";
    EXPECT_EQ(parallel.ignored, 3);
    EXPECT_TRUE(serial.completed && parallel.completed);
    EXPECT_EQ(ConfigFile(rig.data.file("parallel.vIni")).read("test-hang-copy"), "Ignore");
    EXPECT_EQ(ConfigFile(rig.data.file("parallel.vIni")).read("test-synth-copy"), "Ok");
}

TEST(FolderScan, ARescanProbesOnlyWhatChangedAndForgetsWhatWent) {
    FolderScanRig rig;
    const std::string database = rig.data.file("scan.vIni");
    rig.scan(database, false, 2);
    const std::string before = readFile(database);
    const std::string before_copy = rig.data.file("before.vIni");
    ASSERT_TRUE(writeFile(before_copy, before));

    for (bool onlyNew : {true, false}) {
        rig.probes = 0;
        const ScanSummary again = rig.scan(database, onlyNew, 2);
        EXPECT_EQ(rig.probes, 0) << (onlyNew ? "scan of new libraries" : "full scan");
        EXPECT_EQ(again.unchanged, 7);
        EXPECT_EQ(again.ignored, 3) << "ignored libraries stay ignored, unprobed";
        EXPECT_EQ(readFile(database), before) << "an unchanged folder leaves the database as it was";
        EXPECT_EQ(recordsOf(database), recordsOf(before_copy)) << (onlyNew ? "scan of new libraries" : "full scan");
    }

    // One library written anew, one gone, one new.
    const std::string synth = rig.place("test-mono", "sub/test-synth-copy");
    fs::remove(fs::path(rig.folder.path()) / (std::string("test-midi-fx-copy") + vexlo::platform::pluginExtension()));
    const std::string fresh = rig.place("test-synth", "new-synth");
    rig.probed.clear();
    rig.probes = 0;
    const ScanSummary changed = rig.scan(database, true, 2);
    EXPECT_EQ(rig.probed, (std::set<std::string>{synth, fresh}));
    EXPECT_EQ(changed.changed, 1);
    EXPECT_EQ(changed.fresh, 1);
    const ScanDatabase scanned(database);
    EXPECT_EQ(scanned.findPluginPath(1450462575), synth) << "test-mono's ID, now in the rewritten library";
    EXPECT_EQ(scanned.findPluginPath(1450464121), fresh) << "test-synth's, now only in the new one";
    EXPECT_EQ(scanned.findPluginPath(fourCharCode('V', 't', 'M', 'x')), std::nullopt) << "the MIDI effect went";
    EXPECT_EQ(ConfigFile(database).read("test-midi-fx-copy"), std::nullopt);
    EXPECT_EQ(ConfigFile(database).read(FolderScan::stampKey(synth)), FolderScan::stampOf(synth));
}

TEST(FolderScan, AStoppedScanIsCompletedByTheNextWithNothingProbedTwice) {
    for (int atOnce : {1, 2}) {
        FolderScanRig rig;
        const std::string database = rig.data.file("scan.vIni");
        std::atomic<bool> stop{false};
        std::vector<ScanStep> steps;
        const ScanSummary stopped = rig.scan(database, false, atOnce, &stop, [&](const ScanStep& step) {
            steps.push_back(step);
            if (step.number == 4) stop = true;
        });
        EXPECT_FALSE(stopped.completed);
        EXPECT_LT(rig.probes, 10);
        ASSERT_GE(steps.size(), 2u);
        EXPECT_EQ(steps[0].number, 1);
        EXPECT_EQ(steps[0].total, 10);
        EXPECT_EQ(steps.back().name, "") << "the end is told too";
        EXPECT_EQ(ConfigFile(database).read("Completed Scan"), std::nullopt);

        const std::set<std::string> first = rig.probed;
        rig.probed.clear();
        const int before = rig.probes;
        const ScanSummary rest = rig.scan(database, true, atOnce);
        EXPECT_TRUE(rest.completed);
        EXPECT_EQ(rig.probes - before + static_cast<int>(first.size()), 10) << "with " << atOnce << " at once";
        for (const std::string& path : rig.probed) EXPECT_EQ(first.count(path), 0u) << path << " probed twice";
        EXPECT_EQ(ConfigFile(database).read("Completed Scan"), "Yes");
    }
}

}  // namespace
