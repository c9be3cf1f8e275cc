// The view tree: a frame bound to the host's window, views and controls with tags, and the
// listener that hears (tag, value) from the controls.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/graphics.h"
#include "toolkit/system_dialogs.h"

namespace vexlo::toolkit {

class CFrame;
class CControl;
class COptionMenu;

enum MouseButtons { kLButton = 1, kRButton = 2 };

// A key pressed in a frame's window: a character typed, or one of the editing keys.
enum class Key { character, backspace, del, enter, escape, tab, left, right, up, down, home, end, pageUp, pageDown };
struct KeyEvent {
    Key key = Key::character;
    char character = 0;  // for Key::character
};

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
};

class CView {
public:
    explicit CView(const CRect& size) : size_(size), mouseArea_(size) {}
    virtual ~CView() = default;

    virtual void draw(CDrawContext& context) = 0;
    // A button went down on the view; true when the view took the click.
    virtual bool onMouseDown(CPoint, int) { return false; }
    // A key went down while the view had the keyboard; true when the view used it.
    virtual bool onKeyDown(const KeyEvent&) { return false; }
    // The wheel turned over the view (positive: away from the person); true when used.
    virtual bool onWheel(CPoint, float) { return false; }
    // Whether a click gives the view the keyboard.
    virtual bool takesFocus() const { return false; }
    virtual const char* getClassName() const { return "CView"; }

    const CRect& getViewSize() const { return size_; }
    // Moves or resizes the view; what it covered before is drawn again.
    void setViewSize(const CRect& size);
    // Where the view takes clicks; its first rectangle unless set.
    const CRect& getMouseableArea() const { return mouseArea_; }
    void setMouseableArea(const CRect& area) { mouseArea_ = area; }
    void setDirty(bool dirty = true) { dirty_ = dirty; }
    bool isDirty() const { return dirty_; }
    void setFrame(CFrame* frame) { frame_ = frame; }
    CFrame* getFrame() const { return frame_; }

protected:
    CRect size_;
    CRect mouseArea_;
    bool dirty_ = true;
    CFrame* frame_ = nullptr;
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener, int tag) : CView(size), listener_(listener), tag_(tag) {}
    int getTag() const { return tag_; }
    float getValue() const { return value_; }
    virtual void setValue(float value) { value_ = value; }
    void setMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
    bool getMouseEnabled() const { return mouseEnabled_; }
    void setTransparency(bool transparent) { transparent_ = transparent; }
    const char* getClassName() const override { return "CControl"; }

protected:
    void notify() {
        if (listener_) listener_->valueChanged(this);
    }
    CControlListener* listener_;
    int tag_;
    float value_ = 0.0f;
    bool mouseEnabled_ = true;
    bool transparent_ = false;
};

// A menu of text entries ("-" for a separator) and at most one titled submenu. Its value is the
// index of the chosen entry; it draws the current entry's text unless told not to.
class COptionMenu : public CControl {
public:
    COptionMenu(const CRect& size, CControlListener* listener, int tag) : CControl(size, listener, tag) {}

    void addEntry(const std::string& text) { entries_.push_back({text, nullptr}); }
    // An entry that opens a submenu (not owned: it must live as long as this menu).
    void addSubmenu(const std::string& title, COptionMenu* submenu) { entries_.push_back({title, submenu}); }
    void setEntry(int index, const std::string& text);
    std::string getEntry(int index) const;
    int getNbEntries() const { return static_cast<int>(entries_.size()); }
    COptionMenu* getSubmenu(int index) const;
    bool isSeparator(int index) const { return getEntry(index) == "-"; }
    int getCurrent() const { return current_; }
    void setCurrent(int index);
    // No entry is current (a menu of actions rather than of choices): no check mark.
    void clearCurrent() { current_ = -1; }
    // Whether the popup marks the current entry (a menu of choices) or not (a menu of actions
    // that remembers the last one chosen).
    void setCheckStyle(bool marksCurrent) { checkStyle_ = marksCurrent; }
    void setValue(float value) override { setCurrent(static_cast<int>(value)); }

