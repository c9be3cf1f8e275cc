#include "toolkit/text_controls.h"

#include <algorithm>
#include <cctype>

#include "toolkit/menu_keys.h"

namespace vexlo::toolkit {

namespace {

constexpr int kTextPadding = 3;


void sunkenBorder(CDrawContext& context, const CRect& rect) {
    context.frameRect(rect, kToolShadow);
    context.frameRect({rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}, kToolFace);
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

// ---- CTextEdit ----

void CTextEdit::setText(const std::string& text) {
    text_ = text.substr(0, std::min(text.size(), maxLength_));
    cursor_ = text_.size();
    setDirty();
}

std::size_t CTextEdit::visibleCharacters() const {
    const int inside = size_.width() - 2 * kTextPadding;
    return static_cast<std::size_t>(std::max(1, inside / averageCharacterWidth(kNormalFontSmall)));
}

std::size_t CTextEdit::firstShown() const {
    const std::size_t visible = visibleCharacters();
    return cursor_ > visible ? cursor_ - visible : 0;
}

void CTextEdit::draw(CDrawContext& context) {
    context.fillRect(size_, readOnly_ ? kToolFace : kToolField);
    sunkenBorder(context, size_);
    const std::size_t first = firstShown();
    const CRect inside{size_.left + kTextPadding, size_.top, size_.right - kTextPadding, size_.bottom};
    context.drawText(text_.substr(first, visibleCharacters()), inside, kNormalFontSmall, kToolText, Align::left);
    if (frame_ && frame_->focusView() == this) {
        const int x = inside.left + context.textWidth(text_.substr(first, cursor_ - first), kNormalFontSmall);
        context.fillRect({x, size_.top + 3, x + 1, size_.bottom - 3}, kToolText);
    }
    setDirty(false);
}

bool CTextEdit::onMouseDown(CPoint where, int) {
    if (!mouseEnabled_) return false;
    const int column = (where.x - size_.left - kTextPadding) / averageCharacterWidth(kNormalFontSmall);
    cursor_ = std::min(text_.size(), firstShown() + static_cast<std::size_t>(std::max(0, column)));
    setDirty();
    return true;
}

bool CTextEdit::onKeyDown(const KeyEvent& key) {
    if (readOnly_) return false;
    switch (key.key) {
    case Key::character:
        if (static_cast<unsigned char>(key.character) < 32 || text_.size() >= maxLength_) return true;
        text_.insert(cursor_++, 1, key.character);
        break;
    case Key::backspace:
        if (cursor_ > 0) text_.erase(--cursor_, 1);
        break;
    case Key::del:
        if (cursor_ < text_.size()) text_.erase(cursor_, 1);
        break;
    case Key::left: cursor_ = cursor_ > 0 ? cursor_ - 1 : 0; break;
    case Key::right: cursor_ = std::min(text_.size(), cursor_ + 1); break;
    case Key::home: cursor_ = 0; break;
    case Key::end: cursor_ = text_.size(); break;
    case Key::enter: notify(); return true;
    default: return false;
    }
    setDirty();
    return true;
}

// ---- CListBox ----

int CListBox::addItem(const std::string& text, long data) {
    auto at = items_.end();
    if (sorted_)
        at = std::upper_bound(items_.begin(), items_.end(), text,
                              [](const std::string& t, const Item& item) { return lessIgnoringCase(t, item.text); });
    const int index = static_cast<int>(at - items_.begin());
    items_.insert(at, {text, data});
    if (selected_ >= index) ++selected_;
    setDirty();
    return index;
}

void CListBox::clear() {
    items_.clear();
    selected_ = -1;
    top_ = 0;
    setDirty();
}

int CListBox::visibleRows() const { return std::max(1, (size_.height() - 4) / rowHeight()); }

void CListBox::scrollTo(int top) {
    top_ = std::clamp(top, 0, std::max(0, count() - visibleRows()));
    setDirty();
}

void CListBox::select(int index) {
    selected_ = index >= 0 && index < count() ? index : -1;
    if (selected_ >= 0) {
        if (selected_ < top_) scrollTo(selected_);
        else if (selected_ >= top_ + visibleRows()) scrollTo(selected_ - visibleRows() + 1);
    }
    setDirty();
}

void CListBox::choose(int index) {
    select(index);
    if (selected_ < 0) return;
    value_ = static_cast<float>(selected_);
    notify();
}

CRect CListBox::thumbRect() const {
    const CRect bar = barRect();
    const int rows = visibleRows();
    if (count() <= rows) return {bar.left, bar.top, bar.right, bar.bottom};
    const int length = std::max(8, bar.height() * rows / count());
    const int travel = bar.height() - length;
    const int top = bar.top + travel * top_ / std::max(1, count() - rows);
    return {bar.left, top, bar.right, top + length};
}

void CListBox::draw(CDrawContext& context) {
    context.fillRect(size_, kToolField);
    sunkenBorder(context, size_);
    const int rows = visibleRows();
    for (int row = 0; row < rows && top_ + row < count(); ++row) {
        const int index = top_ + row;
        const CRect line{size_.left + 2, size_.top + 2 + row * rowHeight(), size_.right - kBarWidth,
                         size_.top + 2 + (row + 1) * rowHeight()};
        const bool chosen = index == selected_;
        if (chosen) context.fillRect(line, kToolSelection);
        context.drawText(itemText(index), {line.left + 2, line.top, line.right, line.bottom}, kNormalFontSmall,
                         chosen ? kToolField : kToolText, Align::left);
    }
    context.fillRect(barRect(), kToolFace);
    const CRect thumb = thumbRect();
    context.fillRect(thumb, CColor{180, 176, 168, 255});
    context.frameRect(thumb, kToolShadow);
    setDirty(false);
}

bool CListBox::onMouseDown(CPoint where, int) {
    if (!mouseEnabled_) return false;
    if (barRect().contains(where)) {
        const CRect thumb = thumbRect();
        if (where.y < thumb.top) scrollTo(top_ - visibleRows());
        else if (where.y >= thumb.bottom) scrollTo(top_ + visibleRows());
        return true;
    }
    const int row = (where.y - size_.top - 2) / rowHeight();
    if (row >= 0 && row < visibleRows() && top_ + row < count()) choose(top_ + row);
    return true;
}

bool CListBox::onKeyDown(const KeyEvent& key) {
    if (count() == 0) return false;
    const int page = std::max(1, visibleRows() - 1);
    const int from = selected_ < 0 ? top_ : selected_;
    switch (key.key) {
    case Key::up: choose(std::max(0, from - 1)); return true;
    case Key::down: choose(std::min(count() - 1, selected_ < 0 ? from : from + 1)); return true;
    case Key::home: choose(0); return true;
    case Key::end: choose(count() - 1); return true;
    case Key::pageUp: choose(std::max(0, from - page)); return true;
    case Key::pageDown: choose(std::min(count() - 1, from + page)); return true;
    default: return false;
    }
}

bool CListBox::onWheel(CPoint, float distance) {
    scrollTo(top_ - static_cast<int>(distance * 3));
    return true;
}

// ---- CTextButton ----

void CTextButton::setTitle(const std::string& title) {
    title_ = title;
    setDirty();
}

void CTextButton::draw(CDrawContext& context) {
    context.fillRect(size_, kToolFace);
    context.frameRect(size_, kToolShadow);
    context.fillRect({size_.left + 1, size_.top + 1, size_.right - 1, size_.top + 2}, kToolField);
    context.drawText(menuText(title_).shown, size_, kNormalFontSmall, kToolText, Align::center);
    setDirty(false);
}

bool CTextButton::onMouseDown(CPoint, int) {
    if (!mouseEnabled_) return false;
    value_ = 1.0f;
    notify();
    return true;
}

}  // namespace vexlo::toolkit
