// The X11 backend: a child window of the host's window on a Display connection of our own,
// drawn with Cairo. Events are drained from the editor's idle; nothing here starts a thread.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <map>

#include "platform/platform.h"
#include "toolkit/menu_keys.h"
#include "toolkit/popup_menu.h"
#include "toolkit/views.h"
#include "toolkit/x11/cairo_context.h"
#include "toolkit/x11/x11_window.h"

namespace vexlo::toolkit {

CBitmap loadResourceBitmap(int id, const BitmapTable& embedded) {
    for (std::size_t i = 0; i < embedded.count; ++i)
        if (embedded.entries[i].id == id) return CBitmap::fromBmp(embedded.entries[i].data, embedded.entries[i].size);
    return {};
}

namespace {

class X11Frame : public PlatformFrame {
public:
    explicit X11Frame(CFrame& frame) : frame_(frame) {}
    ~X11Frame() override { close(); }

    bool open(void* parent, int width, int height) override {
        display_ = XOpenDisplay(nullptr);
        if (!display_) return false;
        parent_ = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
        width_ = width;
        height_ = height;
        window_ = XCreateSimpleWindow(display_, parent_, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
        XSelectInput(display_, window_, ExposureMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask | KeyPressMask);
        XMapWindow(display_, window_);
        surface_ = cairo_xlib_surface_create(display_, window_, DefaultVisual(display_, DefaultScreen(display_)), width, height);
        XFlush(display_);
        return true;
    }

    void close() override {
        if (!display_) return;
        for (auto& [bitmap, image] : images_)
            if (image.surface) cairo_surface_destroy(image.surface);
        images_.clear();
        if (surface_) cairo_surface_destroy(surface_);
        surface_ = nullptr;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
        display_ = nullptr;
    }

    void pumpEvents() override {
        if (!display_) return;
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == Expose && event.xexpose.count == 0) {
                frame_.setDirty();
            } else if (event.type == ButtonPress && event.xbutton.window == window_) {
                const unsigned button = event.xbutton.button;
                const int buttons = button == Button1 ? kLButton : button == Button3 ? kRButton : 0;
                if (buttons) frame_.mouseDown({event.xbutton.x, event.xbutton.y}, buttons);
                if (button == Button4 || button == Button5)
                    frame_.wheel({event.xbutton.x, event.xbutton.y}, button == Button4 ? 1.0f : -1.0f);
            } else if (event.type == KeyPress && event.xkey.window == window_) {
                KeyEvent key;
                if (translateKey(event.xkey, key)) frame_.keyDown(key);
            } else if (event.type == ClientMessage) {
                // A close box of one of our owned windows; its handler may destroy it.
                for (X11Window* owned : owned_)
                    if (owned->handle(event)) break;
            }
        }
    }

    CRect workArea() const override {
        if (!display_) return PlatformFrame::workArea();
        const int screen = DefaultScreen(display_);
        return {0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
    }

    void takeKeyboard() override {
        if (display_) XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    }

    static bool translateKey(XKeyEvent& event, KeyEvent& key) {
        char text[8] = {};
        KeySym symbol = NoSymbol;
        const int length = XLookupString(&event, text, sizeof text, &symbol, nullptr);
        switch (symbol) {
        case XK_BackSpace: key.key = Key::backspace; return true;
        case XK_Delete: key.key = Key::del; return true;
        case XK_Return:
        case XK_KP_Enter: key.key = Key::enter; return true;
        case XK_Escape: key.key = Key::escape; return true;
        case XK_Tab: key.key = Key::tab; return true;
        case XK_Left: key.key = Key::left; return true;
        case XK_Right: key.key = Key::right; return true;
        case XK_Up: key.key = Key::up; return true;
        case XK_Down: key.key = Key::down; return true;
        case XK_Home: key.key = Key::home; return true;
        case XK_End: key.key = Key::end; return true;
        case XK_Page_Up: key.key = Key::pageUp; return true;
        case XK_Page_Down: key.key = Key::pageDown; return true;
        default: break;
        }
        if (length != 1 || static_cast<unsigned char>(text[0]) < 32) return false;
        key.key = Key::character;
        key.character = text[0];
        return true;
    }

    void redraw() override {
        if (!surface_) return;
        cairo_t* cr = cairo_create(surface_);
        CairoContext context(cr, images_);
        frame_.draw(context);
        cairo_destroy(cr);
        cairo_surface_flush(surface_);
        XFlush(display_);
    }

    void resize(int width, int height, bool parentToo) override {
        if (!display_ || width <= 0 || height <= 0) return;
        width_ = width;
        height_ = height;
        XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (parentToo)
            XResizeWindow(display_, parent_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        cairo_xlib_surface_set_size(surface_, width, height);
        XFlush(display_);
    }

    void* nativeHandle() const override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_)); }

    std::unique_ptr<NativeWindow> createChildWindow(const CRect& where) override {
        if (!display_) return nullptr;
        return std::make_unique<X11Window>(display_, window_, where);
    }

    std::unique_ptr<NativeWindow> createOwnedWindow(const std::string& title, const CRect& where) override {
        if (!display_) return nullptr;
        auto window = std::make_unique<OwnedWindow>(*this, display_, window_, title, where);
        owned_.push_back(window.get());
        return window;
    }

    void mouseState(CPoint& where, int& buttons) override {
        buttons = 0;
        if (!display_) return;
        Window root, child;
        int rootX, rootY, x, y;
        unsigned int mask;
        if (XQueryPointer(display_, window_, &root, &child, &rootX, &rootY, &x, &y, &mask)) {
            where = {x, y};
            if (mask & Button1Mask) buttons |= kLButton;
            if (mask & Button3Mask) buttons |= kRButton;
        }
        vexlo::platform::sleepMs(5);  // the pointer is polled while a button is held
    }

