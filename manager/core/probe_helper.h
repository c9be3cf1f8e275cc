// Probing a library in a process of its own: a small helper program shipped beside Vexlo VM
// loads it, says what it found and exits, so a library that crashes or hangs in its entry
// takes down only the helper.
#pragma once

#include <optional>
#include <string>

#include "manager/library/scan_database.h"

namespace vexlo::manager {

// What the helper writes: this word, then "id" and the number, or "none".
constexpr const char* kProbeAnswer = "VexloProbe";
// A library that has not answered by then is taken to hang.
constexpr unsigned kProbeTimeLimitMs = 10000;

// The helper beside the library (or program) this code is in.
std::string probeHelperPath();
// The helper's answer for the library; nothing when there is no helper to ask.
std::optional<library::ScanDatabase::ProbeResult> probeInHelper(const std::string& libraryPath,
                                                                unsigned timeLimitMs = kProbeTimeLimitMs);
// The answer a helper wrote, when it is one.
std::optional<library::ScanDatabase::ProbeResult> parseProbeAnswer(const std::string& output);

}  // namespace vexlo::manager
