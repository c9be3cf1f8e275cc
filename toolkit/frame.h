// The frame: the root view bound to the host's window through its platform frame.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/platform_frame.h"
#include "toolkit/view.h"

namespace vexlo::toolkit {

class CFrame : public CView {
public:
    CFrame(const CRect& size, void* parentWindow, FrameOwner* owner);
    ~CFrame() override;
    bool isOpen() const { return platform_ != nullptr; }

    void setBackground(const CBitmap* bitmap) { background_ = bitmap; }
    // What shows where neither the background bitmap nor a view draws.
    void setBackgroundColour(CColor colour) { backgroundColour_ = colour; }
    // Adds a view; the frame owns it.
    template <typename View>
    View* addView(std::unique_ptr<View> view) {
        View* raw = view.get();
        raw->setFrame(this);
        views_.push_back(std::move(view));
        setDirty();
        return raw;
    }
    // Takes a view out of the frame without destroying it: the caller owns it until it is added
    // again. Null when the view is not in the frame.
    std::unique_ptr<CView> removeView(CView* view);
    bool containsView(const CView* view) const;
    const std::vector<std::unique_ptr<CView>>& views() const { return views_; }
    // The frame's own window, or null when it has none.
    void* getSystemWindow() const { return platform_ ? platform_->nativeHandle() : nullptr; }
    // A child window inside the frame's window, or a top-level window it owns (see NativeWindow).
    std::unique_ptr<NativeWindow> createChildWindow(const CRect& where) {
        return platform_ ? platform_->createChildWindow(where) : nullptr;
    }
    std::unique_ptr<NativeWindow> createOwnedWindow(const std::string& title, const CRect& where) {
        return platform_ ? platform_->createOwnedWindow(title, where) : nullptr;
    }
    CRect workArea() const { return platform_ ? platform_->workArea() : CRect{0, 0, 1024, 768}; }
    std::unique_ptr<Dialog> createDialog(int templateId, DialogListener& listener) {
        return platform_ ? platform_->createDialog(templateId, listener) : nullptr;
    }
    std::unique_ptr<FileBrowser> createFileBrowser(const FileBrowserRequest& request, FileBrowserListener& listener) {
        return platform_ ? platform_->createFileBrowser(request, listener) : nullptr;
    }

    // Called from the editor's idle: handles window events, then redraws if anything is dirty.
    void idle();
    // Redraws what is dirty now, without handling events (for a long call on the editor's thread).
    void redrawDirty() {
        if (platform_ && anyDirty()) platform_->redraw();
    }
    // Draws the whole frame.
    void draw(CDrawContext& context) override;
    bool anyDirty() const;

    // From the backend: a button went down in the window.
    void mouseDown(CPoint where, int buttons);
    // While a button is held: the pointer and the buttons, with the frame kept up to date.
    void trackMouse(CPoint& where, int& buttons);
    COptionMenu* popup(COptionMenu& menu, CPoint where, int* chosen);
    // Resizes the frame and its window; the owner asks the host to resize the window around
    // it, and when the host does not, the frame resizes that window itself.
    bool setSize(int width, int height);
    // Keys and the wheel the host passes on (effEditKeyDown and so on): the editors here leave
    // them to the host.
    bool onHostKeyDown(int) { return false; }
    bool onHostKeyUp(int) { return false; }
    bool onHostWheel(float) { return false; }
    // From the backend: a key for the view that has the keyboard, and the wheel over a point.
    bool keyDown(const KeyEvent& key);
    void wheel(CPoint where, float distance);
    // The view that has the keyboard (set by a click on a view that takes it), or null.
    CView* focusView() const { return focus_; }
    void setFocusView(CView* view) { focus_ = view; }
    // Told of every key no view used (a window that closes on Escape, say).
    void setKeyListener(std::function<bool(const KeyEvent&)> listener) { keyListener_ = std::move(listener); }
    const char* getClassName() const override { return "CFrame"; }
    PlatformFrame* platform() { return platform_.get(); }

private:
    std::vector<std::unique_ptr<CView>> views_;
    const CBitmap* background_ = nullptr;
    CColor backgroundColour_{24, 26, 30, 255};
    FrameOwner* owner_;
    CView* focus_ = nullptr;
    std::function<bool(const KeyEvent&)> keyListener_;
    std::unique_ptr<PlatformFrame> platform_;
};

}  // namespace vexlo::toolkit
