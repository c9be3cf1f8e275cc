// The tool windows' controls offscreen: typing into a text edit, a sorted list box chosen by
// click, keys and wheel, and text buttons; the keyboard goes only where a click gave it.
#include <gtest/gtest.h>

#include "toolkit/offscreen.h"
#include "toolkit/text_controls.h"
#include "tests/support/heard_controls.h"

using namespace vexlo::toolkit;

namespace {

struct Window {
    Window() {
        OffscreenFrame::install();
        frame = std::make_unique<CFrame>(CRect{0, 0, 300, 300}, nullptr, nullptr);
        screen = OffscreenFrame::latest();
    }
    ~Window() {
        frame.reset();
        OffscreenFrame::uninstall();
    }
    std::unique_ptr<CFrame> frame;
    OffscreenFrame* screen = nullptr;
    vexlo::test::HeardControls heard;
};

bool drew(const OffscreenFrame& screen, const std::string& text) {
    for (const auto& drawn : screen.texts())
        if (drawn.text == text) return true;
    return false;
}

}  // namespace

TEST(TextControls, ATextEditTypesOnlyAfterAClickAndEditsAtItsCursor) {
    Window w;
    auto* edit = w.frame->addView(std::make_unique<CTextEdit>(CRect{10, 10, 110, 30}, &w.heard, 4));
    w.screen->type("lost");
    EXPECT_EQ(edit->getText(), "");
    EXPECT_FALSE(w.screen->tookKeyboard);
    w.screen->click({20, 20}, kLButton);
    EXPECT_TRUE(w.screen->tookKeyboard);
    w.screen->type("bas");
    w.screen->press(Key::backspace);
    w.screen->type("ss");
    EXPECT_EQ(edit->getText(), "bass");
    w.screen->press(Key::home);
    w.screen->press(Key::del);
    w.screen->type("B");
    w.screen->press(Key::end);
    w.screen->type("\t\x01");  // control characters are not text
    EXPECT_EQ(edit->getText(), "Bass");
    EXPECT_TRUE(w.heard.values.empty());
    w.screen->press(Key::enter);
    ASSERT_EQ(w.heard.values.size(), 1u);
    EXPECT_EQ(w.heard.values[0].first, 4);
    w.frame->idle();
    EXPECT_TRUE(drew(*w.screen, "Bass"));

    // A long text shows its end while the cursor is there; the length limit holds.
    edit->setMaxLength(40);
    w.screen->type(std::string(60, 'x'));
    EXPECT_EQ(edit->getText().size(), 40u);
    EXPECT_GT(edit->firstShown(), 0u);
    w.frame->idle();
    EXPECT_FALSE(drew(*w.screen, edit->getText()));  // not all of it fits
}

TEST(TextControls, AReadOnlyEditShowsItsTextAndTakesNoKeys) {
    Window w;
    auto* folder = w.frame->addView(std::make_unique<CTextEdit>(CRect{10, 10, 110, 30}, &w.heard, 1));
    folder->setReadOnly(true);
    folder->setText("/presets/");
    w.screen->click({20, 20}, kLButton);
    w.screen->type("zz");
    EXPECT_EQ(folder->getText(), "/presets/");
    EXPECT_EQ(w.frame->focusView(), nullptr);
}

TEST(TextControls, ASortedListKeepsEachLinesDataAndTellsEveryChoice) {
    Window w;
    auto* list = w.frame->addView(std::make_unique<CListBox>(CRect{0, 0, 200, 100}, &w.heard, 7));
    list->setSorted(true);
    for (const char* name : {"pad.fxp", "Bass.fxp", "arp.fxp", "Chord.fxp"}) list->addItem(name, list->count() + 100);
    EXPECT_EQ(list->itemText(0), "arp.fxp");
    EXPECT_EQ(list->itemText(1), "Bass.fxp");
    EXPECT_EQ(list->itemText(3), "pad.fxp");
    EXPECT_EQ(list->itemData(3), 100);  // added first
    EXPECT_EQ(list->itemData(0), 102);

    w.screen->click({50, 2 + list->rowHeight() + 2}, kLButton);  // the second line
    EXPECT_EQ(list->selected(), 1);
    ASSERT_EQ(w.heard.values.size(), 1u);
    EXPECT_EQ(w.heard.values[0].second, 1.0f);
    w.screen->press(Key::down);
    w.screen->press(Key::end);
    w.screen->press(Key::up);
    EXPECT_EQ(list->selected(), 2);
    EXPECT_EQ(w.heard.values.size(), 4u);
    // A click below the last line chooses nothing.
    w.screen->click({50, 95}, kLButton);
    EXPECT_EQ(w.heard.values.size(), 4u);
    w.frame->idle();
    EXPECT_TRUE(drew(*w.screen, "Chord.fxp"));
}

TEST(TextControls, ALongListScrollsByWheelBarAndKeysAndShowsTheChosenLine) {
    Window w;
    auto* list = w.frame->addView(std::make_unique<CListBox>(CRect{0, 0, 200, 100}, &w.heard, 7));
    for (int i = 0; i < 50; ++i) list->addItem("line " + std::to_string(i));
    const int rows = list->visibleRows();
    ASSERT_LT(rows, 50);
    w.screen->turnWheel({50, 50}, -1.0f);
    EXPECT_EQ(list->topIndex(), 3);
    w.screen->turnWheel({50, 50}, 10.0f);
    EXPECT_EQ(list->topIndex(), 0);
    w.screen->click({195, 95}, kLButton);  // the bar below its thumb: a page down
    EXPECT_EQ(list->topIndex(), rows);
    EXPECT_TRUE(w.heard.values.empty());  // scrolling chooses nothing
    w.screen->click({50, 10}, kLButton);
    w.screen->press(Key::end);
    EXPECT_EQ(list->selected(), 49);
    EXPECT_EQ(list->topIndex(), 50 - rows);
    w.screen->turnWheel({50, 50}, -100.0f);
    EXPECT_EQ(list->topIndex(), 50 - rows);
    list->clear();
    EXPECT_EQ(list->selected(), -1);
    EXPECT_EQ(list->topIndex(), 0);
}

TEST(TextControls, ATextButtonShowsItsTitleWithoutMarkersAndTellsEveryClick) {
    Window w;
    auto* button = w.frame->addView(std::make_unique<CTextButton>(CRect{0, 0, 90, 20}, &w.heard, 5, "&Search"));
    w.frame->idle();
    EXPECT_TRUE(drew(*w.screen, "Search"));
    w.screen->click({10, 10}, kLButton);
    w.screen->click({10, 10}, kLButton);
    EXPECT_EQ(w.heard.values.size(), 2u);
    button->setTitle("Stop Searching");
    w.frame->idle();
    EXPECT_TRUE(drew(*w.screen, "Stop Searching"));
    // Keys nobody used reach the frame's key listener.
    bool escaped = false;
    w.frame->setKeyListener([&](const KeyEvent& key) { return escaped = key.key == Key::escape; });
    w.screen->press(Key::escape);
    EXPECT_TRUE(escaped);
}
