#include "hosting/probe.h"

#include <algorithm>
#include <cerrno>
#include <thread>
#include <cstdlib>
#include <cstring>

#include "hosting/child_checks.h"
#include "hosting/host_callback.h"
#include "hosting/hosted_child.h"
#include "hosting/library_machine.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace vexlo::hosting {

std::optional<VstInt32> probeHere(const std::string& path) {
    HostedChild child;
    if (!child.loadLibrary(path) || !child.enter(neutralCallback)) return std::nullopt;
    child.open();
    child.resume();
    const bool answers = takesEvents(child);
    const VstInt32 id = child.uniqueId();
    child.close();
    if (!answers) return std::nullopt;
    return id;
}

ProbeResult probeLibrary(const std::string& libraryPath) {
    if (auto isolated = probeInHelper(libraryPath)) return *isolated;
    if (reachOf(machineOfLibrary(libraryPath)) != Reach::here) return ProbeResult{};
    return probeHere(libraryPath);
}

int probesAtOnce() {
    if (platform::pathInfo(probeHelperPath()).kind != platform::PathKind::regularFile) return 1;
    const unsigned processors = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(processors, 1u, 8u));
}

std::string probeHelperPath(const char* wordSize) {
    const std::string own = platform::ownLibraryPath();
    return own.substr(0, own.find_last_of("\\/") + 1) + "vexlo-probe" + wordSize + platform::programSuffix();
}

std::optional<ProbeResult> parseProbeAnswer(const std::string& output) {
    const std::size_t at = output.find(kProbeAnswer);
    if (at == std::string::npos) return std::nullopt;
    const char* rest = output.c_str() + at + std::strlen(kProbeAnswer);
    if (std::strncmp(rest, " none", 5) == 0) return ProbeResult{};
    if (std::strncmp(rest, " id ", 4) != 0) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long id = std::strtoll(rest + 4, &end, 10);
    if (end == rest + 4 || errno != 0 || id < INT32_MIN || id > INT32_MAX) return std::nullopt;
    return ProbeResult{static_cast<std::int32_t>(id)};
}

std::optional<ProbeResult> probeInHelper(const std::string& libraryPath, unsigned timeLimitMs) {
    const Machine machine = machineOfLibrary(libraryPath);
    if (reachOf(machine) == Reach::otherProcessor) return ProbeResult{};
    const std::string helper = probeHelperPath(wordSizeSuffix(machine));
    if (platform::pathInfo(helper).kind != platform::PathKind::regularFile) return std::nullopt;
    const platform::ProcessRun run = platform::runProcess(helper, {libraryPath}, timeLimitMs);
    if (run.end == platform::ProcessRun::End::notStarted) return std::nullopt;  // probed here, as without it
    // Only a clean exit with an answer counts: a library that crashed even on its way out
    // would take a host down when it is unloaded there.
    if (run.end != platform::ProcessRun::End::exited || run.exitCode != 0) return ProbeResult::failed();
    if (auto answer = parseProbeAnswer(run.output)) return answer;
    return ProbeResult::failed();
}

}  // namespace vexlo::hosting
