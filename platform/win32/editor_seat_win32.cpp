#include <windows.h>

#include "platform/editor_seat.h"

namespace vexlo::platform {

namespace {

bool underWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Windows shows a child of another process's window: the editor goes straight into the host's.
class HostWindowSeat : public EditorSeat {
public:
    explicit HostWindowSeat(HWND window) : window_(window) {}
    void* window() const override { return window_; }
    void follow(int, int) override {}

private:
    HWND window_;
};

// Wine: a popup window of ours over the host's, owned by the host's top-level window so that
// it stays above it and goes with it.
class OverlaySeat : public EditorSeat {
public:
    explicit OverlaySeat(HWND host) : host_(host) {
        static const char* kClass = "VexloEditorSeat";
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA existing;
        if (!GetClassInfoA(instance, kClass, &existing)) {
            WNDCLASSA seatClass{};
            seatClass.lpfnWndProc = DefWindowProcA;
            seatClass.hInstance = instance;
            seatClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
            seatClass.lpszClassName = kClass;
            RegisterClassA(&seatClass);
        }
        const RECT place = hostPlace();
        seat_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP | WS_CLIPCHILDREN, place.left, place.top,
                                place.right - place.left, place.bottom - place.top, GetAncestor(host, GA_ROOT), nullptr,
                                instance, nullptr);
        if (seat_) ShowWindow(seat_, SW_SHOWNOACTIVATE);
    }
    ~OverlaySeat() override {
        if (seat_) DestroyWindow(seat_);
    }
    bool made() const { return seat_ != nullptr; }
    void* window() const override { return seat_; }
    void follow(int width, int height) override {
        if (!IsWindow(host_)) return;
        RECT place = hostPlace();
        if (width > 0 && height > 0) {
            place.right = place.left + width;
            place.bottom = place.top + height;
        }
        const bool shown = IsWindowVisible(host_) != FALSE;
        if (place.left == last_.left && place.top == last_.top && place.right == last_.right &&
            place.bottom == last_.bottom && shown == shown_)
            return;
        last_ = place;
        shown_ = shown;
        SetWindowPos(seat_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }

private:
    // The host window's inside, on the screen.
    RECT hostPlace() const {
        RECT inside{0, 0, 1, 1};
        GetClientRect(host_, &inside);
        POINT corner{0, 0};
        ClientToScreen(host_, &corner);
        return {corner.x, corner.y, corner.x + inside.right, corner.y + inside.bottom};
    }

    HWND host_;
    HWND seat_ = nullptr;
    RECT last_{};
    bool shown_ = true;
};

}  // namespace

std::unique_ptr<EditorSeat> EditorSeat::take(void* hostWindow) {
    HWND host = static_cast<HWND>(hostWindow);
    if (!host || !IsWindow(host)) return nullptr;
    if (!underWine()) return std::make_unique<HostWindowSeat>(host);
    auto seat = std::make_unique<OverlaySeat>(host);
    if (!seat->made()) return nullptr;
    return seat;
}

}  // namespace vexlo::platform
