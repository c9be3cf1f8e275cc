#include "manager/core/crash_marker.h"

#include <chrono>
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

CrashMarker::~CrashMarker() {
    stopWatching();
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
}

void CrashMarker::starting(std::int32_t id, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    watching_ = false;  // a watch still running is over another start's first frames
    written_ = markerText(id, path);
    store_.write(kKey, written_, true);
}

void CrashMarker::started() {
    std::lock_guard<std::mutex> lock(mutex_);
    watching_ = false;
    clearLocked();
}

void CrashMarker::clearLocked() {
    if (written_.empty()) return;
    // Another instance may have marked a plug-in of its own since: that marker stays.
    if (store_.read(kKey).value_or("") == written_) store_.write(kKey, "-", true);
    written_.clear();
}

void CrashMarker::playing(std::uint64_t frames) {
    std::lock_guard<std::mutex> starts(threadMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (written_.empty() || ending_) return;
        target_ = played_.load(std::memory_order_relaxed) + frames;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPlayLimitMs);
        watching_ = true;
        if (running_) return;  // the watch there takes the new target
        running_ = true;
    }
    if (watch_.joinable()) watch_.join();  // one that has ended by itself
    watch_ = std::thread([this] { watch(); });
}

void CrashMarker::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (watching_ && !ending_) {
        if (played_.load(std::memory_order_relaxed) >= target_ || std::chrono::steady_clock::now() >= deadline_) {
            watching_ = false;
            clearLocked();
            break;
        }
        // Looked at often enough that the marker goes soon after the first second.
        wake_.wait_for(lock, std::chrono::milliseconds(20));
    }
    running_ = false;
}

void CrashMarker::stopWatching() {
    std::lock_guard<std::mutex> starts(threadMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
        wake_.notify_all();
    }
    if (watch_.joinable()) watch_.join();
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
