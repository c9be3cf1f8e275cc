// The toolkit's pieces the skinned editors need: views moved and taken out of a frame, menu
// texts with accelerators, the keyboard in menus, and bitmaps given new images in place.
#include <gtest/gtest.h>

#include "manager/editor/skin_bitmap.h"
#include "tests/support/test_support.h"
#include "toolkit/menu_keys.h"
#include "toolkit/offscreen.h"
#include "toolkit/views.h"
#include "tests/support/heard_controls.h"

using namespace vexlo::toolkit;

namespace {

// A frame of its own, owned by nobody (no host to ask).
struct OffscreenRig {
    OffscreenRig() { OffscreenFrame::install(); }
    ~OffscreenRig() { OffscreenFrame::uninstall(); }
};

}  // namespace

TEST(Toolkit, AViewTakesClicksInItsMouseAreaWhereverItIsMovedTo) {
    OffscreenRig installed;
    vexlo::test::HeardControls heard;
    CFrame frame({0, 0, 100, 40}, nullptr, nullptr);
    auto* button = frame.addView(std::make_unique<CInvisibleButton>(CRect{0, 0, 10, 10}, &heard, 1));
    button->setViewSize({50, 10, 70, 30});
    // Only the view moved: its mouse area stayed.
    OffscreenFrame::latest()->click({60, 20}, kLButton);
    EXPECT_TRUE(heard.values.empty());
    OffscreenFrame::latest()->click({5, 5}, kLButton);
    EXPECT_EQ(heard.values.size(), 1u);
    button->setMouseableArea({50, 10, 70, 30});
    OffscreenFrame::latest()->click({5, 5}, kLButton);
    OffscreenFrame::latest()->click({60, 20}, kLButton);
    EXPECT_EQ(heard.tags(), (std::vector<int>{1, 1}));
}

TEST(Toolkit, AViewTakenOutOfItsFrameLivesOnAndCanBeAddedAgain) {
    OffscreenRig installed;
    vexlo::test::HeardControls heard;
    CFrame frame({0, 0, 100, 40}, nullptr, nullptr);
    auto* label = frame.addView(std::make_unique<CTextLabel>(CRect{0, 0, 50, 20}, "kept"));
    auto* button = frame.addView(std::make_unique<CInvisibleButton>(CRect{0, 0, 50, 20}, &heard, 2));
    std::unique_ptr<CView> removed = frame.removeView(button);
    ASSERT_EQ(removed.get(), button);
    EXPECT_EQ(removed->getFrame(), nullptr);
    EXPECT_FALSE(frame.containsView(button));
    EXPECT_EQ(frame.removeView(button), nullptr);  // not there any more
    OffscreenFrame::latest()->click({10, 10}, kLButton);
    EXPECT_TRUE(heard.values.empty());
    frame.idle();
    EXPECT_EQ(OffscreenFrame::latest()->texts().back().text, "kept");
    frame.addView(std::move(removed));
    EXPECT_TRUE(frame.containsView(button));
    EXPECT_TRUE(frame.containsView(label));
    OffscreenFrame::latest()->click({10, 10}, kLButton);
    EXPECT_EQ(heard.tags(), std::vector<int>{2});
}

TEST(Toolkit, AnAmpersandMarksTheLetterThatChoosesAnEntryAndTwoMakeOne) {
    MenuText plain = menuText("About");
    EXPECT_EQ(plain.shown, "About");
    EXPECT_EQ(plain.underlined, -1);
    MenuText marked = menuText("Extract FX&B+Links");
    EXPECT_EQ(marked.shown, "Extract FXB+Links");
    EXPECT_EQ(marked.underlined, 10);
    EXPECT_EQ(marked.accelerator, 'b');
    MenuText doubled = menuText("Salt && &Pepper&");
    EXPECT_EQ(doubled.shown, "Salt & Pepper&");
    EXPECT_EQ(doubled.accelerator, 'p');
    EXPECT_EQ(doubled.underlined, 7);
}

