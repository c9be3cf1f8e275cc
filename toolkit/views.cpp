#include "toolkit/views.h"

#include <utility>

#include "frame/audio_effect_x.h"

namespace vexlo::toolkit {

namespace {
PlatformFrameFactory& installedFactory() {
    static PlatformFrameFactory factory;
    return factory;
}
}  // namespace

void setPlatformFrameFactory(PlatformFrameFactory factory) { installedFactory() = std::move(factory); }

// ---- COptionMenu ----

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
    if (showsText_ && !isSeparator(current_)) context.drawText(getEntry(current_), size_, font_, fontColor_, Align::center);
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

CFrame::CFrame(const CRect& size, void* parentWindow, AudioEffectX* effect) : CView(size), effect_(effect) {
    auto& factory = installedFactory();
    platform_ = factory ? factory(*this) : createNativeFrame(*this);
    if (platform_ && !platform_->open(parentWindow, size.width(), size.height())) platform_.reset();
}

CFrame::~CFrame() {
    if (platform_) platform_->close();
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
    context.fillRect(size_, CColor{24, 26, 30, 255});
    if (background_) context.drawBitmap(*background_, {0, 0, background_->width(), background_->height()});
    for (const auto& view : views_) view->draw(context);
    setDirty(false);
}

void CFrame::mouseDown(CPoint where, int buttons) {
    // The view added last lies on top.
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
        if ((*it)->getViewSize().contains(where) && (*it)->onMouseDown(where, buttons)) break;
    }
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
    size_.right = size_.left + width;
    size_.bottom = size_.top + height;
    char word[] = "sizeWindow";
    if (effect_ && effect_->canHostDo(word) && effect_->sizeWindow(width, height)) return true;
    if (platform_) platform_->resize(width, height);
    return true;
}

}  // namespace vexlo::toolkit
