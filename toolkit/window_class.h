// The window class an editor's own windows are made of (the windows it shows other plug-ins'
// editors in). One class serves every editor of the process: it is registered when the first
// editor takes it and unregistered when the last one lets go, so an editor that goes away
// never pulls the class from under another one's windows.
#pragma once

#include <string>

namespace vexlo::toolkit {

class SharedWindowClass {
public:
    SharedWindowClass();
    ~SharedWindowClass();
    SharedWindowClass(const SharedWindowClass&) = delete;
    SharedWindowClass& operator=(const SharedWindowClass&) = delete;

    // "Plugin2" and the host process's module handle as eight lower-case hex digits.
    static std::string name();
    // How many editors hold the class, and whether the system knows it now.
    static int holders();
    static bool registered();
};

}  // namespace vexlo::toolkit
