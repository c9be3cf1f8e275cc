// The native side of a frame, behind a narrow interface: windows for other plug-ins' editors,
// one platform frame per backend and who may make it, and the frame's owner.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/graphics.h"
#include "toolkit/system_dialogs.h"

namespace vexlo::toolkit {

class CFrame;
class COptionMenu;

// A window a frame makes for another plug-in's editor: a child of the frame's own window, or a
// top-level window with a title and a close box, owned by it. Destroying the object destroys
// the window.
class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    // What the plug-in's effEditOpen receives: an HWND, or an X11 window id.
    virtual void* handle() const = 0;
    // A child's place in the frame's window, an owned window's on the screen; the size is the
    // inside of the window, without its title bar.
    virtual void setBounds(const CRect& where) = 0;
    virtual CRect bounds() const = 0;
    // Shows it above its siblings.
    virtual void raise() = 0;
    // An owned window's title, and where it is now on the screen (the person may have moved it),
    // the inside of the window as for setBounds.
    virtual void setTitle(const std::string&) {}
    virtual CRect screenBounds() const { return bounds(); }
    // Called on the editor's thread when the person closes an owned window with its close box;
    // the handler may destroy the window object.
    void setCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }

protected:
    void personClosed() {
        if (closeHandler_) closeHandler_();
    }

private:
    std::function<void()> closeHandler_;
};

// The native side of a frame, one implementation per backend.
class PlatformFrame {
public:
    virtual ~PlatformFrame() = default;
    // Creates the window inside the host's parent window.
    virtual bool open(void* parent, int width, int height) = 0;
    virtual void close() = 0;
    // Handles what happened in the window since the last call; never waits.
    virtual void pumpEvents() = 0;
    // Shows the frame's current drawing.
    virtual void redraw() = 0;
    // Resizes the frame's window, and the host's window around it unless the host did that.
    virtual void resize(int width, int height, bool parentToo) = 0;
    // The frame's own window (an HWND, or an X11 window id), for windows made inside it.
    virtual void* nativeHandle() const = 0;
    // Where the pointer is (in frame coordinates) and which buttons are down.
    virtual void mouseState(CPoint& where, int& buttons) = 0;
    // Shows a popup menu at a point; returns the menu the person chose in (the menu or its
    // submenu) and the entry, or null when they chose nothing.
    virtual COptionMenu* popup(COptionMenu& menu, CPoint where, int* chosen) = 0;
    // Windows for other plug-ins' editors; null when none can be made.
    virtual std::unique_ptr<NativeWindow> createChildWindow(const CRect& where) = 0;
    virtual std::unique_ptr<NativeWindow> createOwnedWindow(const std::string& title, const CRect& where) = 0;
    // A view that types was clicked: the window takes the keyboard. Only then, so that a click
    // elsewhere in an editor leaves the host its keys.
    virtual void takeKeyboard() {}
    // The part of the screen windows may use (the whole screen where the system says no more).
    virtual CRect workArea() const { return {0, 0, 1024, 768}; }
    // The system's own dialogs (see system_dialogs.h); null where the backend has none.
    virtual std::unique_ptr<Dialog> createDialog(int templateId, DialogListener& listener) {
        (void)templateId, (void)listener;
        return nullptr;
    }
    virtual std::unique_ptr<FileBrowser> createFileBrowser(const FileBrowserRequest& request,
                                                           FileBrowserListener& listener) {
        (void)request, (void)listener;
        return nullptr;
    }
};

// How frames get their native side: the backend this library was built with, unless a test
// installs another (for example the offscreen one).
using PlatformFrameFactory = std::function<std::unique_ptr<PlatformFrame>(CFrame&)>;
std::unique_ptr<PlatformFrame> createNativeFrame(CFrame& frame);
void setPlatformFrameFactory(PlatformFrameFactory factory);

// Who a frame belongs to (the editor): asked to have the host resize the editor's window, and
// told the frame's new size.
class FrameOwner {
public:
    virtual ~FrameOwner() = default;
    // True when the host resized its window to the size.
    virtual bool askHostToResize(int width, int height) = 0;
    virtual void frameResized(int width, int height) = 0;
};

}  // namespace vexlo::toolkit
