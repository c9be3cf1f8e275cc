#include <windows.h>

#include "host/editor_window.h"

namespace vexlo::host {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE;

class Win32EditorWindow final : public EditorWindow {
public:
    explicit Win32EditorWindow(HWND window) : window_(window) {}
    ~Win32EditorWindow() override { DestroyWindow(window_); }
    void* handle() const override { return window_; }
    bool resize(int width, int height) override {
        RECT wanted{0, 0, width, height};
        AdjustWindowRect(&wanted, kStyle, FALSE);
        return SetWindowPos(window_, nullptr, 0, 0, wanted.right - wanted.left, wanted.bottom - wanted.top,
                            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
    }
    void pumpEvents() override {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

private:
    HWND window_;
};

}  // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(const std::string& title, int width, int height,
                                                   std::string* error) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "VexloHostEditor";
    RegisterClassA(&windowClass);  // a second call fails harmlessly: the class is there
    RECT size{0, 0, width, height};
    AdjustWindowRect(&size, kStyle, FALSE);
    HWND window = CreateWindowA("VexloHostEditor", title.c_str(), kStyle, 0, 0, size.right - size.left,
                                size.bottom - size.top, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) {
        if (error) *error = "no window could be made (is there a display?)";
        return nullptr;
    }
    return std::make_unique<Win32EditorWindow>(window);
}

}  // namespace vexlo::host
