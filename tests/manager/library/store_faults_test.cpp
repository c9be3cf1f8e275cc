// Stores under bad conditions: damaged, unreadable, too large, not files at all, and settings
// whose folders are gone. Nothing that was there is lost, nothing grows without end, nothing
// lands in the current folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "manager/library/config_file.h"
#include "manager/library/settings.h"
#include "platform/platform.h"
#include "platform/user_services.h"
#include "tests/support/test_support.h"

using namespace vexlo::library;
using vexlo::test::readFile;
using vexlo::test::TempFolder;
using vexlo::test::writeFile;
namespace fs = std::filesystem;

namespace {

class StoreFaults : public ::testing::Test {
protected:
    // A store with two records, as Vexlo VM writes it.
    std::string goodStore() {
        ConfigFile made(folder.file("made.vIni"));
        made.write("VST Directory", folder.path(), true);
        made.write("Auto GUI", "Yes", false);
        return readFile(made.path());
    }
    std::size_t told(const std::string& caption) const {
        std::size_t n = 0;
        for (const auto& m : script.messages) n += m.caption == caption;
        return n;
    }

    TempFolder folder;
    std::string path = folder.file("Vexlo VM.vIni");
    ConfigFile store{path};
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed{script};
};

TEST_F(StoreFaults, ADamagedStoreIsSetAsideAndMadeAnewWithTheRecordsThatFit) {
    const std::string good = goodStore();
    // Garbage, a file cut inside its last value, a cut header, an empty file.
    const std::string cases[] = {"garbage\x01\x02 not a store", good.substr(0, good.size() - 20), good.substr(0, 25), ""};
    for (const std::string& bytes : cases) {
        fs::remove_all(folder.path());
        fs::create_directories(folder.path());
        writeFile(path, bytes);
        ASSERT_TRUE(store.write("Skin", "Blue", false));
        EXPECT_EQ(readFile(path + ".damaged"), bytes);  // kept as it was
        EXPECT_EQ(store.read("Skin"), "Blue");
        // Loads do not grow it: the store parses now.
        const std::size_t size = readFile(path).size();
        for (int i = 0; i < 5; ++i) store.write("Skin", "Blue", false);
        EXPECT_EQ(readFile(path).size(), size);
        EXPECT_FALSE(fs::exists(path + ".damaged2"));
    }
    // The cut store keeps its first, whole record.
    fs::remove_all(folder.path());
    fs::create_directories(folder.path());
    writeFile(path, good.substr(0, good.size() - 20));
    EXPECT_EQ(store.read("VST Directory"), folder.path());
    EXPECT_EQ(store.read("Auto GUI"), std::nullopt);
    // Told the first time only: a person is not asked to read the same line at every start.
    EXPECT_EQ(told("Damaged file set aside and made anew!"), 1u);
}

TEST_F(StoreFaults, AStoreThatCannotBeReadIsNeverWrittenAndTheUserIsToldOnce) {
    // A folder where the file should be, and a file larger than any store.
    fs::create_directories(path);
    EXPECT_FALSE(store.write("Skin", "Blue", false));
    EXPECT_FALSE(store.write("Skin", "Red", false));
    EXPECT_EQ(store.read("Skin"), std::nullopt);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(told("Can't read this file: nothing is written to it!"), 1u);

    const std::string big = folder.file("big.vIni");
    const std::string head = goodStore();
    writeFile(big, head);
    fs::resize_file(big, ConfigFile::kMaxBytes + 1);
    ConfigFile large(big);
    EXPECT_FALSE(large.write("Skin", "Blue", false));
    EXPECT_EQ(fs::file_size(big), ConfigFile::kMaxBytes + 1);
    EXPECT_EQ(readFile(big).substr(0, head.size()), head);
}

TEST_F(StoreFaults, SettingsWhoseFoldersAreGoneAskAgainAndNothingLandsInTheCurrentFolder) {
    const char sep = vexlo::platform::pathSeparator();
    fs::create_directories(folder.file("vst"));
    // A folder cut in the middle, one without its separator, and one that is gone.
    store.write("VST Directory", folder.file("vs"), true);
    store.write("FXPs Directory", folder.file("vst"), true);
    store.write("FXBs Directory", folder.file("gone") + sep, true);
    store.write("MIDI VSTs Directory", folder.file("vst") + sep, true);
    script.folders = {folder.file("vst"), ""};
    const fs::path before = fs::current_path();
    TempFolder elsewhere;
    fs::current_path(elsewhere.path());
    ManagerSettings settings;
    settings.load(store);
    fs::current_path(before);
    EXPECT_EQ(settings.vstFolder, folder.file("vst") + sep);           // asked again
    EXPECT_EQ(settings.fxpFolder, folder.file("vst") + sep);           // the separator added
    EXPECT_EQ(settings.fxbFolder, "");                                 // asked, cancelled
    EXPECT_EQ(settings.scanDatabasePath, folder.file("vst") + sep + "Vexlo VST Scan.vIni");
    EXPECT_EQ(store.read("VST Directory"), folder.file("vst") + sep);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));

    // Without a plug-in folder there is no scan database at all, and no file is made anywhere.
    fs::remove_all(folder.file("vst"));
    script.folders = {""};
    fs::current_path(elsewhere.path());
    ManagerSettings none;
    none.load(store);
    ConfigFile(none.scanDatabasePath).write("1234", "x", true);
    ConfigFile("Vexlo VST Scan.vIni").write("1234", "x", true);
    fs::current_path(before);
    EXPECT_EQ(none.scanDatabasePath, "");
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

}  // namespace
