// The preset-link reader on whatever bytes the fuzzer makes: it stays inside them, and a link it
// reads comes back the same from what it writes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "manager/files/preset_link.h"

using namespace vexlo::files;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto link = decodePresetLink(data, size);
    if (!link) return 0;
    const std::string text = encodePresetLink(*link.value);
    auto again = decodePresetLink(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    if (!again || again.value->target != link.value->target || again.value->pluginId != link.value->pluginId ||
        again.value->program != link.value->program)
        std::abort();
    return 0;
}
