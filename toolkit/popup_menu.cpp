#include "toolkit/popup_menu.h"

#include <algorithm>

namespace vexlo::toolkit {

namespace {

constexpr CColor kBackground{41, 43, 51, 255};
constexpr CColor kHighlight{255, 150, 41, 255};
constexpr CColor kSeparatorLine{102, 107, 117, 255};
constexpr CColor kText{242, 242, 242, 255};
constexpr int kTextLeft = 22, kRightSpace = 22;
constexpr const char* kCheckMark = "\xE2\x9C\x93";
constexpr const char* kSubmenuArrow = "\xE2\x96\xB8";

}  // namespace

PopupMenuView::PopupMenuView(COptionMenu& menu, CDrawContext& measure, int highlighted)
    : menu_(&menu), keys_(menu, highlighted) {
    for (int i = 0; i < menu.getNbEntries(); ++i)
        width_ = std::max(width_, kTextLeft + measure.textWidth(menuText(menu.getEntry(i)).shown, kFont) + kRightSpace);
}

int PopupMenuView::rowTop(int index) const {
    int y = 2;
    for (int i = 0; i < index; ++i) y += menu_->isSeparator(i) ? kSeparator : kRow;
    return y;
}

int PopupMenuView::entryAt(CPoint where) const {
    if (where.x < 0 || where.x >= width_) return -1;
    for (int i = 0; i < menu_->getNbEntries(); ++i)
        if (where.y >= rowTop(i) && where.y < rowTop(i + 1)) return menu_->isSeparator(i) ? -1 : i;
    return -1;
}

void PopupMenuView::draw(CDrawContext& context) const {
    context.fillRect({0, 0, width_, height()}, kBackground);
    for (int i = 0; i < menu_->getNbEntries(); ++i) {
        const int top = rowTop(i);
        if (menu_->isSeparator(i)) {
            context.fillRect({6, top + 3, width_ - 6, top + 4}, kSeparatorLine);
            continue;
        }
        if (i == highlighted()) context.fillRect({1, top, width_ - 1, top + kRow}, kHighlight);
        const bool submenu = menu_->getSubmenu(i) != nullptr;
        if (menu_->isChecked(i) && !submenu) context.drawText(kCheckMark, {4, top, kTextLeft, top + kRow}, kFont, kText, Align::left);
        const MenuText text = menuText(menu_->getEntry(i));
        const CRect row{kTextLeft, top, width_ - kRightSpace / 2, top + kRow};
        context.drawText(text.shown, row, kFont, kText, Align::left);
        if (text.underlined >= 0) {
            // The accelerator's letter is underlined, as the system's menus show it.
            const auto at = static_cast<std::size_t>(text.underlined);
            const int before = at ? context.textWidth(text.shown.substr(0, at), kFont) - 2 : 0;
            const int letter = std::max(context.textWidth(text.shown.substr(at, 1), kFont) - 2, 2);
            const int left = kTextLeft + 2 + before;
            context.fillRect({left, top + 15, left + letter, top + 16}, kText);
        }
        if (submenu) context.drawText(kSubmenuArrow, {width_ - 16, top, width_, top + kRow}, kFont, kText, Align::left);
    }
}

// ---- The session ----

PopupSession::PopupSession(COptionMenu& menu, CPoint where, CRect screen, CDrawContext& measure)
    : screen_(screen), measure_(measure) {
    open(menu, where, -1);
}

void PopupSession::open(COptionMenu& menu, CPoint where, int highlighted) {
    PopupMenuView view(menu, measure_, highlighted);
    const int left = std::max(screen_.left, std::min(where.x, screen_.right - view.width()));
    const int top = std::max(screen_.top, std::min(where.y, screen_.bottom - view.height()));
    const CRect place{left, top, left + view.width(), top + view.height()};
    levels_.push_back({std::move(view), place});
    ++revision_;
}

void PopupSession::openSubmenuOf(int level) {
    levels_.erase(levels_.begin() + level + 1, levels_.end());
    const Level& parent = levels_.back();
    const int entry = parent.view.highlighted();
    COptionMenu* submenu = parent.view.menu().getSubmenu(entry);
    if (!submenu) return;
    open(*submenu, {parent.place.right - 4, parent.place.top + parent.view.rowTop(entry)}, 0);
}

void PopupSession::choose(int level, int entry) {
    chosenMenu_ = &levels_[static_cast<std::size_t>(level)].view.menu();
    chosenEntry_ = entry;
    ended_ = true;
}

int PopupSession::levelAt(CPoint where) const {
    for (int i = static_cast<int>(levels_.size()) - 1; i >= 0; --i)
        if (levels_[static_cast<std::size_t>(i)].place.contains(where)) return i;
    return -1;
}

void PopupSession::pointerMoved(CPoint where) {
    const int level = levelAt(where);
    if (level < 0 || ended_) return;
    Level& at = levels_[static_cast<std::size_t>(level)];
    const int entry = at.view.entryAt({where.x - at.place.left, where.y - at.place.top});
    if (entry == at.view.highlighted()) return;
    at.view.setHighlighted(entry);
    ++revision_;
}

void PopupSession::click(CPoint where) {
    if (ended_) return;
    const int level = levelAt(where);
    if (level < 0) {
        ended_ = true;  // a click elsewhere dismisses
        return;
    }
    Level& at = levels_[static_cast<std::size_t>(level)];
    const int entry = at.view.entryAt({where.x - at.place.left, where.y - at.place.top});
    if (entry < 0) return;
    at.view.setHighlighted(entry);
    if (at.view.menu().getSubmenu(entry)) openSubmenuOf(level);
    else choose(level, entry);
    ++revision_;
}

void PopupSession::key(MenuKey key, char letter) {
    if (ended_) return;
    const int level = static_cast<int>(levels_.size()) - 1;
    MenuNavigator& keys = levels_.back().view.keys();
    switch (keys.press(key, letter)) {
    case MenuNavigator::Outcome::chosen: choose(level, keys.highlighted()); break;
    case MenuNavigator::Outcome::dismissed: ended_ = true; break;
    case MenuNavigator::Outcome::openSubmenu: openSubmenuOf(level); break;
    case MenuNavigator::Outcome::closeSubmenu:
        if (level > 0) levels_.pop_back();
        break;
    case MenuNavigator::Outcome::none: break;
    }
    ++revision_;
}

}  // namespace vexlo::toolkit
