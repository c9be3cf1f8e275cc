// What menus share on every backend: how an entry's text is shown ("&" marks the letter that
// chooses it, "&&" is an ampersand) and how the keyboard moves through an open popup.
#pragma once

#include <string>

namespace vexlo::toolkit {

class COptionMenu;

struct MenuText {
    std::string shown;    // the text without its markers
    int underlined = -1;  // index in `shown` of the letter to underline, or -1
    char accelerator = 0; // that letter in lower case, or 0
};
MenuText menuText(const std::string& entry);

enum class MenuKey { up, down, left, right, enter, escape, letter };

// The keyboard's way through one level of a popup. The highlighted entry skips separators
// and wraps around; a letter chooses the entry it is the accelerator of.
class MenuNavigator {
public:
    enum class Outcome { none, chosen, dismissed, openSubmenu, closeSubmenu };

    explicit MenuNavigator(const COptionMenu& menu, int highlighted = -1);
    Outcome press(MenuKey key, char letter = 0);
    int highlighted() const { return highlighted_; }
    void setHighlighted(int index) { highlighted_ = index; }

private:
    void step(int direction);

    const COptionMenu* menu_;
    int highlighted_;
};

}  // namespace vexlo::toolkit
