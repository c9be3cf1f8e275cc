#include "toolkit/menu_keys.h"

#include <cctype>

#include "toolkit/views.h"

namespace vexlo::toolkit {

MenuText menuText(const std::string& entry) {
    MenuText text;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] != '&' || i + 1 == entry.size()) {
            text.shown += entry[i];
            continue;
        }
        ++i;
        if (entry[i] != '&' && text.underlined < 0) {
            text.underlined = static_cast<int>(text.shown.size());
            text.accelerator = static_cast<char>(std::tolower(static_cast<unsigned char>(entry[i])));
        }
        text.shown += entry[i];
    }
    return text;
}

MenuNavigator::MenuNavigator(const COptionMenu& menu, int highlighted) : menu_(&menu), highlighted_(highlighted) {}

void MenuNavigator::step(int direction) {
    const int count = menu_->getNbEntries();
    if (count == 0) return;
    int at = highlighted_;
    for (int tries = 0; tries < count; ++tries) {
        at = at < 0 ? (direction > 0 ? 0 : count - 1) : (at + direction + count) % count;
        if (!menu_->isSeparator(at)) {
            highlighted_ = at;
            return;
        }
    }
}

MenuNavigator::Outcome MenuNavigator::press(MenuKey key, char letter) {
    const bool onEntry = highlighted_ >= 0 && highlighted_ < menu_->getNbEntries();
    switch (key) {
    case MenuKey::down: step(1); return Outcome::none;
    case MenuKey::up: step(-1); return Outcome::none;
    case MenuKey::escape: return Outcome::dismissed;
    case MenuKey::left: return Outcome::closeSubmenu;
    case MenuKey::right:
        return onEntry && menu_->getSubmenu(highlighted_) ? Outcome::openSubmenu : Outcome::none;
    case MenuKey::enter:
        if (!onEntry) return Outcome::none;
        return menu_->getSubmenu(highlighted_) ? Outcome::openSubmenu : Outcome::chosen;
    case MenuKey::letter: {
        const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        for (int i = 0; i < menu_->getNbEntries(); ++i) {
            if (menu_->isSeparator(i) || menuText(menu_->getEntry(i)).accelerator != wanted || !wanted) continue;
            highlighted_ = i;
            return menu_->getSubmenu(i) ? Outcome::openSubmenu : Outcome::chosen;
        }
        return Outcome::none;
    }
    }
    return Outcome::none;
}

}  // namespace vexlo::toolkit
