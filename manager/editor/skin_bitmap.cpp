#include "manager/editor/skin_bitmap.h"

#include <vector>

#include "manager/library/path_utils.h"

namespace vexlo::manager {

namespace {
// A skin bitmap larger than this is no skin bitmap (a 16384 x 16384 image of 24 bits is 768 MB).
constexpr std::uint64_t kMaxBitmapBytes = 64u << 20;
}  // namespace

bool SkinBitmap::load(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!library::readRegularFile(path, kMaxBitmapBytes, bytes)) {
        toolkit::CBitmap::operator=(toolkit::CBitmap());
        return false;
    }
    toolkit::CBitmap::operator=(toolkit::CBitmap::fromBmp(bytes.data(), bytes.size(), true));
    return false;
}

}  // namespace vexlo::manager
