// The BMP reader on whatever bytes the fuzzer makes, with and without the file header: it stays
// inside them, and an image it reads has the pixels its size says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "toolkit/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> block(data, data + size);  // an exact copy: a read past it is reported
    for (bool withFileHeader : {true, false}) {
        const auto bitmap = vexlo::toolkit::CBitmap::fromBmp(block.data(), block.size(), withFileHeader);
        if (bitmap.empty()) continue;
        if (bitmap.width() <= 0 || bitmap.height() <= 0) std::abort();
        volatile auto corner = bitmap.pixel(bitmap.width() - 1, bitmap.height() - 1);  // inside its pixels
        (void)corner;
    }
    return 0;
}
