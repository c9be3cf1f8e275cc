// A small tool window: a top-level window with a title and a close box, owned by an editor's
// frame, with a frame of its own inside for toolkit controls. It lives on the editor's thread
// and is driven by the editor's idle; the close box and Escape only ask it to close, and its
// owner destroys it at a time of its choosing.
#pragma once

#include <memory>
#include <string>

#include "toolkit/views.h"

namespace vexlo::toolkit {

class ToolWindow {
public:
    // where: the inside of the window on the screen. Null when the owner has no window or the
    // system makes none.
    static std::unique_ptr<ToolWindow> create(CFrame& owner, const std::string& title, const CRect& where);
    // The inside frame goes before the window it sits in.
    ~ToolWindow();
    ToolWindow(const ToolWindow&) = delete;
    ToolWindow& operator=(const ToolWindow&) = delete;

    CFrame& frame() { return *frame_; }
    NativeWindow& window() { return *window_; }
    // Handles the window's events and redraws what changed.
    void idle() { frame_->idle(); }
    // The person closed it (close box or Escape), or its owner asked.
    bool closeRequested() const { return closeRequested_; }
    void requestClose() { closeRequested_ = true; }

private:
    ToolWindow() = default;

    std::unique_ptr<NativeWindow> window_;
    std::unique_ptr<CFrame> frame_;
    bool closeRequested_ = false;
};

}  // namespace vexlo::toolkit
