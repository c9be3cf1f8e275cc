// The skin's text files on whatever text the fuzzer makes: every reader stays inside it and
// counts what it could not read instead of failing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "manager/files/skin_files.h"

using namespace vexlo::files;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto styles = decodeSkinColorsFonts(text);
    const auto positions = decodeSkinPositions(text);
    if (styles.damagedFields < 0 || positions.damagedFields < 0) std::abort();
    (void)decodeSkinSize(text);
    if (skinNameFromCurrent(text).size() > text.size()) std::abort();
    for (const auto& line : skinLines(text)) {
        int damaged = 0;
        (void)skinField(line, 0, 4, &damaged);
        (void)skinField(line, line.size(), 4, &damaged);  // a field past the line's end
    }
    return 0;
}
