#include "toolkit/graphics.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace vexlo::toolkit {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

constexpr std::size_t kFileHeader = 14;
constexpr int kMaxSide = 16384;

}  // namespace

CBitmap::CBitmap(int width, int height, CColor fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill), stamp_(nextStamp()) {}

std::uint64_t CBitmap::nextStamp() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

CBitmap& CBitmap::operator=(const CBitmap& other) {
    if (this != &other) {
        width_ = other.width_;
        height_ = other.height_;
        pixels_ = other.pixels_;
        stamp_ = nextStamp();
    }
    return *this;
}

CBitmap& CBitmap::operator=(CBitmap&& other) noexcept {
    if (this != &other) {
        width_ = other.width_;
        height_ = other.height_;
        pixels_ = std::move(other.pixels_);
        other.width_ = other.height_ = 0;
        stamp_ = nextStamp();
    }
    return *this;
}

CBitmap CBitmap::fromBmp(const std::uint8_t* data, std::size_t size, bool withFileHeader) {
    std::size_t at = 0;
    std::size_t pixelOffset = 0;
    if (withFileHeader) {
        if (size < kFileHeader || data[0] != 'B' || data[1] != 'M') return {};
        pixelOffset = le32(data + 10);
        at = kFileHeader;
    }
    if (size < at + 40) return {};
    const std::uint8_t* info = data + at;
    const std::uint32_t infoSize = le32(info);
    const auto width = static_cast<std::int32_t>(le32(info + 4));
    const auto rawHeight = static_cast<std::int32_t>(le32(info + 8));
    const int bits = le16(info + 14);
    const std::uint32_t compression = le32(info + 16);
    std::uint32_t colours = le32(info + 32);
    if (infoSize < 40 || infoSize > size - at || width <= 0 || width > kMaxSide || rawHeight == 0 ||
        rawHeight < -kMaxSide || rawHeight > kMaxSide)
        return {};
    if (compression != 0 && !(compression == 3 && bits == 32)) return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return {};
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;

    // The palette follows the header (and the colour masks of a 32-bit image).
    std::size_t paletteAt = at + infoSize + (compression == 3 && infoSize == 40 ? 12 : 0);
    if (bits <= 8 && colours == 0) colours = 1u << bits;
    if (bits <= 8 && (colours > 256 || paletteAt + 4 * static_cast<std::size_t>(colours) > size)) return {};
    if (!withFileHeader) pixelOffset = paletteAt + (bits <= 8 ? 4 * static_cast<std::size_t>(colours) : 0);

    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (pixelOffset > size || stride * static_cast<std::size_t>(height) > size - pixelOffset) return {};

    CBitmap image(width, height);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* line = data + pixelOffset + stride * static_cast<std::size_t>(row);
        const int y = bottomUp ? height - 1 - row : row;
        for (int x = 0; x < width; ++x) {
            CColor c;
            if (bits == 24 || bits == 32) {
                const std::uint8_t* p = line + static_cast<std::size_t>(x) * (bits / 8);
                c = {p[2], p[1], p[0], 255};
            } else {
                const int perByte = 8 / bits;
                const int shift = 8 - bits * (x % perByte + 1);
                const unsigned index = (line[x / perByte] >> shift) & ((1u << bits) - 1);
                if (index >= colours) return {};
                const std::uint8_t* p = data + paletteAt + 4 * index;
                c = {p[2], p[1], p[0], 255};
            }
            image.setPixel(x, y, c);
        }
    }
    return image;
}

CBitmap CBitmap::fromFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return fromBmp(bytes.data(), bytes.size(), true);
}

int fontPixelSize(int font) {
    static constexpr int kSizes[kNumFonts] = {12, 18, 14, 12, 11, 10, 9, 12};
    return font >= 0 && font < kNumFonts ? kSizes[font] : kSizes[kNormalFontSmall];
}

// ---- Drawing into memory ----

void ImageContext::fillRect(const CRect& rect, CColor color) {
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, target_.height()); ++y)
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, target_.width()); ++x) target_.setPixel(x, y, color);
}

void ImageContext::frameRect(const CRect& rect, CColor color) {
    fillRect({rect.left, rect.top, rect.right, rect.top + 1}, color);
    fillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);
    fillRect({rect.left, rect.top, rect.left + 1, rect.bottom}, color);
    fillRect({rect.right - 1, rect.top, rect.right, rect.bottom}, color);
}

void ImageContext::drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source) {
    for (int y = destination.top; y < destination.bottom; ++y) {
        const int sy = source.y + y - destination.top;
        if (y < 0 || y >= target_.height() || sy < 0 || sy >= bitmap.height()) continue;
        for (int x = destination.left; x < destination.right; ++x) {
            const int sx = source.x + x - destination.left;
            if (x < 0 || x >= target_.width() || sx < 0 || sx >= bitmap.width()) continue;
            target_.setPixel(x, y, bitmap.pixel(sx, sy));
        }
    }
}

void ImageContext::drawText(const std::string& text, const CRect& rect, int, CColor color, Align) {
    // No glyphs in memory: the text is kept, for whoever looks at the drawing.
    texts.push_back({text, rect, color});
}

}  // namespace vexlo::toolkit
