// The toolkit's own popup menu, drawn in memory and driven by keys, clicks and the pointer as
// a backend without menus of the system's hands them over.
#include <gtest/gtest.h>

#include <algorithm>

#include "toolkit/offscreen.h"
#include "toolkit/popup_menu.h"

using namespace vexlo::toolkit;

namespace {

constexpr CColor kHighlight{255, 150, 41, 255};
constexpr CColor kSeparatorLine{102, 107, 117, 255};
const char* const kCheckMark = "\xE2\x9C\x93";
const CRect kScreen{0, 0, 1920, 1080};

// "&Load", a separator, "Save" with a check mark, and "&Bank" opening "&First" and "&Second".
struct Menus {
    Menus() {
        main.addEntry("&Load");
        main.addEntry("-");
        main.addEntry("Save");
        main.addSubmenu("&Bank", &bank);
        main.setCheckStyle(false);
        main.setChecked(2, true);
        bank.addEntry("&First");
        bank.addEntry("&Second");
        bank.clearCurrent();
    }
    COptionMenu main{{0, 0, 10, 10}, nullptr, 1};
    COptionMenu bank{{0, 0, 10, 10}, nullptr, 2};
    CBitmap scratch{1, 1};
    ImageContext measure{scratch};
};

CBitmap drawn(const PopupMenuView& view, std::vector<ImageContext::TextDrawn>* texts = nullptr) {
    CBitmap image(view.width(), view.height());
    ImageContext context(image);
    view.draw(context);
    if (texts) *texts = context.texts;
    return image;
}

CPoint middleOf(const PopupSession::Level& level, int entry) {
    return {level.place.left + 30, level.place.top + level.view.rowTop(entry) + PopupMenuView::kRow / 2};
}

}  // namespace

TEST(PopupMenu, DrawsEntriesWithoutMarkersTheCheckMarkTheSeparatorAndTheHighlight) {
    Menus m;
    PopupMenuView view(m.main, m.measure);
    std::vector<ImageContext::TextDrawn> texts;
    CBitmap image = drawn(view, &texts);
    std::vector<std::string> shown;
    for (const auto& text : texts) shown.push_back(text.text);
    // The check mark stands in Save's row only; the submenu's entry has an arrow.
    EXPECT_EQ(shown, (std::vector<std::string>{"Load", kCheckMark, "Save", "Bank", "\xE2\x96\xB8"}));
    EXPECT_EQ(texts[1].rect.top, view.rowTop(2));
    EXPECT_EQ(image.pixel(view.width() / 2, view.rowTop(1) + 3), kSeparatorLine);
    // The accelerator's letter is underlined: a line under the L of Load, none under Save.
    const CColor text{242, 242, 242, 255};
    EXPECT_EQ(image.pixel(25, view.rowTop(0) + 15), text);
    EXPECT_NE(image.pixel(25, view.rowTop(2) + 15), text);
    EXPECT_NE(image.pixel(5, view.rowTop(3) + 4), kHighlight);

    view.setHighlighted(3);
    EXPECT_EQ(drawn(view).pixel(5, view.rowTop(3) + 4), kHighlight);
    // Wide enough for its longest entry; a separator row is thinner than an entry's.
    EXPECT_GE(view.width(), 120);
    EXPECT_EQ(view.rowTop(2) - view.rowTop(1), PopupMenuView::kSeparator);
    EXPECT_EQ(view.entryAt({10, view.rowTop(1) + 2}), -1);
    EXPECT_EQ(view.entryAt({10, view.rowTop(2) + 2}), 2);
    EXPECT_EQ(view.entryAt({view.width(), view.rowTop(2) + 2}), -1);
}

