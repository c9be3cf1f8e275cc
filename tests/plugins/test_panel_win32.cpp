// The test editor's panel on Windows: a green child window of the host's window.
#include <windows.h>

#include "tests/plugins/test_editor.h"

void* testPanelOpen(void* parent, int width, int height) {
    if (!parent) return nullptr;
    static const char* kClass = "VexloTestPanel";
    WNDCLASSA existing;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!GetClassInfoA(instance, kClass, &existing)) {
        WNDCLASSA panelClass{};
        panelClass.lpfnWndProc = DefWindowProcA;
        panelClass.hInstance = instance;
        panelClass.hbrBackground = CreateSolidBrush(RGB(32, 192, 96));
        panelClass.lpszClassName = kClass;
        RegisterClassA(&panelClass);
    }
    return CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE, 0, 0, width, height, static_cast<HWND>(parent),
                           nullptr, instance, nullptr);
}

void testPanelResize(void* panel, int width, int height) {
    if (panel) SetWindowPos(static_cast<HWND>(panel), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void testPanelIdle(void*) {}

void testPanelClose(void* panel) {
    if (panel && IsWindow(static_cast<HWND>(panel))) DestroyWindow(static_cast<HWND>(panel));
}
