// Which skin is in force and what its files say, with real skin folders in a temporary folder,
// and the Default skin the build puts beside Vexlo VM.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "manager/editor/skin.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

using namespace vexlo;

namespace {

struct SkinFolder {
    SkinFolder() : skins(manager::skinsFolder(root.path() + platform::pathSeparator())) {
        std::filesystem::create_directories(skins);
    }
    void write(const std::string& relative, const std::string& text) const {
        std::ofstream(skins + relative, std::ios::binary) << text;
    }
    void makeSkin(const std::string& name, bool withBackground) const {
        std::filesystem::create_directories(skins + name);
        if (withBackground) write(name + sep() + "Background.bmp", "BM");
    }
    static std::string sep() { return std::string(1, platform::pathSeparator()); }
    test::TempFolder root;
    std::string skins;
};

}  // namespace

TEST(Skin, CurrentTxtNamesTheSkinOnlyExactlyAndOnlyWithItsBackground) {
    SkinFolder folder;
    EXPECT_EQ(manager::currentSkinName(folder.skins), "Default");  // no Current.txt
    folder.makeSkin("Dark", true);
    folder.makeSkin("Empty", false);
    folder.write("Current.txt", "Dark");
    EXPECT_EQ(manager::currentSkinName(folder.skins), "Dark");
    folder.write("Current.txt", "Dark\n");  // the line end belongs to the name
    EXPECT_EQ(manager::currentSkinName(folder.skins), "Default");
    folder.write("Current.txt", "Empty");  // no Background.bmp
    EXPECT_EQ(manager::currentSkinName(folder.skins), "Default");
    folder.write("Current.txt", "..");
    EXPECT_EQ(manager::currentSkinName(folder.skins), "Default");
}

TEST(Skin, AMissingFileLeavesItsPartAloneAndADamagedOneReadsZero) {
    SkinFolder folder;
    folder.makeSkin("Dark", true);
    folder.write("Current.txt", "Dark");
    folder.write("Dark" + SkinFolder::sep() + "MinWidth.txt", "500\n");
    folder.write("Dark" + SkinFolder::sep() + "Positions.txt", "a\nb\n" + std::string(34, ' ') + "001 002\n");
    const manager::SkinSettings skin = manager::readCurrentSkin(folder.skins);
    EXPECT_EQ(skin.name, "Dark");
    EXPECT_EQ(skin.minWidth, 500);
    EXPECT_FALSE(skin.barHeight);
    EXPECT_FALSE(skin.colours);
    ASSERT_TRUE(skin.positions);
    ASSERT_TRUE(skin.positions->rects[0]);
    EXPECT_EQ(skin.positions->rects[0]->left, 1);
    EXPECT_EQ(skin.positions->rects[0]->right, 0);  // past the line's end
    EXPECT_EQ(skin.positions->damagedFields, 2);
    EXPECT_EQ(skin.backgroundPath(), folder.skins + "Dark" + SkinFolder::sep() + "Background.bmp");
}

TEST(Skin, TheDefaultSkinBesideTheBuiltLibraryIsWhole) {
    // The build copies the skins beside Vexlo VM, where the test plug-ins are built too.
    const std::string library = test::pluginPath("test-synth");
    const std::string folder = library.substr(0, library.find_last_of("\\/") + 1);
    const manager::SkinSettings skin = manager::readCurrentSkin(manager::skinsFolder(folder));
    EXPECT_EQ(skin.name, "Default");
    EXPECT_EQ(skin.minWidth, 640);
    EXPECT_EQ(skin.barHeight, 28);
    ASSERT_TRUE(skin.colours && skin.positions);
    EXPECT_EQ(skin.colours->damagedFields, 0);
    EXPECT_EQ(skin.positions->damagedFields, 0);
    for (const auto& rect : skin.positions->rects) {
        ASSERT_TRUE(rect);
        EXPECT_LT(rect->left, rect->right);
        EXPECT_LE(rect->right, 640 - 8);  // clear of the end piece
    }
    EXPECT_EQ(platform::pathInfo(skin.endPiecePath()).kind, platform::PathKind::regularFile);
}
