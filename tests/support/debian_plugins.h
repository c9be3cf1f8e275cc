// The Debian VST packages the tests play with, where the packages put them.
#pragma once

namespace vexlo::test {

inline constexpr const char* kAmsynth = "/usr/lib/vst/amsynth_vst.so";
inline constexpr const char* kKars = "/usr/lib/vst/Kars-vst.so";
inline constexpr const char* kNekobi = "/usr/lib/vst/Nekobi-vst.so";
inline constexpr const char* kZyn = "/usr/lib/vst/ZynAddSubFX.so";

}  // namespace vexlo::test
