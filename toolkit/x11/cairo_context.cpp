#include "toolkit/x11/cairo_context.h"

#include <algorithm>

namespace vexlo::toolkit {

namespace {

void setColor(cairo_t* cr, CColor c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

}  // namespace

void CairoContext::fillRect(const CRect& r, CColor color) {
    setColor(cr_, color);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    cairo_fill(cr_);
}

void CairoContext::frameRect(const CRect& r, CColor color) {
    setColor(cr_, color);
    cairo_set_line_width(cr_, 1.0);
    cairo_rectangle(cr_, r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1);
    cairo_stroke(cr_);
}

void CairoContext::drawBitmap(const CBitmap& bitmap, const CRect& d, CPoint source) {
    cairo_surface_t* image = surfaceOf(bitmap);
    if (!image) return;
    cairo_save(cr_);
    cairo_rectangle(cr_, d.left, d.top, std::min(d.width(), bitmap.width() - source.x),
                    std::min(d.height(), bitmap.height() - source.y));
    cairo_clip(cr_);
    cairo_set_source_surface(cr_, image, d.left - source.x, d.top - source.y);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void CairoContext::drawText(const std::string& text, const CRect& r, int font, CColor color, Align align) {
    cairo_save(cr_);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    cairo_clip(cr_);
    selectFont(font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text.c_str(), &extents);
    double x = r.left + 2;
    if (align == Align::center) x = r.left + (r.width() - extents.x_advance) / 2.0;
    if (align == Align::right) x = r.right - 2 - extents.x_advance;
    const double y = r.top + (r.height() - extents.height) / 2.0 - extents.y_bearing;
    setColor(cr_, color);
    cairo_move_to(cr_, x, y);
    cairo_show_text(cr_, text.c_str());
    cairo_restore(cr_);
}

int CairoContext::textWidth(const std::string& text, int font) {
    cairo_save(cr_);
    selectFont(font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text.c_str(), &extents);
    cairo_restore(cr_);
    return static_cast<int>(extents.x_advance + 0.5) + 2;  // drawText starts two pixels in
}

void CairoContext::selectFont(int font) {
    cairo_select_font_face(cr_, "Sans", CAIRO_FONT_SLANT_NORMAL,
                           font == kSystemFont ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, fontPixelSize(font));
}

cairo_surface_t* CairoContext::surfaceOf(const CBitmap& bitmap) {
    CachedImage& cached = images_[&bitmap];
    if (cached.surface && cached.stamp == bitmap.stamp()) return cached.surface;
    // A bitmap object given a new image in place (a skin reloaded) is copied again.
    if (cached.surface) cairo_surface_destroy(cached.surface);
    cached = {};
    if (bitmap.empty()) return nullptr;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap.width(), bitmap.height());
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < bitmap.width(); ++x) {
            CColor c = bitmap.pixel(x, y);
            row[x] = static_cast<std::uint32_t>(c.red) << 16 | static_cast<std::uint32_t>(c.green) << 8 | c.blue;
        }
    }
    cairo_surface_mark_dirty(image);
    cached = {image, bitmap.stamp()};
    return image;
}

}  // namespace vexlo::toolkit
