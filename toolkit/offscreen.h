// The offscreen backend: frames drawn into an image in memory and driven by scripted mouse
// events and menu choices, for tests that need no display.
#pragma once

#include <deque>
#include <utility>

#include "toolkit/menu_keys.h"
#include "toolkit/views.h"

namespace vexlo::toolkit {

// A window made by an offscreen frame: it records where it is put.
class OffscreenWindow : public NativeWindow {
public:
    OffscreenWindow(bool child, std::string title, const CRect& where);
    ~OffscreenWindow() override;
    void* handle() const override { return const_cast<OffscreenWindow*>(this); }
    void setBounds(const CRect& where) override { bounds_ = where; }
    CRect bounds() const override { return bounds_; }
    void raise() override { ++raises; }
    void setTitle(const std::string& text) override { title = text; }
    // The person clicks the close box (the handler may destroy this window).
    void closeBoxClicked() { personClosed(); }

    // Every offscreen window alive in the process, oldest first.
    static const std::vector<OffscreenWindow*>& live();

    const bool child;
    std::string title;
    int raises = 0;

private:
    CRect bounds_;
};

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
    void resize(int width, int height, bool parentToo) override;
    void* nativeHandle() const override { return const_cast<OffscreenFrame*>(this); }
    void mouseState(CPoint& where, int& buttons) override;
    COptionMenu* popup(COptionMenu& menu, CPoint where, int* chosen) override;
    std::unique_ptr<NativeWindow> createChildWindow(const CRect& where) override;
    std::unique_ptr<NativeWindow> createOwnedWindow(const std::string& title, const CRect& where) override;
    // No window can be made (as when the system refuses one).
    bool refuseWindows = false;

    // A click at a point; with a path, the button stays down while the pointer visits each
    // point of the path in turn.
    void click(CPoint where, int buttons, std::deque<CPoint> path = {});
    // Keys typed into the window: every character of a text, or one key.
    void type(const std::string& text);
    void press(Key key);
    void turnWheel(CPoint where, float distance) { frame_.wheel(where, distance); }
    // Whether the window has taken the keyboard since it opened.
    bool tookKeyboard = false;
    void takeKeyboard() override { tookKeyboard = true; }
    // The next popup's answer: (0, i) entry i of the menu, (1, i) entry i of its submenu,
    // (-1, 0) dismissed. Without an answer a popup is dismissed.
    std::deque<std::pair<int, int>> popupAnswers;
    // Or the keys pressed in the next popup, one script per popup, taken before the answers. A
    // key opens a submenu as the system's menus do; a script that ends without a choice
    // dismisses the popup.
    struct KeyPress {
        MenuKey key;
        char letter = 0;
    };
    std::deque<std::vector<KeyPress>> popupKeys;

    // What the last popup showed: its entries and which one carried the check mark.
    std::vector<std::string> lastPopupEntries;
    int lastPopupChecked = -1;
    std::vector<int> lastPopupChecks;  // every entry with a check mark
    // The levels of the last popup driven by keys, as the toolkit drew them when the keys ended.
    std::vector<CBitmap> lastPopupLevels;
    // The window's size, and whether the last resize also resized the host's window.
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    bool resizedParent = false;

    const CBitmap& image() const { return image_; }
    const std::vector<ImageContext::TextDrawn>& texts() const { return texts_; }
    // Every text drawn since the frame opened, in order.
    std::vector<std::string> textHistory;
    // How many offscreen frames are open in the process.
    static int openFrames();
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
