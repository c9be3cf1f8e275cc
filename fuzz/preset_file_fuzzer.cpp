// The FXP and FXB reader on whatever bytes the fuzzer makes: it must stay inside them, and a
// file it reads must come back the same from what it writes. One reader serves program
// files and banks alike; each has its own seeds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "hosting/preset_file.h"

using namespace vexlo::files;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto file = decodePresetFile(data, size);
    if (!file) return 0;
    const auto bytes = encodePresetFile(*file.value);
    auto again = decodePresetFile(bytes.data(), bytes.size());
    if (!again || encodePresetFile(*again.value) != bytes) std::abort();
    if (again.value->chunk != file.value->chunk || again.value->programs.size() != file.value->programs.size()) std::abort();
    return 0;
}
