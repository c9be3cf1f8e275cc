#include "toolkit/x11/x11_window.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>

namespace vexlo::toolkit {

namespace {

unsigned side(int length) { return static_cast<unsigned>(std::max(length, 1)); }

// The window manager decorates only top-level windows: an owned window is transient for the
// top-level window the frame sits in.
Window topLevelOf(Display* display, Window window) {
    for (;;) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) return window;
        if (children) XFree(children);
        if (parent == root || parent == 0) return window;
        window = parent;
    }
}

}  // namespace

X11Window::X11Window(Display* display, Window parent, const CRect& where) : display_(display), bounds_(where) {
    window_ = XCreateSimpleWindow(display_, parent, where.left, where.top, side(where.width()), side(where.height()), 0,
                                  0, BlackPixel(display_, DefaultScreen(display_)));
    XMapRaised(display_, window_);
    XSync(display_, False);
}

X11Window::X11Window(Display* display, Window owner, const std::string& title, const CRect& where)
    : display_(display), bounds_(where) {
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), where.left, where.top, side(where.width()),
                                  side(where.height()), 0, 0, BlackPixel(display_, screen));
    XStoreName(display_, window_, title.c_str());
    XSetTransientForHint(display_, window_, topLevelOf(display_, owner));
    // Without this the window manager ends the whole connection when the close box is clicked.
    deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteWindow_, 1);
    XSizeHints hints{};
    hints.flags = USPosition | PPosition;
    hints.x = where.left;
    hints.y = where.top;
    XSetWMNormalHints(display_, window_, &hints);
    XMapRaised(display_, window_);
    XSync(display_, False);
}

X11Window::~X11Window() {
    XDestroyWindow(display_, window_);
    XSync(display_, False);
}

void* X11Window::handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_)); }

void X11Window::setBounds(const CRect& where) {
    bounds_ = where;
    XMoveResizeWindow(display_, window_, where.left, where.top, side(where.width()), side(where.height()));
    XFlush(display_);
}

void X11Window::raise() {
    XMapRaised(display_, window_);
    XFlush(display_);
}

void X11Window::setTitle(const std::string& title) {
    XStoreName(display_, window_, title.c_str());
    XFlush(display_);
}

CRect X11Window::screenBounds() const {
    Window root = 0, child = 0;
    int x = 0, y = 0, rootX = 0, rootY = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(display_, window_, &root, &x, &y, &width, &height, &border, &depth)) return bounds_;
    if (!XTranslateCoordinates(display_, window_, root, 0, 0, &rootX, &rootY, &child)) return bounds_;
    return {rootX, rootY, rootX + static_cast<int>(width), rootY + static_cast<int>(height)};
}

bool X11Window::handle(const XEvent& event) {
    if (event.type != ClientMessage || event.xclient.window != window_ || !deleteWindow_ ||
        static_cast<Atom>(event.xclient.data.l[0]) != deleteWindow_)
        return false;
    personClosed();
    return true;
}

}  // namespace vexlo::toolkit
