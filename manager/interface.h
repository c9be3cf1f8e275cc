// Vexlo VM as programs outside it reach it (vexlo-host, the tests): its unique ID, and what it
// answers beyond the plug-in standard, requests sent with effVendorSpecific whose index is a
// four-character code no host sends by chance.
#pragma once

#include <cstdint>

namespace vexlo::manager {

inline constexpr std::int32_t kVexloVmUniqueId = 0x62373533;  // "b753"

// Loads a preset, bank or link file as "Load Preset" and "Load Bank" do with the file chosen:
// ptr is the path (a zero-terminated string), value 1 for a bank and 0 for a preset. The
// instrument the file names is loaded first; the answer is 1 when the request was taken.
inline constexpr std::int32_t kLoadPresetRequest = 0x56784C70;  // "VxLp"

}  // namespace vexlo::manager
