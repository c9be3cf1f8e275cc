#include "toolkit/offscreen.h"

#include <algorithm>

#include "toolkit/popup_menu.h"

namespace vexlo::toolkit {

namespace {
OffscreenFrame* latestFrame = nullptr;
int openCount = 0;
}  // namespace

int OffscreenFrame::openFrames() { return openCount; }

namespace {
std::vector<OffscreenWindow*>& liveWindows() {
    static std::vector<OffscreenWindow*> all;
    return all;
}
}  // namespace

OffscreenWindow::OffscreenWindow(bool isChild, std::string windowTitle, const CRect& where)
    : child(isChild), title(std::move(windowTitle)), bounds_(where) {
    liveWindows().push_back(this);
}

OffscreenWindow::~OffscreenWindow() {
    auto& all = liveWindows();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

const std::vector<OffscreenWindow*>& OffscreenWindow::live() { return liveWindows(); }

std::unique_ptr<NativeWindow> OffscreenFrame::createChildWindow(const CRect& where) {
    if (refuseWindows || !open_) return nullptr;
    return std::make_unique<OffscreenWindow>(true, "", where);
}

std::unique_ptr<NativeWindow> OffscreenFrame::createOwnedWindow(const std::string& title, const CRect& where) {
    if (refuseWindows || !open_) return nullptr;
    return std::make_unique<OffscreenWindow>(false, title, where);
}

void OffscreenFrame::install() {
    setPlatformFrameFactory([](CFrame& frame) {
        auto platform = std::make_unique<OffscreenFrame>(frame);
        latestFrame = platform.get();
        return platform;
    });
}

void OffscreenFrame::uninstall() {
    setPlatformFrameFactory(nullptr);
    latestFrame = nullptr;
}

OffscreenFrame* OffscreenFrame::latest() { return latestFrame; }

bool OffscreenFrame::open(void*, int width, int height) {
    image_ = CBitmap(width, height);
    open_ = true;
    ++openCount;
    return true;
}

void OffscreenFrame::close() {
    if (open_) --openCount;
    open_ = false;
    if (latestFrame == this) latestFrame = nullptr;
}

void OffscreenFrame::redraw() {
    ImageContext context(image_);
    frame_.draw(context);
    texts_ = context.texts;
    for (const auto& text : texts_) textHistory.push_back(text.text);
}

void OffscreenFrame::resize(int width, int height, bool parentToo) {
    image_ = CBitmap(width, height);
    resizedParent = parentToo;
}

void OffscreenFrame::mouseState(CPoint& where, int& buttons) {
    if (path_.empty()) {
        buttons = 0;
        return;
    }
    where = path_.front();
    path_.pop_front();
    buttons = heldButtons_;
}

COptionMenu* OffscreenFrame::popup(COptionMenu& menu, CPoint where, int* chosen) {
    lastPopupEntries.clear();
    for (int i = 0; i < menu.getNbEntries(); ++i) lastPopupEntries.push_back(menu.getEntry(i));
    lastPopupChecked = menu.getCurrent();
    lastPopupChecks.clear();
    for (int i = 0; i < menu.getNbEntries(); ++i)
        if (menu.isChecked(i)) lastPopupChecks.push_back(i);
    if (!popupKeys.empty()) {
        // The toolkit's own popup, driven by the keys and drawn as it stands when they end.
        std::vector<KeyPress> keys = std::move(popupKeys.front());
        popupKeys.pop_front();
        CBitmap scratch(1, 1);
        ImageContext measure(scratch);
        PopupSession session(menu, where, {0, 0, 4096, 4096}, measure);
        for (const KeyPress& press : keys) session.key(press.key, press.letter);
        lastPopupLevels.clear();
        for (const PopupSession::Level& level : session.levels()) {
            lastPopupLevels.emplace_back(level.view.width(), level.view.height());
            ImageContext context(lastPopupLevels.back());
            level.view.draw(context);
        }
        if (!session.ended() || !session.chosenMenu()) return nullptr;
        *chosen = session.chosenEntry();
        return session.chosenMenu();
    }
    if (popupAnswers.empty()) return nullptr;
    auto [level, index] = popupAnswers.front();
    popupAnswers.pop_front();
    if (level < 0) return nullptr;
    COptionMenu* target = &menu;
    if (level == 1) {
        target = nullptr;
        for (int i = 0; i < menu.getNbEntries() && !target; ++i) target = menu.getSubmenu(i);
        if (!target) return nullptr;
    }
    *chosen = index;
    return target;
}

void OffscreenFrame::click(CPoint where, int buttons, std::deque<CPoint> path) {
    path_ = std::move(path);
    path_.push_front(where);  // the pointer is where the button went down
    heldButtons_ = buttons;
    frame_.mouseDown(where, buttons);
    path_.clear();
}

void OffscreenFrame::type(const std::string& text) {
    for (char c : text) {
        KeyEvent key;
        key.character = c;
        frame_.keyDown(key);
    }
}

void OffscreenFrame::press(Key key) {
    KeyEvent event;
    event.key = key;
    frame_.keyDown(event);
}

}  // namespace vexlo::toolkit
