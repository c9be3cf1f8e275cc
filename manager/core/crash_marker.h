// Which plug-in a Vexlo VM is starting in the host's own process, written in the settings
// before the library is loaded, entered, opened and handed its state, and taken away once that
// is done and the plug-in has played its first second: a marker that a host which died left
// behind names the plug-in that took it down, which then runs in a process of its own from the
// next start on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "manager/library/config_file.h"

namespace vexlo::manager {

class CrashMarker {
public:
    explicit CrashMarker(const library::ConfigFile& store) : store_(store) {}
    ~CrashMarker();

    // Before the risky steps with a library; id: its unique ID when known, else -1.
    void starting(std::int32_t id, const std::string& path);
    // The steps are over (or the library was refused, or closed): this instance's marker goes.
    void started();
    // The steps are over and the plug-in is about to play: many fail only on their first
    // blocks (a rate they cannot take, a buffer sized on the first block), so the marker stays
    // until `frames` more frames were played, and goes at the latest after kPlayLimitMs
    // without them (a host that does not play is not testing the plug-in). A thread of the
    // marker's own looks at the count; the audio thread only adds to it.
    void playing(std::uint64_t frames);
    // The same for one second at a rate.
    void playingOneSecond(float rate) { playing(static_cast<std::uint64_t>(rate > 1.0f ? rate : 1.0f)); }
    // From the audio thread: frames played through Vexlo VM. Never waits.
    void played(std::uint32_t frames) { played_.fetch_add(frames, std::memory_order_relaxed); }
    static constexpr unsigned kPlayLimitMs = 10000;

    struct LeftBehind {
        std::int32_t id;  // -1 when the marker did not know it
        std::string path;
    };
    // A marker that a host no longer running left behind, taken away; nothing when there is none.
    std::optional<LeftBehind> takeLeftBehind();

private:
    void clearLocked();
    void watch();
    void stopWatching();

    const library::ConfigFile& store_;
    std::mutex mutex_;     // the marker is written from loading threads and the watch
    std::string written_;  // this instance's marker, so that only it is taken away
    std::atomic<std::uint64_t> played_{0};
    // The watch over the first frames played: until played_ reaches target_.
    std::uint64_t target_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    bool watching_ = false;  // a watch is wanted
    bool running_ = false;   // its thread is there
    bool ending_ = false;
    std::condition_variable wake_;
    std::thread watch_;
    std::mutex threadMutex_;  // starting and joining the watch's thread
};

}  // namespace vexlo::manager
