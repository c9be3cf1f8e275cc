// Geometry, colours, bitmaps and the drawing surface of the widget toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vexlo::toolkit {

struct CPoint {
    int x = 0;
    int y = 0;
};

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(CPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
};

struct CColor {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const CColor& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    bool operator!=(const CColor& o) const { return !(*this == o); }
};

inline constexpr CColor kWhite{255, 255, 255, 255};
inline constexpr CColor kBlack{0, 0, 0, 255};

// An image in memory: 32-bit pixels, top row first.
class CBitmap {
public:
    CBitmap() : stamp_(nextStamp()) {}
    CBitmap(int width, int height, CColor fill = kBlack);
    // Every image a bitmap object comes to hold gets a new stamp, so that a backend that keeps
    // a native copy of a bitmap sees when the object was given another image in place.
    CBitmap(const CBitmap& other) : width_(other.width_), height_(other.height_), pixels_(other.pixels_), stamp_(nextStamp()) {}
    CBitmap(CBitmap&& other) noexcept
        : width_(other.width_), height_(other.height_), pixels_(std::move(other.pixels_)), stamp_(nextStamp()) {}
    CBitmap& operator=(const CBitmap& other);
    CBitmap& operator=(CBitmap&& other) noexcept;
    virtual ~CBitmap() = default;

    // Decodes a Windows bitmap: a whole .bmp file, or, without the file header, a bitmap
    // resource. Uncompressed 24- and 32-bit and palette images of 1, 4 and 8 bits are read;
    // anything else, or data that ends early, gives an empty bitmap.
    static CBitmap fromBmp(const std::uint8_t* data, std::size_t size, bool withFileHeader = true);
    static CBitmap fromFile(const std::string& path);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return pixels_.empty(); }
    CColor pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    void setPixel(int x, int y, CColor c) { pixels_[static_cast<std::size_t>(y) * width_ + x] = c; }
    const std::vector<CColor>& pixels() const { return pixels_; }
    std::uint64_t stamp() const { return stamp_; }

private:
    static std::uint64_t nextStamp();

    int width_ = 0, height_ = 0;
    std::vector<CColor> pixels_;
    std::uint64_t stamp_;
};

// The bitmaps a library carries, by resource number.
struct EmbeddedBitmap {
    int id;
    const std::uint8_t* data;  // a whole .bmp file
    std::size_t size;
};
struct BitmapTable {
    const EmbeddedBitmap* entries;
    std::size_t count;
};

// A bitmap of this library's resources: the module's own resource on Windows, else the copy
// embedded at build time. Empty when there is no such bitmap.
CBitmap loadResourceBitmap(int id, const BitmapTable& embedded);

// The fonts the toolkit offers, by number; 4 is the editors' default.
enum FontId { kSystemFont = 0, kNormalFontVeryBig, kNormalFontBig, kNormalFont, kNormalFontSmall, kNormalFontSmaller,
              kNormalFontVerySmall, kSymbolFont, kNumFonts };
int fontPixelSize(int font);
// About how wide an average character of a font is drawn.
inline int averageCharacterWidth(int font) { return fontPixelSize(font) * 6 / 10 > 0 ? fontPixelSize(font) * 6 / 10 : 1; }

enum class Align { left, center, right };

// Where views draw: the same calls on every backend.
class CDrawContext {
public:
    virtual ~CDrawContext() = default;
    virtual void fillRect(const CRect& rect, CColor color) = 0;
    virtual void frameRect(const CRect& rect, CColor color) = 0;
    // Draws the part of the bitmap that starts at source into the rectangle (clipped to both).
    virtual void drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source = {}) = 0;
    virtual void drawText(const std::string& text, const CRect& rect, int font, CColor color, Align align) = 0;
    // How wide a text is drawn; without glyphs, an average character's width each.
    virtual int textWidth(const std::string& text, int font) {
        return static_cast<int>(text.size()) * averageCharacterWidth(font);
    }
};

// A drawing surface in memory: what the offscreen backend shows, and what tests look at.
class ImageContext : public CDrawContext {
public:
    explicit ImageContext(CBitmap& target) : target_(target) {}
    void fillRect(const CRect& rect, CColor color) override;
    void frameRect(const CRect& rect, CColor color) override;
    void drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source) override;
    void drawText(const std::string& text, const CRect& rect, int font, CColor color, Align align) override;

    struct TextDrawn {
        std::string text;
        CRect rect;
        CColor color;
    };
    std::vector<TextDrawn> texts;  // every text drawn, in order

private:
    CBitmap& target_;
};

}  // namespace vexlo::toolkit
