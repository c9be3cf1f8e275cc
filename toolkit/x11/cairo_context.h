// The toolkit's drawing on X11: a Cairo context, with the native copies of the bitmaps it drew
// kept by whoever owns the window (they are made once per image, not once per frame).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <map>
#include <string>

#include "toolkit/graphics.h"

namespace vexlo::toolkit {

// A native copy of a bitmap, and the image of the bitmap it was made from.
struct CachedImage {
    cairo_surface_t* surface = nullptr;
    std::uint64_t stamp = 0;
};
using ImageCache = std::map<const CBitmap*, CachedImage>;

class CairoContext : public CDrawContext {
public:
    CairoContext(cairo_t* cr, ImageCache& images) : cr_(cr), images_(images) {}

    void fillRect(const CRect& r, CColor color) override;
    void frameRect(const CRect& r, CColor color) override;
    void drawBitmap(const CBitmap& bitmap, const CRect& d, CPoint source) override;
    void drawText(const std::string& text, const CRect& r, int font, CColor color, Align align) override;
    int textWidth(const std::string& text, int font) override;

private:
    void selectFont(int font);
    cairo_surface_t* surfaceOf(const CBitmap& bitmap);

    cairo_t* cr_;
    ImageCache& images_;
};

}  // namespace vexlo::toolkit
