// Where the bridge opens a plug-in's editor, given the host's window from another process.
// Where the system shows a child of another process's window (X11, Windows), that is the host's
// window itself. Wine does not: it paints each top-level window from the memory of the process
// that owns it, so a child window of another process never shows there. Under wine the plug-in
// gets a borderless window of the bridge's own instead, owned by the host's window and laid
// over it, which follows the host's window wherever it goes.
#pragma once

#include <memory>

namespace vexlo::platform {

class EditorSeat {
public:
    // Nothing when the host's window is not there.
    static std::unique_ptr<EditorSeat> take(void* hostWindow);
    virtual ~EditorSeat() = default;
    // What the plug-in's effEditOpen receives.
    virtual void* window() const = 0;
    // Keeps the seat over the host's window at the editor's size: at every idle, and when the
    // editor's size changes.
    virtual void follow(int width, int height) = 0;
};

}  // namespace vexlo::platform
