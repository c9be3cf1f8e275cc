#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

#include "host/editor_window.h"

namespace vexlo::host {

namespace {

class X11EditorWindow final : public EditorWindow {
public:
    X11EditorWindow(Display* display, Window window) : display_(display), window_(window) {}
    ~X11EditorWindow() override {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    void* handle() const override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_)); }
    bool resize(int width, int height) override {
        XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XFlush(display_);
        return true;
    }
    void pumpEvents() override {
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
        }
    }

private:
    Display* display_;
    Window window_;
};

}  // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(const std::string& title, int width, int height,
                                                   std::string* error) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        if (error) *error = "no X display (is DISPLAY set?)";
        return nullptr;
    }
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                        BlackPixel(display, screen));
    XStoreName(display, window, title.c_str());
    XMapRaised(display, window);
    XSync(display, False);
    return std::make_unique<X11EditorWindow>(display, window);
}

}  // namespace vexlo::host
