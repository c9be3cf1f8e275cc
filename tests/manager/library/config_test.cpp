// The configuration store, the path helpers and the manager's settings, on real files.
#include <gtest/gtest.h>

#include <filesystem>

#include <string>

#include "manager/library/config_file.h"
#include "manager/library/path_utils.h"
#include "manager/library/settings.h"
#include "platform/platform.h"
#include "platform/user_services.h"
#include "tests/support/test_support.h"

using namespace vexlo::library;
using vexlo::platform::ScriptedUserServices;
using vexlo::platform::ScopedUserServices;
using vexlo::test::readFile;
using vexlo::test::TempFolder;
using vexlo::test::writeFile;

namespace {

const std::string kLineEnd = vexlo::platform::textLineEnd();

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// The bytes every store starts with: header line and filler, with their terminating zeros.
std::string storeHead(const std::string& lineEnd = kLineEnd) {
    return "[Configuration File]" + blanks(19) + lineEnd + std::string(1, '\0') + blanks(39) + std::string(1, '\0');
}

std::string record(const std::string& key, const std::string& field, const std::string& lineEnd = kLineEnd) {
    return lineEnd + key + blanks(39 - key.size()) + lineEnd + field;
}

class ConfigTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("Vexlo VM.vIni");
    ConfigFile store{path};
    ScriptedUserServices script;
    ScopedUserServices installed{script};
};

// ---- The store, byte for byte ----

