// The offscreen backend: frames drawn into an image in memory and driven by scripted mouse
// events and menu choices, for tests that need no display.
#pragma once

#include <deque>
#include <utility>

#include "toolkit/views.h"

namespace vexlo::toolkit {

class OffscreenFrame : public PlatformFrame {
public:
    explicit OffscreenFrame(CFrame& frame) : frame_(frame) {}

    // Makes every frame created from now on offscreen; the last one made is `latest()`.
    static void install();
    static void uninstall();
    static OffscreenFrame* latest();

    bool open(void*, int width, int height) override;
    void close() override;
    void pumpEvents() override {}
    void redraw() override;
    void resize(int width, int height) override;
    void mouseState(CPoint& where, int& buttons) override;
    COptionMenu* popup(COptionMenu& menu, CPoint where, int* chosen) override;

    // A click at a point; with a path, the button stays down while the pointer visits each
    // point of the path in turn.
    void click(CPoint where, int buttons, std::deque<CPoint> path = {});
    // The next popup's answer: (0, i) entry i of the menu, (1, i) entry i of its submenu,
    // (-1, 0) dismissed. Without an answer a popup is dismissed.
    std::deque<std::pair<int, int>> popupAnswers;

    // What the last popup showed: its entries and which one carried the check mark.
    std::vector<std::string> lastPopupEntries;
    int lastPopupChecked = -1;

    const CBitmap& image() const { return image_; }
    const std::vector<ImageContext::TextDrawn>& texts() const { return texts_; }
    bool isOpen() const { return open_; }

private:
    CFrame& frame_;
    CBitmap image_;
    std::vector<ImageContext::TextDrawn> texts_;
    std::deque<CPoint> path_;
    int heldButtons_ = 0;
    bool open_ = false;
};

}  // namespace vexlo::toolkit