    void setFont(int font) { font_ = font; }
    int getFont() const { return font_; }
    void setFontColor(CColor color) { fontColor_ = color; }
    CColor getFontColor() const { return fontColor_; }
    void setShowsText(bool shows) { showsText_ = shows; }
    // The part of a bitmap under the menu, drawn before its text (a menu that looks transparent).
    void setBackground(const CBitmap* bitmap, CPoint offset) {
        background_ = bitmap;
        backgroundOffset_ = offset;
        setDirty();
    }
    const CBitmap* getBackground() const { return background_; }
    CPoint getBackgroundOffset() const { return backgroundOffset_; }
    // A check mark beside an entry besides the current one (a second choice in the same menu).
    void setChecked(int index, bool checked);
    // Whether the popup shows a check mark at the entry.
    bool isChecked(int index) const;

    // The person chose an entry of this menu (or of its submenu): value, check mark, listener.
    void choose(int index);

    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    const char* getClassName() const override { return "COptionMenu"; }

private:
    struct Entry {
        std::string text;
        COptionMenu* submenu;
    };
    std::vector<Entry> entries_;
    std::vector<int> checked_;
    bool checkStyle_ = true;
    int current_ = 0;
    int font_ = kNormalFontSmall;
    CColor fontColor_ = kWhite;
    bool showsText_ = true;
    const CBitmap* background_ = nullptr;
    CPoint backgroundOffset_;
};

// Text over whatever lies behind it, or over a part of a background bitmap.
class CTextLabel : public CView {
public:
    CTextLabel(const CRect& size, const std::string& text) : CView(size), text_(text) {}
    void setText(const std::string& text) {
        text_ = text;
        setDirty();
    }
    const std::string& getText() const { return text_; }
    void setFont(int font) {
        font_ = font;
        setDirty();
    }
    int getFont() const { return font_; }
    void setFontColor(CColor color) {
        color_ = color;
        setDirty();
    }
    CColor getFontColor() const { return color_; }
    void setAlign(Align align) { align_ = align; }
    void setBackground(const CBitmap* bitmap, CPoint offset) {
        background_ = bitmap;
        backgroundOffset_ = offset;
        setDirty();
    }
    const CBitmap* getBackground() const { return background_; }
    CPoint getBackgroundOffset() const { return backgroundOffset_; }
    void draw(CDrawContext& context) override;
    const char* getClassName() const override { return "CTextLabel"; }

private:
    std::string text_;
    int font_ = kNormalFontSmall;
    CColor color_ = kWhite;
    Align align_ = Align::center;
    const CBitmap* background_ = nullptr;
    CPoint backgroundOffset_;
};

// A click area that draws nothing and reports every click.
class CInvisibleButton : public CControl {
public:
    using CControl::CControl;
    void draw(CDrawContext&) override { setDirty(false); }
    bool onMouseDown(CPoint, int) override;
    const char* getClassName() const override { return "CInvisibleButton"; }
};

// A picture with two states, side by side in one bitmap (off above, on below); a click toggles.
class COnOffPicture : public CControl {
public:
    COnOffPicture(const CRect& size, CControlListener* listener, int tag, const CBitmap* bitmap)
        : CControl(size, listener, tag), bitmap_(bitmap) {}
    const CBitmap* getBitmap() const { return bitmap_; }
    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint, int) override;
    const char* getClassName() const override { return "COnOffPicture"; }

