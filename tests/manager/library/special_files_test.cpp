// POSIX only: stores that are pipes, links to devices, or files this user may not read.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "manager/library/config_file.h"
#include "platform/user_services.h"
#include "tests/support/manager_rig.h"
#include "tests/support/test_support.h"

using vexlo::library::ConfigFile;
using vexlo::test::readFile;
using vexlo::test::TempFolder;
namespace fs = std::filesystem;

namespace {

TEST(SpecialFiles, APipeOrADeviceInPlaceOfAStoreIsNeitherReadNorWritten) {
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed(script);
    TempFolder folder;
    const std::string pipe = folder.file("Vexlo VM.vIni");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ConfigFile piped(pipe);
    EXPECT_EQ(piped.read("VST Directory"), std::nullopt);  // returns: no reader waits on the pipe
    EXPECT_FALSE(piped.write("VST Directory", "/x/", true));

    const std::string zero = folder.file("Vexlo VST Scan.vIni");
    fs::create_symlink("/dev/zero", zero);
    ConfigFile endless(zero);
    EXPECT_EQ(endless.read("1234"), std::nullopt);  // not read until the memory runs out
    EXPECT_FALSE(endless.write("1234", "/x/", true));
    EXPECT_TRUE(fs::is_symlink(zero));
    EXPECT_EQ(script.messages.size(), 2u);
}

TEST(SpecialFiles, AStoreThisUserMayNotReadIsNeverTruncated) {
    TempFolder folder;
    const std::string path = folder.file("Vexlo VM.vIni");
    {
        ConfigFile made(path);
        for (int i = 0; i < 40; ++i) made.write("Key " + std::to_string(i), folder.path(), true);
    }
    const std::string before = readFile(path);
    ASSERT_EQ(chmod(path.c_str(), 0222), 0);  // anyone may write it, nobody read it
    ASSERT_EQ(chmod(folder.path().c_str(), 0777), 0);
    // Root reads anything: the check runs as a user without that power.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        vexlo::platform::ScriptedUserServices script;
        vexlo::platform::ScopedUserServices installed(script);
        ConfigFile store(path);
        const bool wrote = store.write("Key 1", "/elsewhere/", true) || store.write("New", "x", false);
        const bool read = store.read("Key 1").has_value();
        _exit(wrote || read ? 1 : (script.messages.size() == 1 ? 0 : 2));
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    chmod(path.c_str(), 0600);
    EXPECT_EQ(readFile(path), before);
}

// Opening a pipe for writing waits for a reader that may never come: a preset is written only
// to a regular file, or a new one, and the person is told why not.
TEST(SpecialFiles, PresetsAreNeverWrittenIntoAPipe) {
    vexlo::test::ManagerRig rig;
    rig.loadInstrument("test-rate-at-open");  // 3 programs
    const std::string pipe = rig.folder.path() + "/Pipe.fxp";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    rig.script.files.push_back(pipe);
    EXPECT_TRUE(rig.manager->saveProgram(true));
    rig.script.files.push_back(pipe);
    rig.script.answers.push_back(false);  // Continue asking filenames? No
    rig.manager->extractPrograms();
    int refusals = 0;
    for (const auto& m : rig.script.messages)
        if (m.kind == "report" && m.caption == "Error creating file!") {
            EXPECT_EQ(m.text, "Pipe is no regular file: nothing was written to it.");
            ++refusals;
        }
    EXPECT_EQ(refusals, 2);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::exists(rig.folder.path() + "/Program 1.fxp"));  // the other programs are extracted
}

}  // namespace

// A system-wide install: nobody but root may write the folder of Vexlo VM's library (here the
// test program's). Started by another user with an empty home, Vexlo VM keeps its settings in
// that user's settings folder, asks for its four folders once, and writes nothing beside the
// library; the scan database of a plug-in folder nobody may write goes there too.
TEST(SpecialFiles, BesideALibraryNobodyMayWriteTheSettingsLiveInTheUsersFolder) {
    if (geteuid() != 0) GTEST_SKIP() << "a user without root's power to write anything is made by dropping root";
    const std::string own = vexlo::platform::ownLibraryPath();
    const std::string beside = ConfigFile::pathBeside(own);
    const bool besideBefore = fs::exists(beside);
    TempFolder root;
    ASSERT_EQ(chmod(root.path().c_str(), 0777), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        const std::string home = root.path() + "/home", folders = root.path() + "/music/";
        if (mkdir(home.c_str(), 0700) != 0 || mkdir(folders.c_str(), 0755) != 0) _exit(4);
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        const std::string expected = home + "/.config/vexlo/" + beside.substr(beside.find_last_of('/') + 1);
        if (ConfigFile::defaultPath() != expected) _exit(5);
        int asked[2] = {0, 0};
        for (int start = 0; start < 2; ++start) {
            vexlo::platform::ScriptedUserServices script;
            vexlo::platform::ScopedUserServices installed(script);
            for (int i = 0; i < 4; ++i) script.folders.push_back(start == 0 ? folders : "");
            // At the second start the plug-in folder cannot be written either (the system's, say):
            // its scan database lives beside the settings.
            if (start == 1 && chmod(folders.c_str(), 0555) != 0) _exit(7);
            {
                vexlo::manager::VstManager vm([](AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) -> VstIntPtr { return 0; });
                if (vm.settings().vstFolder != folders) _exit(6);
                const std::string database = start == 0 ? folders : home + "/.config/vexlo/";
                if (vm.settings().scanDatabasePath != database + "Vexlo VST Scan.vIni") _exit(10);
            }
            for (const auto& message : script.messages) asked[start] += message.kind == "folder";
        }
        if (asked[0] != 4 || asked[1] != 0) _exit(8);
        const vexlo::library::ConfigFile settings(expected);
        if (settings.read("VST Directory") != folders) _exit(9);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3 drop, 4 folders, 5 path, 6 folder, 7 chmod, 8 asked, 9 kept, 10 database";
    EXPECT_EQ(fs::exists(beside), besideBefore) << "something was written beside the library";
}
