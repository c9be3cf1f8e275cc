#include "manager/core/crash_marker.h"

#include <cstdlib>

#include "platform/ipc.h"

namespace vexlo::manager {

namespace {

constexpr const char* kKey = "Starting Plugin";

// "<process> <unique ID> <path>"
std::string markerText(std::int32_t id, const std::string& path) {
    return std::to_string(platform::currentProcessId()) + " " + std::to_string(id) + " " + path;
}

}  // namespace

void CrashMarker::starting(std::int32_t id, const std::string& path) {
    written_ = markerText(id, path);
    store_.write(kKey, written_, true);
}

void CrashMarker::started() {
    if (written_.empty()) return;
    // Another instance may have marked a plug-in of its own since: that marker stays.
    if (store_.read(kKey).value_or("") == written_) store_.write(kKey, "-", true);
    written_.clear();
}

std::optional<CrashMarker::LeftBehind> CrashMarker::takeLeftBehind() {
    const std::string text = store_.read(kKey).value_or("");
    char* end = nullptr;
    const unsigned long long process = std::strtoull(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != ' ') return std::nullopt;
    const long id = std::strtol(end + 1, &end, 10);
    if (*end != ' ' || end[1] == 0) return std::nullopt;
    // A host still running is starting that plug-in right now.
    if (platform::processAlive(process)) return std::nullopt;
    store_.write(kKey, "-", true);
    return LeftBehind{static_cast<std::int32_t>(id), std::string(end + 1)};
}

}  // namespace vexlo::manager
