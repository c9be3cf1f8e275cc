// Views and controls: a rectangle in a frame that draws itself and hears the mouse and the
// keys, a control with a tag and a value, and the listener that hears (tag, value) from it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/graphics.h"

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

}  // namespace vexlo::toolkit
