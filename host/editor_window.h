// A window of vexlo-host's own in which a plug-in's editor opens, idled like a host idles it.
#pragma once

#include <memory>
#include <string>

#include "host/host.h"

namespace vexlo::host {

// A top-level window on this platform's display, one file per platform.
class EditorWindow {
public:
    // Null with a reason when no window can be made (no display).
    static std::unique_ptr<EditorWindow> create(const std::string& title, int width, int height, std::string* error);
    virtual ~EditorWindow() = default;
    // What effEditOpen takes: the HWND, or the X11 window id.
    virtual void* handle() const = 0;
    virtual bool resize(int width, int height) = 0;
    // Handles what the window system sent since the last call.
    virtual void pumpEvents() = 0;
};

// Opens the plug-in's editor in a new top-level window, calls effEditIdle about every 20 ms for
// the given time, or until a file named `untilFile` (when not empty) appears, whichever is
// first, then closes the editor and the window. The file lets a script that drives the editor
// end it as soon as it is done instead of waiting out a time long enough for a slow machine.
// False with a reason when the plug-in has no editor or no window can be made.
bool runEditor(Plugin& plugin, double seconds, const std::string& untilFile, std::string* error);

// The size the plug-in's editor asks for; null with a reason when it has no editor.
const ERect* editorRect(Plugin& plugin, std::string* error);

}  // namespace vexlo::host