private:
    const CBitmap* bitmap_;
};

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
    virtual std::unique_ptr<FileBrowser> createFileBrowser(const FileBrowserRequest& request, FileBrowserListener& listener) {
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

class CFrame : public CView {
public:
    CFrame(const CRect& size, void* parentWindow, FrameOwner* owner);
    ~CFrame() override;
    bool isOpen() const { return platform_ != nullptr; }

    void setBackground(const CBitmap* bitmap) { background_ = bitmap; }
    // What shows where neither the background bitmap nor a view draws.
    void setBackgroundColour(CColor colour) { backgroundColour_ = colour; }
    // Adds a view; the frame owns it.
    template <typename View>
    View* addView(std::unique_ptr<View> view) {
        View* raw = view.get();
        raw->setFrame(this);
        views_.push_back(std::move(view));
        setDirty();
        return raw;
    }
    // Takes a view out of the frame without destroying it: the caller owns it until it is added
    // again. Null when the view is not in the frame.
    std::unique_ptr<CView> removeView(CView* view);
    bool containsView(const CView* view) const;
    const std::vector<std::unique_ptr<CView>>& views() const { return views_; }
    // The frame's own window, or null when it has none.
    void* getSystemWindow() const { return platform_ ? platform_->nativeHandle() : nullptr; }
    // A child window inside the frame's window, or a top-level window it owns (see NativeWindow).
    std::unique_ptr<NativeWindow> createChildWindow(const CRect& where) {
        return platform_ ? platform_->createChildWindow(where) : nullptr;
    }
    std::unique_ptr<NativeWindow> createOwnedWindow(const std::string& title, const CRect& where) {
        return platform_ ? platform_->createOwnedWindow(title, where) : nullptr;
    }
    CRect workArea() const { return platform_ ? platform_->workArea() : CRect{0, 0, 1024, 768}; }
    std::unique_ptr<Dialog> createDialog(int templateId, DialogListener& listener) {
        return platform_ ? platform_->createDialog(templateId, listener) : nullptr;
    }
    std::unique_ptr<FileBrowser> createFileBrowser(const FileBrowserRequest& request, FileBrowserListener& listener) {
        return platform_ ? platform_->createFileBrowser(request, listener) : nullptr;
    }

    // Called from the editor's idle: handles window events, then redraws if anything is dirty.
    void idle();
    // Redraws what is dirty now, without handling events (for a long call on the editor's thread).
    void redrawDirty() {
        if (platform_ && anyDirty()) platform_->redraw();
    }
    // Draws the whole frame.
    void draw(CDrawContext& context) override;
    bool anyDirty() const;

    // From the backend: a button went down in the window.
    void mouseDown(CPoint where, int buttons);
    // While a button is held: the pointer and the buttons, with the frame kept up to date.
    void trackMouse(CPoint& where, int& buttons);
    COptionMenu* popup(COptionMenu& menu, CPoint where, int* chosen);
    // Resizes the frame and its window; the owner asks the host to resize the window around
    // it, and when the host does not, the frame resizes that window itself.
    bool setSize(int width, int height);
    // Keys and the wheel the host passes on (effEditKeyDown and so on): the editors here leave
    // them to the host.
    bool onHostKeyDown(int) { return false; }
    bool onHostKeyUp(int) { return false; }
    bool onHostWheel(float) { return false; }
    // From the backend: a key for the view that has the keyboard, and the wheel over a point.
    bool keyDown(const KeyEvent& key);
    void wheel(CPoint where, float distance);
    // The view that has the keyboard (set by a click on a view that takes it), or null.
    CView* focusView() const { return focus_; }
    void setFocusView(CView* view) { focus_ = view; }
    // Told of every key no view used (a window that closes on Escape, say).
    void setKeyListener(std::function<bool(const KeyEvent&)> listener) { keyListener_ = std::move(listener); }
    const char* getClassName() const override { return "CFrame"; }
    PlatformFrame* platform() { return platform_.get(); }

private:
    std::vector<std::unique_ptr<CView>> views_;
    const CBitmap* background_ = nullptr;
    CColor backgroundColour_{24, 26, 30, 255};
    FrameOwner* owner_;
    CView* focus_ = nullptr;
    std::function<bool(const KeyEvent&)> keyListener_;
    std::unique_ptr<PlatformFrame> platform_;
};

}  // namespace vexlo::toolkit
