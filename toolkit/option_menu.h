#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/view.h"

namespace vexlo::toolkit {

// A menu of text entries ("-" for a separator) and at most one titled submenu. Its value is the
// index of the chosen entry; it draws the current entry's text unless told not to.
class COptionMenu : public CControl {
public:
    COptionMenu(const CRect& size, CControlListener* listener, int tag) : CControl(size, listener, tag) {}

    void addEntry(const std::string& text) { entries_.push_back({text, nullptr}); }
    // An entry that opens a submenu (not owned: it must live as long as this menu).
    void addSubmenu(const std::string& title, COptionMenu* submenu) { entries_.push_back({title, submenu}); }
    void setEntry(int index, const std::string& text);
    std::string getEntry(int index) const;
    int getNbEntries() const { return static_cast<int>(entries_.size()); }
    COptionMenu* getSubmenu(int index) const;
    bool isSeparator(int index) const { return getEntry(index) == "-"; }
    int getCurrent() const { return current_; }
    void setCurrent(int index);
    // No entry is current (a menu of actions rather than of choices): no check mark.
    void clearCurrent() { current_ = -1; }
    // Whether the popup marks the current entry (a menu of choices) or not (a menu of actions
    // that remembers the last one chosen).
    void setCheckStyle(bool marksCurrent) { checkStyle_ = marksCurrent; }
    void setValue(float value) override { setCurrent(static_cast<int>(value)); }

    void setFont(int font) { font_ = font; }
    int getFont() const { return font_; }
    void setFontColor(CColor color) { fontColor_ = color; }
    CColor getFontColor() const { return fontColor_; }
    void setShowsText(bool shows) { showsText_ = shows; }
    // The part of a bitmap under the menu, drawn before its text (a menu that looks transparent).
    void setBackground(const CBitmap* bitmap, CPoint offset) {
        background_ = bitmap;
        backgroundOffset_ = offset;
        setDirty();
    }
    const CBitmap* getBackground() const { return background_; }
    CPoint getBackgroundOffset() const { return backgroundOffset_; }
    // A check mark beside an entry besides the current one (a second choice in the same menu).
    void setChecked(int index, bool checked);
    // Whether the popup shows a check mark at the entry.
    bool isChecked(int index) const;

    // The person chose an entry of this menu (or of its submenu): value, check mark, listener.
    void choose(int index);

    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    const char* getClassName() const override { return "COptionMenu"; }

private:
    struct Entry {
        std::string text;
        COptionMenu* submenu;
    };
    std::vector<Entry> entries_;
    std::vector<int> checked_;
    bool checkStyle_ = true;
    int current_ = 0;
    int font_ = kNormalFontSmall;
    CColor fontColor_ = kWhite;
    bool showsText_ = true;
    const CBitmap* background_ = nullptr;
    CPoint backgroundOffset_;
};

}  // namespace vexlo::toolkit
