// The unique IDs of our test plug-ins (tests/plugins), as saved states and presets name them.
#pragma once

#include "frame/vst_records.h"

namespace vexlo::test {

inline constexpr VstInt32 kSynthId = 0x56745379;  // test-synth: chunks, 4 programs
inline constexpr VstInt32 kMonoId = 0x56744D6F;   // test-mono
inline constexpr VstInt32 kFxId = 0x56744D78;     // test-midi-fx
inline constexpr VstInt32 kDumpId = 0x56744475;   // test-dump: 128 programs of 10 parameters

}  // namespace vexlo::test
