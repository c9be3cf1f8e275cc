// Controls for small tool windows, drawn by the toolkit itself so that they look and behave the
// same on every backend and offscreen: a one-line text edit, a list box and a text button.
#pragma once

#include <string>
#include <vector>

#include "toolkit/views.h"

namespace vexlo::toolkit {

// The colours the tool windows share.
inline constexpr CColor kToolFace{212, 208, 200, 255};
inline constexpr CColor kToolText{0, 0, 0, 255};
inline constexpr CColor kToolField{255, 255, 255, 255};
inline constexpr CColor kToolShadow{128, 128, 128, 255};
inline constexpr CColor kToolSelection{10, 36, 106, 255};

// One line of text. A click gives it the keyboard; typing inserts at the cursor, Backspace and
// Delete remove, Left, Right, Home and End move. Enter tells the listener. A read-only edit
// shows its text and takes no typing. A text wider than the field shows its part around the
// cursor (its end, when the cursor is there).
class CTextEdit : public CControl {
public:
    CTextEdit(const CRect& size, CControlListener* listener, int tag) : CControl(size, listener, tag) {}
    void setText(const std::string& text);
    const std::string& getText() const { return text_; }
    std::size_t cursor() const { return cursor_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool isReadOnly() const { return readOnly_; }
    // The longest text taken; typing beyond it is ignored.
    void setMaxLength(std::size_t length) { maxLength_ = length; }
    // The part of the text the field shows, from this character on.
    std::size_t firstShown() const;

    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    bool onKeyDown(const KeyEvent& key) override;
    bool takesFocus() const override { return !readOnly_; }
    const char* getClassName() const override { return "CTextEdit"; }

private:
    std::size_t visibleCharacters() const;

    std::string text_;
    std::size_t cursor_ = 0;
    std::size_t maxLength_ = 1023;
    bool readOnly_ = false;
};

// A list of text lines with a number each, optionally kept in alphabetical order (ignoring
// case), with a vertical scroll bar. A click or Up, Down, Home, End, Page Up and Page Down
// select a line and tell the listener; the wheel scrolls.
class CListBox : public CControl {
public:
    CListBox(const CRect& size, CControlListener* listener, int tag) : CControl(size, listener, tag) {}
    void setSorted(bool sorted) { sorted_ = sorted; }
    // Adds a line and answers where it went.
    int addItem(const std::string& text, long data = 0);
    void clear();
    int count() const { return static_cast<int>(items_.size()); }
    const std::string& itemText(int index) const { return items_[static_cast<std::size_t>(index)].text; }
    long itemData(int index) const { return items_[static_cast<std::size_t>(index)].data; }
    int selected() const { return selected_; }
    // Selects a line (or none, -1) without telling the listener, and scrolls it into view.
    void select(int index);
    int topIndex() const { return top_; }
    void scrollTo(int top);
    int rowHeight() const { return fontPixelSize(kNormalFontSmall) + 4; }
    int visibleRows() const;
    static constexpr int kBarWidth = 16;

    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    bool onKeyDown(const KeyEvent& key) override;
    bool onWheel(CPoint where, float distance) override;
    bool takesFocus() const override { return true; }
    const char* getClassName() const override { return "CListBox"; }

private:
    void choose(int index);
    CRect barRect() const { return {size_.right - kBarWidth, size_.top, size_.right, size_.bottom}; }
    CRect thumbRect() const;

    struct Item {
        std::string text;
        long data;
    };
    std::vector<Item> items_;
    bool sorted_ = false;
    int selected_ = -1;
    int top_ = 0;
};

// A push button with a title; a click tells the listener.
class CTextButton : public CControl {
public:
    CTextButton(const CRect& size, CControlListener* listener, int tag, std::string title)
        : CControl(size, listener, tag), title_(std::move(title)) {}
    void setTitle(const std::string& title);
    const std::string& getTitle() const { return title_; }
    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    const char* getClassName() const override { return "CTextButton"; }

private:
    std::string title_;
};

}  // namespace vexlo::toolkit
