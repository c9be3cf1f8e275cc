// Windows a Win32 frame makes for other plug-ins' editors, of the editors' shared window class.
#include <windows.h>

#include "toolkit/views.h"
#include "toolkit/window_class.h"

namespace vexlo::toolkit {

namespace {

constexpr char kSelf[] = "VexloNativeWindow";
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kOwnedStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;

class Win32Window : public NativeWindow {
public:
    Win32Window(HWND parent, bool owned, const std::string& title, const CRect& where)
        : owned_(owned), bounds_(where) {
        const RECT outer = outerRect(where);
        window_ = CreateWindowExA(0, SharedWindowClass::name().c_str(), title.c_str(), owned ? kOwnedStyle : kChildStyle,
                                  outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top, parent,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window_ && owned_) {
            // The class's procedure is the system's; the close box must reach us first, so
            // that the plug-in hears editor-close before its window goes.
            SetPropA(window_, kSelf, this);
            previous_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::procedure)));
        }
    }
    ~Win32Window() override {
        if (!window_ || !IsWindow(window_)) return;
        if (owned_) {
            SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
            RemovePropA(window_, kSelf);
        }
        DestroyWindow(window_);
    }
    bool made() const { return window_ != nullptr; }

    void* handle() const override { return window_; }
    void setBounds(const CRect& where) override {
        bounds_ = where;
        const RECT outer = outerRect(where);
        SetWindowPos(window_, nullptr, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CRect bounds() const override { return bounds_; }
    void raise() override { SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW); }
    void setTitle(const std::string& title) override { SetWindowTextA(window_, title.c_str()); }
    CRect screenBounds() const override {
        RECT inside;
        if (!GetClientRect(window_, &inside)) return bounds_;
        POINT corner{0, 0};
        ClientToScreen(window_, &corner);
        return {corner.x, corner.y, corner.x + inside.right, corner.y + inside.bottom};
    }

private:
    RECT outerRect(const CRect& where) const {
        RECT outer{where.left, where.top, where.right, where.bottom};
        if (owned_) AdjustWindowRect(&outer, kOwnedStyle, FALSE);
        return outer;
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<Win32Window*>(GetPropA(window, kSelf));
        if (!self) return DefWindowProcA(window, message, wParam, lParam);
        if (message == WM_CLOSE) {
            self->personClosed();  // may destroy self and the window
            return 0;
        }
        return CallWindowProcA(self->previous_, window, message, wParam, lParam);
    }

    bool owned_;
    CRect bounds_;
    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
};

std::unique_ptr<NativeWindow> made(std::unique_ptr<Win32Window> window) {
    if (!window->made()) return nullptr;
    return window;
}

}  // namespace

std::unique_ptr<NativeWindow> createWin32ChildWindow(HWND parent, const CRect& where) {
    return made(std::make_unique<Win32Window>(parent, false, "", where));
}

std::unique_ptr<NativeWindow> createWin32OwnedWindow(HWND owner, const std::string& title, const CRect& where) {
    return made(std::make_unique<Win32Window>(owner, true, title, where));
}

}  // namespace vexlo::toolkit