TEST_F(ConfigTest, AFirstWriteCreatesTheFileAndALongField) {
    ASSERT_TRUE(store.write("Auto GUI", "Yes", true));
    EXPECT_EQ(readFile(path), storeHead() + record("Auto GUI", "Yes" + blanks(1020)));
    EXPECT_EQ(store.read("Auto GUI"), "Yes");

    ASSERT_TRUE(store.write("Auto GUI", "No", true));
    EXPECT_EQ(readFile(path), storeHead() + record("Auto GUI", "No" + blanks(1021)));
    EXPECT_EQ(store.read("Auto GUI"), "No");
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(ConfigTest, NumbersAreStoredAsPercentF) {
    ASSERT_TRUE(store.write("WinSizeLeft", 1.0, false));
    ASSERT_TRUE(store.write("WinSizeTop", 100, false));
    EXPECT_EQ(readFile(path), storeHead() + record("WinSizeLeft", "1.000000" + blanks(31)) +
                                  record("WinSizeTop", "100.000000" + blanks(29)));
    EXPECT_EQ(store.read("WinSizeTop"), "100.000000");
    EXPECT_EQ(store.readNumber("WinSizeTop"), 100);
    EXPECT_EQ(store.readNumber("WinSizeLeft"), 1);
    EXPECT_EQ(store.readNumber("Missing"), std::nullopt);
}

TEST_F(ConfigTest, ValuesReadBackWhole) {
    const std::string path40 = "/plugins/instruments/analogue/bass/xy.so";  // 40 characters
    ASSERT_EQ(path40.size(), 40u);
    const std::string path1022(1022, 'p');
    ASSERT_TRUE(store.write("Instrument", path40, true));
    ASSERT_TRUE(store.write("Longest", path1022, true));
    ASSERT_TRUE(store.write("Word", std::string(39, 'w'), false));
    EXPECT_EQ(store.read("Instrument"), path40);
    EXPECT_EQ(store.read("Longest"), path1022);  // the last record, ending with the file
    EXPECT_EQ(store.read("Word"), std::string(39, 'w'));
}

TEST_F(ConfigTest, ReadsFindNothingWithoutChangingAnything) {
    EXPECT_EQ(store.read("VST Directory"), std::nullopt);
    EXPECT_FALSE(vexlo::platform::fileExists(path));  // a read creates nothing
    writeFile(path, storeHead());
    EXPECT_EQ(store.read("VST Directory"), std::nullopt);
    EXPECT_EQ(readFile(path), storeHead());
}

TEST_F(ConfigTest, TheFirstOfTwoRecordsCounts) {
    writeFile(path, storeHead() + record("Skin", "Dark" + blanks(35)) + record("Skin", "Light" + blanks(34)));
    EXPECT_EQ(store.read("Skin"), "Dark");
    ASSERT_TRUE(store.write("Skin", "Blue", false));
    EXPECT_EQ(readFile(path), storeHead() + record("Skin", "Blue" + blanks(35)) + record("Skin", "Light" + blanks(34)));
}

TEST_F(ConfigTest, AStoreFromWindowsReadsTheSameEverywhere) {
    const std::string crlf = "\r\n", lf = "\n";
    for (const std::string& ending : {crlf, lf}) {
        writeFile(path, storeHead(ending) + record("VST Directory", "C:\\VST\\" + blanks(1016), ending) +
                            record("WinSizeLeft", "50.000000" + blanks(30), ending));
        EXPECT_EQ(store.read("VST Directory"), "C:\\VST\\");
        EXPECT_EQ(store.readNumber("WinSizeLeft"), 50);
    }
}

TEST_F(ConfigTest, RefusedWritesLeaveTheFileAsItWas) {
    ASSERT_TRUE(store.write("Short", "abc", false));
    ASSERT_TRUE(store.write("Other", "keep me", false));
    const std::string before = readFile(path);

    const std::string key40(40, 'k');
    EXPECT_FALSE(store.write(key40, "x", false));
    EXPECT_EQ(store.read(key40), std::nullopt);
    EXPECT_FALSE(store.write("Short", std::string(40, 'x'), false));  // longer than its field
    EXPECT_FALSE(store.write("Short", "two\nlines", false));
    EXPECT_FALSE(store.write("Bad\nKey", "x", false));
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(store.read("Other"), "keep me");

    // A value that fits its field replaces it exactly.
    ASSERT_TRUE(store.write("Short", std::string(39, 'y'), false));
    EXPECT_EQ(readFile(path).size(), before.size());
    EXPECT_EQ(store.read("Other"), "keep me");
}

TEST_F(ConfigTest, AValueLongerThanANewFieldIsWrittenWhole) {
    const std::string long45(45, 'v');
    ASSERT_TRUE(store.write("Long", long45, false));
    EXPECT_EQ(readFile(path), storeHead() + record("Long", long45 + blanks(6)));
    EXPECT_EQ(store.read("Long"), long45);
}


// Other programs end a text file with a line end. A record appended after it must not leave an
// empty line behind, which would make the store unreadable and lose every record in it.
TEST_F(ConfigTest, ANewRecordAfterAFinalLineEndKeepsEveryOtherRecord) {
    for (const std::string& ending : {std::string("\n"), std::string("\r\n")}) {
        writeFile(path, storeHead(ending) + record("Skin", "Dark" + blanks(35), ending) + ending);
        ASSERT_TRUE(store.write("FXPs Directory", "/presets/", true));
        EXPECT_EQ(store.read("FXPs Directory"), "/presets/");
        EXPECT_EQ(store.read("Skin"), "Dark");
        ASSERT_TRUE(store.write("Auto GUI", "Yes", true));
        EXPECT_EQ(store.records().size(), 3u);
    }
    EXPECT_TRUE(script.messages.empty()) << script.messages.front().text;

    // The fuzzer's find: a filler line of zeros, dots and blanks that ends with a line end.
    const std::string found = "[Configuration File]" + blanks(19) + "\n" + std::string(1, '\0') + blanks(7) +
                              std::string(24, '.') + blanks(46) + "*" + blanks(34) + ":" + blanks(6) +
                              std::string(1, '\0') + "\n";
    writeFile(path, found);
    ASSERT_TRUE(store.write("FXPs Directory", "/presets/", true));
    EXPECT_EQ(store.read("FXPs Directory"), "/presets/");
    EXPECT_EQ(readFile(path).substr(0, found.size()), found);
}
TEST_F(ConfigTest, AStoreThatCannotBeCreatedIsReported) {
    ConfigFile nowhere(folder.file("missing-folder/Vexlo VM.vIni"));
    EXPECT_FALSE(nowhere.write("Auto GUI", "Yes", true));
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].kind, "report");
    EXPECT_EQ(script.messages[0].text, nowhere.path());
    EXPECT_EQ(script.messages[0].caption, "Fatal Error: can't create Config.vIni file!");
}

TEST(ConfigDefault, TheDefaultStoreSitsBesideOurOwnLibrary) {
    std::string own = vexlo::platform::ownLibraryPath();
    std::string expected = own.substr(0, own.find_last_of('.')) + ".vIni";
    EXPECT_EQ(ConfigFile::defaultPath(), expected);
    EXPECT_EQ(ConfigFile().path(), expected);
}

