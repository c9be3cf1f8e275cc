// What a scan asks of a plug-in library: whether it holds a plug-in that takes events, and its
// unique ID. Asked in a process of its own when the helper program (vexlo-probe) is beside this
// code, so that a library that crashes or hangs in its entry takes down only the helper; asked
// here otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "frame/vst_records.h"

namespace vexlo::hosting {

struct ProbeResult {
    ProbeResult(std::optional<std::int32_t> id = std::nullopt) : uniqueId(id) {}
    static ProbeResult failed() {
        ProbeResult result;
        result.crashed = true;
        return result;
    }
    std::optional<std::int32_t> uniqueId;  // a plug-in that takes events
    bool crashed = false;                  // the library took its helper down, or hung
};

// What the helper writes: this word, then "id" and the number, or "none".
constexpr const char* kProbeAnswer = "VexloProbe";
// A library that has not answered by then is taken to hang.
constexpr unsigned kProbeTimeLimitMs = 10000;

// Loads the library here and asks it: its unique ID when it takes events.
std::optional<VstInt32> probeHere(const std::string& path);

// The helper beside the library (or program) this code is in; wordSize names the one for
// libraries of the other word size ("32" or "64", see library_machine.h).
std::string probeHelperPath(const char* wordSize = "");
// The helper's answer for the library; nothing when there is no helper to ask.
std::optional<ProbeResult> probeInHelper(const std::string& libraryPath, unsigned timeLimitMs = kProbeTimeLimitMs);
// The helper's answer when there is a helper, else the answer here. A library of the other
// word size is asked only by the helper of its size; one built for another processor holds
// nothing this process can host.
ProbeResult probeLibrary(const std::string& libraryPath);
// How many probes a scan runs at once: as many as the machine has processors (1 to 8) when the
// helper is there to run each in a process of its own; one, in this process, without it.
int probesAtOnce();
// The answer a helper wrote, when it is one.
std::optional<ProbeResult> parseProbeAnswer(const std::string& output);

}  // namespace vexlo::hosting
