#include <windows.h>

#include <string>

namespace vexlo::toolkit {

// The class of the windows an editor shows other plug-ins' editors in: the system's own window
// procedure, the host process's module as the instance.
bool registerSystemWindowClass(const std::string& name) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOWFRAME + 1);  // a system colour, plus one
    windowClass.lpszClassName = name.c_str();
    // Another library of the process may have registered the same name: that class serves too.
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void unregisterSystemWindowClass(const std::string& name) { UnregisterClassA(name.c_str(), GetModuleHandleA(nullptr)); }

bool systemWindowClassExists(const std::string& name) {
    WNDCLASSA existing;
    return GetClassInfoA(GetModuleHandleA(nullptr), name.c_str(), &existing) != 0;
}

}  // namespace vexlo::toolkit
