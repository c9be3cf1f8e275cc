// Windows an X11 frame makes on its own display connection for other plug-ins' editors.
#pragma once

#include <X11/Xlib.h>

#include "toolkit/views.h"

namespace vexlo::toolkit {

class X11Window : public NativeWindow {
public:
    // A child of `parent`, or (owned) a top-level window transient for `owner`'s top-level
    // window, with a title and the window manager's close box. The window exists on the server
    // when the constructor returns, so that other connections can use its id.
    X11Window(Display* display, Window parent, const CRect& where);
    X11Window(Display* display, Window owner, const std::string& title, const CRect& where);
    ~X11Window() override;

    void* handle() const override;
    void setBounds(const CRect& where) override;
    CRect bounds() const override { return bounds_; }
    void raise() override;
    void setTitle(const std::string& title) override;
    CRect screenBounds() const override;

    Window id() const { return window_; }
    // An event for this window from the frame's event loop; true when it was the window
    // manager's request to close (the close handler has run then, and may have destroyed this).
    bool handle(const XEvent& event);

private:
    Display* display_;
    Window window_ = 0;
    Atom deleteWindow_ = 0;
    CRect bounds_;
};

}  // namespace vexlo::toolkit