    // The toolkit's popup menu, each level in a window of its own above everything (a 22-pixel
    // editor cannot hold it), with the pointer and the keyboard grabbed until the person
    // chooses or clicks elsewhere.
    COptionMenu* popup(COptionMenu& menu, CPoint where, int* chosen) override {
        if (!display_) return nullptr;
        const int screen = DefaultScreen(display_);
        int rootX = 0, rootY = 0;
        Window child;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), where.x, where.y, &rootX, &rootY, &child);
        cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
        cairo_t* probeContext = cairo_create(probe);
        CairoContext measure(probeContext, images_);
        PopupSession session(menu, {rootX, rootY}, {0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)},
                             measure);
        std::vector<PopupWindow> windows;
        int shown = -1;
        while (!session.ended()) {
            if (session.revision() != shown) {
                showLevels(session, windows);
                shown = session.revision();
            }
            XEvent event;
            XNextEvent(display_, &event);
            switch (event.type) {
            case Expose: shown = -1; break;
            case MotionNotify: session.pointerMoved({event.xmotion.x_root, event.xmotion.y_root}); break;
            case ButtonPress: session.click({event.xbutton.x_root, event.xbutton.y_root}); break;
            case KeyPress: {
                char letter = 0;
                session.key(menuKey(XLookupKeysym(&event.xkey, 0), letter), letter);
                break;
            }
            default: break;
            }
        }
        XUngrabPointer(display_, CurrentTime);
        XUngrabKeyboard(display_, CurrentTime);
        for (PopupWindow& level : windows) closePopupWindow(level);
        XFlush(display_);
        cairo_destroy(probeContext);
        cairo_surface_destroy(probe);
        *chosen = session.chosenEntry();
        return session.chosenMenu();
    }

private:
    // An owned window that the frame hears the window manager's close requests for.
    class OwnedWindow : public X11Window {
    public:
        OwnedWindow(X11Frame& frame, Display* display, Window owner, const std::string& title, const CRect& where)
            : X11Window(display, owner, title, where), frame_(frame) {}
        ~OwnedWindow() override {
            auto& all = frame_.owned_;
            all.erase(std::remove(all.begin(), all.end(), this), all.end());
        }

    private:
        X11Frame& frame_;
    };

    struct PopupWindow {
        Window window = 0;
        cairo_surface_t* surface = nullptr;
        CRect place;
    };

    static MenuKey menuKey(KeySym symbol, char& letter) {
        switch (symbol) {
        case XK_Up: return MenuKey::up;
        case XK_Down: return MenuKey::down;
        case XK_Left: return MenuKey::left;
        case XK_Right: return MenuKey::right;
        case XK_Return:
        case XK_KP_Enter: return MenuKey::enter;
        case XK_Escape: return MenuKey::escape;
        default: letter = symbol < 0x80 ? static_cast<char>(symbol) : 0; return MenuKey::letter;
        }
    }

    // A window for each level the session has open (the first one holds the grabs), every
    // level drawn.
    void showLevels(const PopupSession& session, std::vector<PopupWindow>& windows) {
        const auto& levels = session.levels();
        while (windows.size() > levels.size()) {
            closePopupWindow(windows.back());
            windows.pop_back();
        }
        for (std::size_t i = 0; i < levels.size(); ++i) {
            if (i < windows.size() && windows[i].place.left == levels[i].place.left &&
                windows[i].place.top == levels[i].place.top && windows[i].place.width() == levels[i].place.width() &&
                windows[i].place.height() == levels[i].place.height())
                continue;
            if (i < windows.size()) closePopupWindow(windows[i]);
            else windows.emplace_back();
            windows[i] = openPopupWindow(levels[i].place, i == 0);
        }
        for (std::size_t i = 0; i < levels.size(); ++i) {
            cairo_t* cr = cairo_create(windows[i].surface);
            CairoContext context(cr, images_);
            levels[i].view.draw(context);
            cairo_destroy(cr);
            cairo_surface_flush(windows[i].surface);
        }
        XFlush(display_);
    }

    PopupWindow openPopupWindow(const CRect& place, bool grab) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        PopupWindow level;
        level.place = place;
        level.window = XCreateWindow(display_, DefaultRootWindow(display_), place.left, place.top,
                                     static_cast<unsigned>(place.width()), static_cast<unsigned>(place.height()), 1,
                                     CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        XSelectInput(display_, level.window, ExposureMask | ButtonPressMask | PointerMotionMask | KeyPressMask);
        XMapRaised(display_, level.window);
        level.surface = cairo_xlib_surface_create(display_, level.window, DefaultVisual(display_, DefaultScreen(display_)),
                                                  place.width(), place.height());
        if (grab) {
            XGrabPointer(display_, level.window, False, ButtonPressMask | PointerMotionMask, GrabModeAsync, GrabModeAsync,
                         None, None, CurrentTime);
            XGrabKeyboard(display_, level.window, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        }
        return level;
    }

    void closePopupWindow(PopupWindow& level) {
        if (level.surface) cairo_surface_destroy(level.surface);
        if (level.window) XDestroyWindow(display_, level.window);
        level = {};
    }

    CFrame& frame_;
    Display* display_ = nullptr;
    Window parent_ = 0, window_ = 0;
    cairo_surface_t* surface_ = nullptr;
    ImageCache images_;
    std::vector<X11Window*> owned_;
    int width_ = 0, height_ = 0;
};

}  // namespace

std::unique_ptr<PlatformFrame> createNativeFrame(CFrame& frame) { return std::make_unique<X11Frame>(frame); }

}  // namespace vexlo::toolkit
