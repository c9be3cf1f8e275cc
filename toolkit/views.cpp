#include "toolkit/views.h"

#include <utility>

#include <algorithm>

#include "toolkit/menu_keys.h"

namespace vexlo::toolkit {

namespace {
PlatformFrameFactory& installedFactory() {
    static PlatformFrameFactory factory;
    return factory;
}
}  // namespace

void setPlatformFrameFactory(PlatformFrameFactory factory) { installedFactory() = std::move(factory); }

// ---- CView ----

void CView::setViewSize(const CRect& size) {
    size_ = size;
    setDirty();
    // The background where the view was must show again.
    if (frame_) frame_->setDirty();
}

// ---- COptionMenu ----

void COptionMenu::setChecked(int index, bool checked) {
    checked_.erase(std::remove(checked_.begin(), checked_.end(), index), checked_.end());
    if (checked) checked_.push_back(index);
}

bool COptionMenu::isChecked(int index) const {
    return (checkStyle_ && index == current_) || std::find(checked_.begin(), checked_.end(), index) != checked_.end();
}

void COptionMenu::setEntry(int index, const std::string& text) {
    if (index < 0 || index >= getNbEntries()) return;
    entries_[static_cast<std::size_t>(index)].text = text;
    setDirty();
}

std::string COptionMenu::getEntry(int index) const {
    return index >= 0 && index < getNbEntries() ? entries_[static_cast<std::size_t>(index)].text : std::string();
}

COptionMenu* COptionMenu::getSubmenu(int index) const {
    return index >= 0 && index < getNbEntries() ? entries_[static_cast<std::size_t>(index)].submenu : nullptr;
}

void COptionMenu::setCurrent(int index) {
    if (index < 0 || index >= getNbEntries()) return;
    current_ = index;
    value_ = static_cast<float>(index);
    setDirty();
}

void COptionMenu::choose(int index) {
    setCurrent(index);
    notify();
}

void COptionMenu::draw(CDrawContext& context) {
    if (background_) context.drawBitmap(*background_, size_, backgroundOffset_);
    if (showsText_ && !isSeparator(current_))
        context.drawText(menuText(getEntry(current_)).shown, size_, font_, fontColor_, Align::center);
    setDirty(false);
}

bool COptionMenu::onMouseDown(CPoint where, int) {
    if (!mouseEnabled_ || !frame_) return false;
    int chosen = -1;
    if (COptionMenu* menu = frame_->popup(*this, where, &chosen)) menu->choose(chosen);
    return true;
}

// ---- CTextLabel ----

void CTextLabel::draw(CDrawContext& context) {
    if (background_) context.drawBitmap(*background_, size_, backgroundOffset_);
    context.drawText(text_, size_, font_, color_, align_);
    setDirty(false);
}

// ---- Buttons and pictures ----

bool CInvisibleButton::onMouseDown(CPoint, int) {
    if (!mouseEnabled_) return false;
    value_ = value_ != 0.0f ? 0.0f : 1.0f;
    notify();
    return true;
}

void COnOffPicture::draw(CDrawContext& context) {
    if (bitmap_) context.drawBitmap(*bitmap_, size_, {0, value_ != 0.0f ? size_.height() : 0});
    setDirty(false);
}

bool COnOffPicture::onMouseDown(CPoint, int) {
    if (!mouseEnabled_) return false;
    value_ = value_ != 0.0f ? 0.0f : 1.0f;
    setDirty();
    notify();
    return true;
}

// ---- CFrame ----

CFrame::CFrame(const CRect& size, void* parentWindow, FrameOwner* owner) : CView(size), owner_(owner) {
    auto& factory = installedFactory();
    platform_ = factory ? factory(*this) : createNativeFrame(*this);
    if (platform_ && !platform_->open(parentWindow, size.width(), size.height())) platform_.reset();
}

CFrame::~CFrame() {
    if (platform_) platform_->close();
}

std::unique_ptr<CView> CFrame::removeView(CView* view) {
    auto found = std::find_if(views_.begin(), views_.end(), [view](const auto& own) { return own.get() == view; });
    if (found == views_.end()) return nullptr;
    std::unique_ptr<CView> removed = std::move(*found);
    views_.erase(found);
    removed->setFrame(nullptr);
    if (focus_ == view) focus_ = nullptr;
    setDirty();
    return removed;
}

bool CFrame::containsView(const CView* view) const {
    return std::any_of(views_.begin(), views_.end(), [view](const auto& own) { return own.get() == view; });
}

void CFrame::idle() {
    if (!platform_) return;
    platform_->pumpEvents();
    if (anyDirty()) platform_->redraw();
}

bool CFrame::anyDirty() const {
    if (isDirty()) return true;
    for (const auto& view : views_)
        if (view->isDirty()) return true;
    return false;
}

void CFrame::draw(CDrawContext& context) {
    context.fillRect(size_, backgroundColour_);
    if (background_) context.drawBitmap(*background_, {0, 0, background_->width(), background_->height()});
    for (const auto& view : views_) view->draw(context);
    setDirty(false);
}

void CFrame::mouseDown(CPoint where, int buttons) {
    // The view added last lies on top.
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
        CView* view = it->get();
        if (view->getMouseableArea().contains(where) && view->onMouseDown(where, buttons)) {
            // The view may have removed itself or others; it keeps the keyboard only if it is here.
            if (containsView(view) && view->takesFocus()) {
                if (focus_ != view) {
                    if (focus_) focus_->setDirty();
                    focus_ = view;
                    view->setDirty();
                }
                if (platform_) platform_->takeKeyboard();
            }
            break;
        }
    }
    if (anyDirty() && platform_) platform_->redraw();
}

bool CFrame::keyDown(const KeyEvent& key) {
    bool used = focus_ && focus_->onKeyDown(key);
    if (!used && keyListener_) used = keyListener_(key);
    if (anyDirty() && platform_) platform_->redraw();
    return used;
}

void CFrame::wheel(CPoint where, float distance) {
    for (auto it = views_.rbegin(); it != views_.rend(); ++it)
        if ((*it)->getViewSize().contains(where) && (*it)->onWheel(where, distance)) break;
    if (anyDirty() && platform_) platform_->redraw();
}

void CFrame::trackMouse(CPoint& where, int& buttons) {
    if (!platform_) {
        buttons = 0;
        return;
    }
    if (anyDirty()) platform_->redraw();
    platform_->mouseState(where, buttons);
}

COptionMenu* CFrame::popup(COptionMenu& menu, CPoint where, int* chosen) {
    return platform_ ? platform_->popup(menu, where, chosen) : nullptr;
}

bool CFrame::setSize(int width, int height) {
    if (width == size_.width() && height == size_.height()) return true;
    size_.right = size_.left + width;
    size_.bottom = size_.top + height;
    if (owner_) owner_->frameResized(width, height);
    const bool hostDidIt = owner_ && owner_->askHostToResize(width, height);
    if (platform_) platform_->resize(width, height, !hostDidIt);
    setDirty();
    return true;
}

}  // namespace vexlo::toolkit
