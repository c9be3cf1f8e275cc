// The test editor's panel on X11: a green child window of the host's window, on a display
// connection of its own, as real plug-ins make theirs.
#include <X11/Xlib.h>

#include <cstdint>

#include "tests/plugins/test_editor.h"

namespace {
struct Panel {
    Display* display;
    Window window;
};

// A host that hands over something other than a window id (an offscreen test's handle) must
// not end the test program through Xlib's default error handler.
bool failed = false;
int noteError(Display*, XErrorEvent*) {
    failed = true;
    return 0;
}
}  // namespace

void* testPanelOpen(void* parent, int width, int height) {
    if (!parent) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    XColor green{};
    green.red = 32 << 8;
    green.green = 192 << 8;
    green.blue = 96 << 8;
    XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &green);
    XSync(display, False);
    failed = false;
    auto previous = XSetErrorHandler(noteError);
    const Window window = XCreateSimpleWindow(display, static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent)), 0,
                                              0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0,
                                              green.pixel);
    XMapWindow(display, window);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (failed) {
        XCloseDisplay(display);
        return nullptr;
    }
    return new Panel{display, window};
}

void testPanelResize(void* panel, int width, int height) {
    if (auto* p = static_cast<Panel*>(panel)) {
        XResizeWindow(p->display, p->window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XFlush(p->display);
    }
}

void testPanelIdle(void* panel) {
    if (auto* p = static_cast<Panel*>(panel)) {
        while (XPending(p->display)) {
            XEvent event;
            XNextEvent(p->display, &event);
        }
    }
}

void testPanelClose(void* panel) {
    if (auto* p = static_cast<Panel*>(panel)) {
        XDestroyWindow(p->display, p->window);
        XCloseDisplay(p->display);
        delete p;
    }
}
