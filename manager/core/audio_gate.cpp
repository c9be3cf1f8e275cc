#include "manager/core/audio_gate.h"

#include "platform/platform.h"

namespace vexlo::manager {

static_assert(std::atomic<std::thread::id>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

namespace {
// Polls every millisecond until the condition holds; false when the time limit passes first.
template <typename Condition>
bool pollUntil(Condition condition) {
    const std::uint32_t start = platform::tickCount();
    while (!condition()) {
        if (platform::tickCount() - start > AudioGate::kLimitMs) return false;
        platform::sleepMs(1);
    }
    return true;
}
}  // namespace

bool AudioGate::enter() {
    inside_.fetch_add(1);
    if (!held_.load()) return true;
    if (owner_.load() == std::this_thread::get_id()) return true;
    inside_.fetch_sub(1);
    return false;
}

bool AudioGate::enterWaiting() {
    return pollUntil([this] { return enter(); });
}

bool AudioGate::tryAcquire() {
    if (heldByThisThread()) {
        ++nested_;
        return true;
    }
    bool expected = false;
    if (!held_.compare_exchange_strong(expected, true)) return false;
    owner_.store(std::this_thread::get_id());
    if (waitForCallersToLeave()) return true;
    release();
    return false;
}

bool AudioGate::acquire() {
    return pollUntil([this] { return tryAcquire(); });
}

void AudioGate::release() {
    if (nested_ > 0) {
        --nested_;
        return;
    }
    owner_.store(std::thread::id());
    held_.store(false);
}

bool AudioGate::waitForCallersToLeave() {
    // Callers inside are processing calls or calls into a child; each returns in a block's time.
    return pollUntil([this] { return inside_.load() == 0; });
}

}  // namespace vexlo::manager
