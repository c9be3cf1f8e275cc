#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "host/editor_window.h"
#include "platform/platform.h"

namespace vexlo::host {

bool runEditor(Plugin& plugin, double seconds, std::string* error) {
    const ERect* rect = editorRect(plugin, error);
    if (!rect) return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        if (error) *error = "no X display (is DISPLAY set?)";
        return false;
    }
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                        BlackPixel(display, screen));
    XStoreName(display, window, ("vexlo-host: " + plugin.effectName()).c_str());
    XMapRaised(display, window);
    XSync(display, False);
    plugin.setWindowResizer([display, window](int w, int h) {
        if (w <= 0 || h <= 0) return false;
        XResizeWindow(display, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
        XFlush(display);
        return true;
    });

    plugin.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)));
    const std::uint32_t start = platform::tickCount();
    while (platform::tickCount() - start < static_cast<std::uint32_t>(seconds * 1000)) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
        }
        plugin.dispatch(effEditIdle);
        platform::sleepMs(20);
    }
    plugin.dispatch(effEditClose);
    plugin.setWindowResizer(nullptr);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return true;
}

}  // namespace vexlo::host
