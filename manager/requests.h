// What Vexlo VM answers beyond the plug-in standard, for vexlo-host and the tests: requests sent
// with effVendorSpecific, whose index is a four-character code no host sends by chance.
#pragma once

#include <cstdint>

namespace vexlo::manager {

// Loads a preset, bank or link file as "Load Preset" and "Load Bank" do with the file chosen:
// ptr is the path (a zero-terminated string), value 1 for a bank and 0 for a preset. The
// instrument the file names is loaded first; the answer is 1 when the request was taken.
inline constexpr std::int32_t kLoadPresetRequest = 0x56784C70;  // "VxLp"

}  // namespace vexlo::manager