// Run as a user who may not write beside the test program (the read-only install tests, also
// under wine): the settings go to the user's settings folder, the four folders are asked for
// once, a second start finds them there, and nothing is written beside the program.
TEST(ConfigDefault, WhereNothingMayBeWrittenBesideTheLibraryTheUsersFolderServes) {
    const std::string own = vexlo::platform::ownLibraryPath();
    const std::string beside = ConfigFile::pathBeside(own);
    if (vexlo::platform::canWrite(own.substr(0, own.find_last_of("\\/") + 1)))
        GTEST_SKIP() << "this user may write beside the test program";
    const std::string user = vexlo::platform::userSettingsFolder();
    ASSERT_FALSE(user.empty());
    const std::string path = ConfigFile::defaultPath();
    EXPECT_EQ(path, user + beside.substr(beside.find_last_of("\\/") + 1));
    int asked[2] = {0, 0};
    for (int start = 0; start < 2; ++start) {
        ScriptedUserServices script;
        ScopedUserServices installed(script);
        for (int i = 0; i < 4; ++i) script.folders.push_back(start == 0 ? user : "");
        ManagerSettings settings;
        settings.load(ConfigFile());
        EXPECT_EQ(settings.vstFolder, user);
        for (const auto& message : script.messages) asked[start] += message.kind == "folder";
    }
    EXPECT_EQ(asked[0], 4);
    EXPECT_EQ(asked[1], 0) << "asked again";
    EXPECT_EQ(ConfigFile::defaultPath(), path);
    EXPECT_FALSE(vexlo::platform::fileExists(beside));
}

// ---- Helpers ----

TEST_F(ConfigTest, GetNCharsCutsAndRefuses) {
    EXPECT_EQ(GetNChars("abc  ", 0, 5, true), "abc");
    EXPECT_EQ(GetNChars("abc  ", 0, 5, false), "abc  ");
    EXPECT_EQ(GetNChars("     ", 0, 5, true), "     ");
    EXPECT_EQ(GetNChars("abcdef", 2, 3, true), "cde");
    EXPECT_TRUE(script.messages.empty());

    EXPECT_EQ(GetNChars("abc", 1, 5, true), "");
    EXPECT_EQ(GetNChars(nullptr, 0, 1, true), "");
    EXPECT_EQ(GetNChars("abc", 0, 1020, true), "");
    ASSERT_EQ(script.messages.size(), 3u);
    EXPECT_EQ(script.messages[0].text, "abc");
    EXPECT_EQ(script.messages[0].caption, "GetNChars - Len(Input) < Start plus Times!");
    EXPECT_EQ(script.messages[1].caption, "GetNChars - Blank Input!");
    EXPECT_EQ(script.messages[2].caption, "GetNChars - Too Long Input!");
}

TEST_F(ConfigTest, PathPieces) {
    const std::string preset = "C:\\Presets\\Bass.fxp";
    EXPECT_EQ(baseName(preset), "Bass");
    EXPECT_EQ(fileName(preset), "Bass.fxp");
    EXPECT_EQ(extension(preset), "fxp");
    EXPECT_TRUE(hasExtension(preset));
    EXPECT_EQ(vexlo::library::folder(preset), vexlo::platform::pathsIgnoreCase() ? "C:\\PRESETS\\" : "C:\\Presets\\");
    EXPECT_EQ(vexlo::library::folder("/home/me/Presets/Bass.fxp"),
              vexlo::platform::pathsIgnoreCase() ? "/HOME/ME/PRESETS/" : "/home/me/Presets/");
    EXPECT_EQ(vexlo::library::folder("C:\\Presets\\"), "C:\\Presets");  // a folder loses its final separator
    EXPECT_EQ(vexlo::library::folder("C:\\Presets"), "C:\\Presets");    // no dot: a folder already
    EXPECT_EQ(baseName("/usr/lib/vst/amsynth_vst.so"), "amsynth_vst");
    EXPECT_EQ(baseName("Makefile"), "Makefile");
    EXPECT_EQ(extension("/a.b/file"), "");
    EXPECT_FALSE(hasExtension("README"));
    EXPECT_EQ(upperCase("Vexlo vm 1.0"), "VEXLO VM 1.0");
    EXPECT_TRUE(script.messages.empty());

    const std::string tooLong(9021, 'x');
    EXPECT_EQ(fileName(tooLong), "");
    EXPECT_EQ(vexlo::library::folder(tooLong + ".fxp"), "");
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[0].caption, "Path Too Long!");
    EXPECT_EQ(script.messages[0].text, tooLong);
}

TEST_F(ConfigTest, ReportUsesTheBangCaptionByDefault) {
    report("Done");
    EXPECT_EQ(script.messages.at(0).caption, "!");
}

TEST_F(ConfigTest, CreateFileAsksBeforeReplacing) {
    const std::string file = folder.file("Bass.fxp");
    std::FILE* fresh = createFile(file, "wb");
    ASSERT_NE(fresh, nullptr);
    std::fputs("old", fresh);
    std::fclose(fresh);
    EXPECT_TRUE(script.messages.empty());

    script.answers = {false, true};
    EXPECT_EQ(createFile(file, "wb"), nullptr);
    EXPECT_EQ(readFile(file), "old");
    std::FILE* replaced = createFile(file, "wb");
    ASSERT_NE(replaced, nullptr);
    std::fclose(replaced);
    EXPECT_EQ(readFile(file), "");
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[0].kind, "ask");
    EXPECT_EQ(script.messages[0].text, "Bass");
    EXPECT_EQ(script.messages[0].caption, "File already exist, replace?");

    EXPECT_EQ(createFile(folder.file("no-such-folder/Lead.fxp"), "wb"), nullptr);
    EXPECT_EQ(script.messages.back().text, "Lead");
    EXPECT_EQ(script.messages.back().caption, "Error creating file!");
}

