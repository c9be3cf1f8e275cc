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

    COptionMenu* popup(COptionMenu& menu, CPoint where, int* chosen) override {
        if (!display_) return nullptr;
        int rootX = 0, rootY = 0;
        Window child;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), where.x, where.y, &rootX, &rootY, &child);
        return runPopup(menu, rootX, rootY, chosen);
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

    static constexpr int kRow = 18, kSeparator = 7;

    int rowTop(const COptionMenu& menu, int index) const {
        int y = 2;
        for (int i = 0; i < index; ++i) y += menu.isSeparator(i) ? kSeparator : kRow;
        return y;
    }

    // A menu in a window of its own above everything (a 22-pixel editor cannot hold it), with
    // the pointer grabbed until the person chooses or clicks elsewhere.
    COptionMenu* runPopup(COptionMenu& menu, int x, int y, int* chosen) {
        const int count = menu.getNbEntries();
        const int height = rowTop(menu, count) + 2;
        int width = 120;
        {
            cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
            cairo_t* cr = cairo_create(probe);
            cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
            cairo_set_font_size(cr, 12);
            for (int i = 0; i < count; ++i) {
                cairo_text_extents_t e;
                cairo_text_extents(cr, menu.getEntry(i).c_str(), &e);
                width = std::max(width, static_cast<int>(e.x_advance) + 44);
            }
            cairo_destroy(cr);
            cairo_surface_destroy(probe);
        }
        const int screenW = DisplayWidth(display_, DefaultScreen(display_));
        const int screenH = DisplayHeight(display_, DefaultScreen(display_));
        x = std::max(0, std::min(x, screenW - width));
        y = std::max(0, std::min(y, screenH - height));

        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        Window popup = XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 1, CopyFromParent, InputOutput, CopyFromParent,
                                     CWOverrideRedirect, &attributes);
        XSelectInput(display_, popup, ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask);
        XMapRaised(display_, popup);
        cairo_surface_t* surface =
            cairo_xlib_surface_create(display_, popup, DefaultVisual(display_, DefaultScreen(display_)), width, height);
        XGrabPointer(display_, popup, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                     GrabModeAsync, None, None, CurrentTime);
        XGrabKeyboard(display_, popup, False, GrabModeAsync, GrabModeAsync, CurrentTime);

        // The pointer and the keys move the same highlight.
        MenuNavigator keys(menu);
        int hover = -1;
        COptionMenu* result = nullptr;
        auto entryAt = [&](int px, int py) {
            if (px < 0 || px >= width) return -1;
            for (int i = 0; i < count; ++i)
                if (py >= rowTop(menu, i) && py < rowTop(menu, i + 1)) return menu.isSeparator(i) ? -1 : i;
            return -1;
        };
        auto paint = [&] {
            cairo_t* cr = cairo_create(surface);
            cairo_set_source_rgb(cr, 0.16, 0.17, 0.2);
            cairo_paint(cr);
            cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
            cairo_set_font_size(cr, 12);
            for (int i = 0; i < count; ++i) {
                const int top = rowTop(menu, i);
                if (menu.isSeparator(i)) {
                    cairo_set_source_rgb(cr, 0.4, 0.42, 0.46);
                    cairo_rectangle(cr, 6, top + 3, width - 12, 1);
                    cairo_fill(cr);
                    continue;
                }
                if (i == hover) {
                    cairo_set_source_rgb(cr, 1.0, 0.59, 0.16);
                    cairo_rectangle(cr, 1, top, width - 2, kRow);
                    cairo_fill(cr);
                }
                cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
                if (menu.isChecked(i) && !menu.getSubmenu(i)) {
                    cairo_move_to(cr, 8, top + 13);
                    cairo_show_text(cr, "\xE2\x9C\x93");  // the check mark
                }
                const MenuText text = menuText(menu.getEntry(i));
                cairo_move_to(cr, 24, top + 13);
                cairo_show_text(cr, text.shown.c_str());
                if (text.underlined >= 0) {
                    // The accelerator's letter is underlined, as the system's menus show it.
                    cairo_text_extents_t before, letter;
                    cairo_text_extents(cr, text.shown.substr(0, static_cast<std::size_t>(text.underlined)).c_str(), &before);
                    cairo_text_extents(cr, text.shown.substr(static_cast<std::size_t>(text.underlined), 1).c_str(), &letter);
                    cairo_rectangle(cr, 24 + before.x_advance, top + 15, std::max(letter.x_advance, 2.0), 1);
                    cairo_fill(cr);
                }
                if (menu.getSubmenu(i)) {
                    cairo_move_to(cr, width - 14, top + 13);
                    cairo_show_text(cr, "\xE2\x96\xB8");
                }
            }
            cairo_destroy(cr);
            cairo_surface_flush(surface);
            XFlush(display_);
        };

        bool done = false;
        while (!done) {
            XEvent event;
            XNextEvent(display_, &event);
            switch (event.type) {
            case Expose: paint(); break;
            case MotionNotify: {
                const int now = entryAt(event.xmotion.x, event.xmotion.y);
                if (now != hover) {
                    hover = now;
                    keys.setHighlighted(now);
                    paint();
                }
                break;
            }
            case KeyPress: {
                const KeySym sym = XLookupKeysym(&event.xkey, 0);
                MenuKey key = MenuKey::letter;
                char letter = 0;
                switch (sym) {
                case XK_Up: key = MenuKey::up; break;
                case XK_Down: key = MenuKey::down; break;
                case XK_Left: key = MenuKey::left; break;
                case XK_Right: key = MenuKey::right; break;
                case XK_Return:
                case XK_KP_Enter: key = MenuKey::enter; break;
                case XK_Escape: key = MenuKey::escape; break;
                default: letter = sym < 0x80 ? static_cast<char>(sym) : 0; break;
                }
                switch (keys.press(key, letter)) {
                case MenuNavigator::Outcome::chosen:
                    *chosen = keys.highlighted();
                    result = &menu;
                    done = true;
                    break;
                case MenuNavigator::Outcome::openSubmenu:
                    XUngrabPointer(display_, CurrentTime);
                    XUngrabKeyboard(display_, CurrentTime);
                    result = runPopup(*menu.getSubmenu(keys.highlighted()), x + width - 4,
                                      y + rowTop(menu, keys.highlighted()), chosen);
                    done = true;
                    break;
                case MenuNavigator::Outcome::dismissed:
                case MenuNavigator::Outcome::closeSubmenu: done = true; break;
                case MenuNavigator::Outcome::none:
                    hover = keys.highlighted();
                    paint();
                    break;
                }
                break;
            }
            case ButtonPress: {
                const int index = entryAt(event.xbutton.x, event.xbutton.y);
                if (index >= 0 && menu.getSubmenu(index)) {
                    XUngrabPointer(display_, CurrentTime);
                    XUngrabKeyboard(display_, CurrentTime);
                    result = runPopup(*menu.getSubmenu(index), x + width - 4, y + rowTop(menu, index), chosen);
                } else if (index >= 0) {
                    *chosen = index;
                    result = &menu;
                }
                done = true;
                break;
            }
            default: break;
            }
        }
        XUngrabPointer(display_, CurrentTime);
        XUngrabKeyboard(display_, CurrentTime);
        cairo_surface_destroy(surface);
        XDestroyWindow(display_, popup);
        XFlush(display_);
        return result;
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
