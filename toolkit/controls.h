// The simple views and controls: a text label, a click area, an on/off picture.
#pragma once

#include <string>

#include "toolkit/view.h"

namespace vexlo::toolkit {

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

}  // namespace vexlo::toolkit