TEST(Toolkit, TheKeyboardWalksAMenuPastSeparatorsAndOpensItsSubmenu) {
    COptionMenu sub({0, 0, 1, 1}, nullptr, 0);
    sub.addEntry("Inner");
    COptionMenu menu({0, 0, 1, 1}, nullptr, 0);
    for (const char* entry : {"&One", "-", "Two", "-"}) menu.addEntry(entry);
    menu.addSubmenu("&More", &sub);
    MenuNavigator keys(menu);
    using Outcome = MenuNavigator::Outcome;
    EXPECT_EQ(keys.press(MenuKey::enter), Outcome::none);  // nothing highlighted yet
    keys.press(MenuKey::down);
    EXPECT_EQ(keys.highlighted(), 0);
    keys.press(MenuKey::down);
    EXPECT_EQ(keys.highlighted(), 2);
    keys.press(MenuKey::down);
    EXPECT_EQ(keys.highlighted(), 4);
    EXPECT_EQ(keys.press(MenuKey::right), Outcome::openSubmenu);
    keys.press(MenuKey::down);
    EXPECT_EQ(keys.highlighted(), 0);  // round again
    EXPECT_EQ(keys.press(MenuKey::enter), Outcome::chosen);
    EXPECT_EQ(keys.press(MenuKey::letter, 'M'), Outcome::openSubmenu);
    EXPECT_EQ(keys.highlighted(), 4);
    EXPECT_EQ(keys.press(MenuKey::letter, 'x'), Outcome::none);
    EXPECT_EQ(keys.press(MenuKey::escape), Outcome::dismissed);
}

TEST(Toolkit, AMenuShowsItsTextWithoutMarkersOverItsPartOfTheBackground) {
    OffscreenRig installed;
    CFrame frame({0, 0, 100, 40}, nullptr, nullptr);
    CBitmap backdrop(100, 40, CColor{10, 20, 30, 255});
    backdrop.setPixel(60, 25, CColor{1, 2, 3, 255});
    auto* menu = frame.addView(std::make_unique<COptionMenu>(CRect{0, 0, 20, 10}, nullptr, 0));
    menu->addEntry("Load &VST");
    menu->setBackground(&backdrop, {50, 20});
    frame.idle();
    EXPECT_EQ(OffscreenFrame::latest()->image().pixel(10, 5), (CColor{1, 2, 3, 255}));
    EXPECT_EQ(OffscreenFrame::latest()->texts().back().text, "Load VST");
}

TEST(Toolkit, ABitmapGivenANewImageInPlaceSaysSoToTheBackendsThatCopiedIt) {
    vexlo::test::TempFolder folder;
    CBitmap small(2, 3);
    CBitmap other(2, 3);
    EXPECT_NE(small.stamp(), other.stamp());
    vexlo::manager::SkinBitmap skin;
    EXPECT_FALSE(skin.load(folder.file("missing.bmp")));
    EXPECT_TRUE(skin.empty());
    EXPECT_EQ(skin.width(), 0);
    // A 1 x 1 24-bit image.
    std::string bmp = "BM";
    auto le32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    bmp += le32(58) + le32(0) + le32(54) + le32(40) + le32(1) + le32(1) + std::string{1, 0, 24, 0} + le32(0) +
           le32(4) + le32(0) + le32(0) + le32(0) + le32(0) + std::string{char(0x30), char(0x20), char(0x10), 0};
    vexlo::test::writeFile(folder.file("one.bmp"), bmp);
    const CBitmap* where = &skin;
    const auto before = skin.stamp();
    skin.load(folder.file("one.bmp"));
    EXPECT_EQ(&skin, where);
    EXPECT_NE(skin.stamp(), before);
    ASSERT_EQ(skin.width(), 1);
    EXPECT_EQ(skin.pixel(0, 0), (CColor{0x10, 0x20, 0x30, 255}));
    // A file that is no bitmap empties the object again.
    vexlo::test::writeFile(folder.file("bad.bmp"), "BM not really");
    skin.load(folder.file("bad.bmp"));
    EXPECT_TRUE(skin.empty());
}
