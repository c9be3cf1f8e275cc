#include <windows.h>

#include "host/editor_window.h"
#include "platform/platform.h"

namespace vexlo::host {

bool runEditor(Plugin& plugin, double seconds, std::string* error) {
    const ERect* rect = editorRect(plugin, error);
    if (!rect) return false;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "VexloHostEditor";
    RegisterClassA(&windowClass);
    RECT size{0, 0, rect->right - rect->left, rect->bottom - rect->top};
    const DWORD style = WS_POPUP | WS_VISIBLE;
    AdjustWindowRect(&size, style, FALSE);
    HWND window = CreateWindowA("VexloHostEditor", ("vexlo-host: " + plugin.effectName()).c_str(), style, 0, 0,
                                size.right - size.left, size.bottom - size.top, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    if (!window) {
        if (error) *error = "no window could be made (is there a display?)";
        return false;
    }
    plugin.setWindowResizer([window, style](int w, int h) {
        if (w <= 0 || h <= 0) return false;
        RECT wanted{0, 0, w, h};
        AdjustWindowRect(&wanted, style, FALSE);
        return SetWindowPos(window, nullptr, 0, 0, wanted.right - wanted.left, wanted.bottom - wanted.top,
                            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
    });
    plugin.dispatch(effEditOpen, 0, 0, window);
    const std::uint32_t start = platform::tickCount();
    while (platform::tickCount() - start < static_cast<std::uint32_t>(seconds * 1000)) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        plugin.dispatch(effEditIdle);
        platform::sleepMs(20);
    }
    plugin.dispatch(effEditClose);
    plugin.setWindowResizer(nullptr);
    DestroyWindow(window);
    return true;
}

}  // namespace vexlo::host
