// The operating-system layer, on whichever platform the tests run.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "platform/platform.h"
#include "platform/user_services.h"
#include "tests/support/test_support.h"

namespace platform = vexlo::platform;
using vexlo::test::TempFolder;

namespace {

TEST(Platform, ListsAFolderByWildcardWithoutCaseAndWithFolderFlags) {
    TempFolder folder;
    vexlo::test::writeFile(folder.file("a.txt"), "a");
    vexlo::test::writeFile(folder.file("b.TXT"), "b");
    vexlo::test::writeFile(folder.file("c.txt.bak"), "c");
    std::filesystem::create_directory(folder.file("sub.txt"));

    auto entries = platform::listDirectory(folder.path(), "*.txt");
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_FALSE(entries[0].isFolder);
    EXPECT_EQ(entries[1].name, "b.TXT");
    EXPECT_EQ(entries[2].name, "sub.txt");
    EXPECT_TRUE(entries[2].isFolder);

    auto all = platform::listDirectory(folder.path());
    EXPECT_EQ(all.size(), 4u);  // never "." or ".."
    EXPECT_TRUE(platform::listDirectory(folder.file("missing")).empty());
}

TEST(Platform, DeletesFiles) {
    TempFolder folder;
    std::string file = folder.file("x.bin");
    vexlo::test::writeFile(file, "x");
    EXPECT_TRUE(platform::fileExists(file));
    EXPECT_TRUE(platform::deleteFile(file));
    EXPECT_FALSE(platform::fileExists(file));
    EXPECT_FALSE(platform::deleteFile(file));
    EXPECT_FALSE(platform::fileExists(folder.path()));  // a folder is not a file
}

TEST(Platform, KnowsItsOwnModule) {
    std::string own = platform::ownLibraryPath();
    EXPECT_NE(own.find("vexlo_tests"), std::string::npos) << own;
    EXPECT_NE(platform::moduleHandle(), nullptr);
}

TEST(Platform, LibrariesThatAreNotThereGiveNull) {
    EXPECT_EQ(platform::loadLibrary(vexlo::test::pluginPath("missing-library")), nullptr);
    EXPECT_EQ(platform::findSymbol(nullptr, "main"), nullptr);
    platform::releaseLibrary(nullptr);
}

TEST(Platform, LoadsALibraryAndFindsItsExports) {
    auto library = platform::loadLibrary(vexlo::test::pluginPath("frame-probe"));
    ASSERT_NE(library, nullptr);
    EXPECT_NE(platform::findSymbol(library, "VSTPluginMain"), nullptr);
    EXPECT_EQ(platform::findSymbol(library, "createEffectInstance"), nullptr);  // nothing else is exported
    platform::releaseLibrary(library);
}

TEST(Platform, SleepsAndCountsMilliseconds) {
    // The system's tick count may move in steps of 10 to 20 ms: only a coarse check.
    std::uint32_t before = platform::tickCount();
    platform::sleepMs(100);
    std::uint32_t elapsed = platform::tickCount() - before;
    EXPECT_GE(elapsed, 50u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Platform, StartsThreads) {
    static std::atomic<int> ran{0};
    ran = 0;
    static int seven = 7;
    ASSERT_TRUE(platform::startThread([](void* value) { ran = *static_cast<int*>(value); }, &seven));
    for (int i = 0; i < 500 && ran == 0; ++i) platform::sleepMs(2);
    EXPECT_EQ(ran, 7);
}

TEST(UserServices, ScriptedServicesAnswerInOrderAndRecordEveryMessage) {
    platform::ScriptedUserServices script;
    script.answers = {true, false};
    script.files = {"/tmp/a.dll"};
    script.folders = {"/plugins"};
    {
        platform::ScopedUserServices installed(script);
        auto& services = platform::userServices();
        services.report("Error creating file!", "Error!");
        EXPECT_TRUE(services.ask("Replace?", "Warning!"));
        EXPECT_FALSE(services.ask("Again?", "Warning!"));
        EXPECT_FALSE(services.ask("Once more?", "Warning!"));  // the script ran out: No
        platform::FileRequest request;
        request.title = "Load VST";
        request.extension = "dll";
        EXPECT_EQ(services.chooseFile(request), "/tmp/a.dll");
        EXPECT_EQ(services.chooseFile(request), "");
        EXPECT_EQ(services.chooseFolder("Select the VST files folder", ""), "/plugins");
        EXPECT_EQ(services.chooseFolder("Select", ""), "");
    }
    EXPECT_EQ(&platform::userServices(), &platform::systemUserServices());
    ASSERT_EQ(script.messages.size(), 8u);
    EXPECT_EQ(script.messages[0].kind, "report");
    EXPECT_EQ(script.messages[0].text, "Error creating file!");
    EXPECT_EQ(script.messages[0].caption, "Error!");
    EXPECT_EQ(script.messages[1].kind, "ask");
    EXPECT_EQ(script.messages[6].text, "Select the VST files folder");
    EXPECT_EQ(script.fileRequests.at(0).extension, "dll");
}

}  // namespace
