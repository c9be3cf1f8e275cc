// A popup menu drawn by the toolkit, for backends without menus of the system's: each level
// (the menu, and a submenu beside its entry) is laid out, drawn and driven by the pointer and
// the keys here, the same on every backend; the backend only shows each level in a window of
// its own above everything and hands it the person's actions, in screen coordinates.
#pragma once

#include <vector>

#include "toolkit/menu_keys.h"
#include "toolkit/option_menu.h"

namespace vexlo::toolkit {

// One level of an open popup, at the origin of its own window.
class PopupMenuView {
public:
    static constexpr int kRow = 18, kSeparator = 7, kFont = kNormalFont;

    // Measures the entries' texts with the context the level will be drawn with.
    PopupMenuView(COptionMenu& menu, CDrawContext& measure, int highlighted = -1);

    COptionMenu& menu() const { return *menu_; }
    int width() const { return width_; }
    int height() const { return rowTop(menu_->getNbEntries()) + 2; }
    // The entry under a point of the level; -1 for a separator or outside.
    int entryAt(CPoint where) const;
    int rowTop(int index) const;
    int highlighted() const { return keys_.highlighted(); }
    void setHighlighted(int index) { keys_.setHighlighted(index); }
    MenuNavigator& keys() { return keys_; }
    void draw(CDrawContext& context) const;

private:
    COptionMenu* menu_;
    MenuNavigator keys_;
    int width_ = 120;
};

// An open popup: its levels, where each is on the screen, and what the person chose.
class PopupSession {
public:
    struct Level {
        PopupMenuView view;
        CRect place;  // on the screen
    };

    // The menu opens at a point of the screen, kept inside it.
    PopupSession(COptionMenu& menu, CPoint where, CRect screen, CDrawContext& measure);

    // The person's actions. The pointer and the keys move the same highlight; a click outside
    // every level dismisses the popup; keys go to the innermost level.
    void pointerMoved(CPoint where);
    void click(CPoint where);
    void key(MenuKey key, char letter = 0);

    const std::vector<Level>& levels() const { return levels_; }
    bool ended() const { return ended_; }
    // The menu the person chose in (the menu or a submenu) and the entry; null when dismissed.
    COptionMenu* chosenMenu() const { return chosenMenu_; }
    int chosenEntry() const { return chosenEntry_; }
    // Bumped whenever the levels should be drawn again.
    int revision() const { return revision_; }

private:
    // The innermost level at a point, or -1.
    int levelAt(CPoint where) const;
    void open(COptionMenu& menu, CPoint where, int highlighted);
    void openSubmenuOf(int level);
    void choose(int level, int entry);

    std::vector<Level> levels_;
    CRect screen_;
    CDrawContext& measure_;
    bool ended_ = false;
    COptionMenu* chosenMenu_ = nullptr;
    int chosenEntry_ = -1;
    int revision_ = 0;
};

}  // namespace vexlo::toolkit