TEST_F(ConfigTest, FileSearchFindsFilesByPattern) {
    writeFile(folder.file("a.fxp"), "");
    writeFile(folder.file("b.fxb"), "");
    auto found = fileSearch(folder.path(), "*.fxp");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "a.fxp");
}

// ---- The manager's settings ----

TEST_F(ConfigTest, AFirstStartAsksForTheFourFoldersInOrderAndSavesThem) {
    const char sep = vexlo::platform::pathSeparator();
    const std::string root(1, sep);
    for (const char* name : {"vst", "fxp", "fxb"}) std::filesystem::create_directories(folder.file(name));
    script.folders = {folder.file("vst"), folder.file("fxp") + sep, folder.file("fxb"), root};
    ManagerSettings settings;
    settings.load(store);

    ASSERT_EQ(script.messages.size(), 4u);
    EXPECT_EQ(script.messages[0].text, "Vexlo VM - Select the VST files folder");
    EXPECT_EQ(script.messages[1].text, "Vexlo VM - Select the FXP files folder");
    EXPECT_EQ(script.messages[2].text, "Vexlo VM - Select the FXB files folder");
    EXPECT_EQ(script.messages[3].text, "Vexlo VM - Select the MIDI-VSTs files folder");
    for (const auto& m : script.messages) EXPECT_EQ(m.kind, "folder");

    EXPECT_EQ(settings.vstFolder, folder.file("vst") + sep);
    EXPECT_EQ(settings.fxpFolder, folder.file("fxp") + sep);  // already ended with one
    EXPECT_EQ(settings.midiVstFolder, root);                  // a root stays as it is
    EXPECT_EQ(settings.scanDatabasePath, folder.file("vst") + sep + "Vexlo VST Scan.vIni");
    EXPECT_EQ(settings.lastPresetFolder, settings.fxpFolder);
    EXPECT_EQ(settings.lastInstrumentPath, settings.vstFolder);
    EXPECT_EQ(store.read("VST Directory"), settings.vstFolder);
    EXPECT_EQ(store.read("FXBs Directory"), settings.fxbFolder);
    EXPECT_EQ(store.read("MIDI VSTs Directory"), root);

    // The next start reads them and asks nothing.
    ManagerSettings again;
    again.load(store);
    EXPECT_EQ(script.messages.size(), 4u);
    EXPECT_EQ(again.fxbFolder, settings.fxbFolder);
}

TEST_F(ConfigTest, ACancelledQuestionLeavesTheFolderEmptyAndWritesNothing) {
    std::filesystem::create_directories(folder.file("fxp"));
    script.folders = {"", folder.file("fxp")};
    ManagerSettings settings;
    settings.load(store);
    EXPECT_EQ(settings.vstFolder, "");
    EXPECT_EQ(settings.scanDatabasePath, "");  // never one in the current folder
    EXPECT_EQ(store.read("VST Directory"), std::nullopt);
    EXPECT_TRUE(store.read("FXPs Directory").has_value());
    EXPECT_EQ(store.read("FXBs Directory"), std::nullopt);
}

TEST_F(ConfigTest, TheBrowserRectangleHasDefaultsAndIsSavedInItsOrder) {
    writeFile(path, storeHead() + record("WinSizeLeft", "50.000000" + blanks(30)));
    script.folders = {};
    ManagerSettings settings;
    settings.load(store);
    EXPECT_EQ(settings.browser.left, 50);
    EXPECT_EQ(settings.browser.top, 100);
    EXPECT_EQ(settings.browser.right, 400);
    EXPECT_EQ(settings.browser.bottom, 400);

    TempFolder other;
    ConfigFile fresh(other.file("fresh.vIni"));
    settings.browser = {1, 2, 3, 4};
    settings.saveBrowserRectangle(fresh);
    EXPECT_EQ(readFile(fresh.path()), storeHead() + record("WinSizeLeft", "1.000000" + blanks(31)) +
                                          record("WinSizeRight", "3.000000" + blanks(31)) +
                                          record("WinSizeTop", "2.000000" + blanks(31)) +
                                          record("WinSizeBottom", "4.000000" + blanks(31)));
}

}  // namespace