TEST(PopupMenu, KeysMovePastSeparatorsOpenAndCloseTheSubmenuAndChoose) {
    Menus m;
    {
        PopupSession session(m.main, {100, 100}, kScreen, m.measure);
        session.key(MenuKey::down);
        session.key(MenuKey::down);  // over the separator
        EXPECT_EQ(session.levels().back().view.highlighted(), 2);
        session.key(MenuKey::down);
        session.key(MenuKey::right);
        ASSERT_EQ(session.levels().size(), 2u);
        // The submenu opens beside its entry, its first entry highlighted.
        const auto& outer = session.levels()[0];
        const auto& inner = session.levels()[1];
        EXPECT_EQ(inner.place.left, outer.place.right - 4);
        EXPECT_EQ(inner.place.top, outer.place.top + outer.view.rowTop(3));
        EXPECT_EQ(inner.view.highlighted(), 0);
        session.key(MenuKey::left);
        EXPECT_EQ(session.levels().size(), 1u);
        EXPECT_EQ(session.levels()[0].view.highlighted(), 3);
        session.key(MenuKey::enter);
        session.key(MenuKey::down);
        session.key(MenuKey::enter);
        ASSERT_TRUE(session.ended());
        EXPECT_EQ(session.chosenMenu(), &m.bank);
        EXPECT_EQ(session.chosenEntry(), 1);
    }
    {
        // Accelerators: B opens the submenu, S chooses in it.
        PopupSession session(m.main, {100, 100}, kScreen, m.measure);
        session.key(MenuKey::letter, 'b');
        session.key(MenuKey::letter, 'S');
        EXPECT_EQ(session.chosenMenu(), &m.bank);
        EXPECT_EQ(session.chosenEntry(), 1);
    }
    {
        PopupSession session(m.main, {100, 100}, kScreen, m.measure);
        session.key(MenuKey::left);  // nothing to close at the top
        EXPECT_FALSE(session.ended());
        session.key(MenuKey::escape);
        EXPECT_TRUE(session.ended());
        EXPECT_EQ(session.chosenMenu(), nullptr);
    }
}

TEST(PopupMenu, ClicksChooseOpenTheSubmenuAndAClickElsewhereDismisses) {
    Menus m;
    {
        PopupSession session(m.main, {300, 200}, kScreen, m.measure);
        const auto& outer = session.levels()[0];
        const int before = session.revision();
        session.pointerMoved(middleOf(outer, 2));
        EXPECT_EQ(session.levels()[0].view.highlighted(), 2);
        EXPECT_GT(session.revision(), before);
        // A click on the separator does nothing; one on the submenu's entry opens it, and the
        // outer level stays open beside it.
        session.click({outer.place.left + 30, outer.place.top + outer.view.rowTop(1) + 3});
        EXPECT_FALSE(session.ended());
        session.click(middleOf(session.levels()[0], 3));
        ASSERT_EQ(session.levels().size(), 2u);
        session.click(middleOf(session.levels()[1], 0));
        ASSERT_TRUE(session.ended());
        EXPECT_EQ(session.chosenMenu(), &m.bank);
        EXPECT_EQ(session.chosenEntry(), 0);
    }
    {
        PopupSession session(m.main, {300, 200}, kScreen, m.measure);
        session.click(middleOf(session.levels()[0], 0));
        EXPECT_EQ(session.chosenMenu(), &m.main);
        EXPECT_EQ(session.chosenEntry(), 0);
    }
    {
        PopupSession session(m.main, {300, 200}, kScreen, m.measure);
        session.click({10, 10});
        EXPECT_TRUE(session.ended());
        EXPECT_EQ(session.chosenMenu(), nullptr);
    }
}

TEST(PopupMenu, StaysOnTheScreenNearItsEdges) {
    Menus m;
    PopupSession session(m.main, {1915, 1075}, kScreen, m.measure);
    const CRect place = session.levels()[0].place;
    EXPECT_EQ(place.right, kScreen.right);
    EXPECT_EQ(place.bottom, kScreen.bottom);
    session.key(MenuKey::letter, 'b');
    EXPECT_LE(session.levels()[1].place.right, kScreen.right);
}

TEST(PopupMenu, AnOffscreenFrameDrivesItWithKeysAndKeepsWhatItDrew) {
    OffscreenFrame::install();
    {
        CFrame frame({0, 0, 200, 40}, nullptr, nullptr);
        OffscreenFrame* native = OffscreenFrame::latest();
        Menus m;
        native->popupKeys.push_back({{MenuKey::letter, 'b'}, {MenuKey::down}});
        int chosen = -1;
        EXPECT_EQ(native->popup(m.main, {0, 0}, &chosen), nullptr);  // keys that end without a choice
        ASSERT_EQ(native->lastPopupLevels.size(), 2u);
        const PopupMenuView inner(m.bank, m.measure);
        EXPECT_EQ(native->lastPopupLevels[1].pixel(5, inner.rowTop(1) + 4), kHighlight);
    }
    OffscreenFrame::uninstall();
}
