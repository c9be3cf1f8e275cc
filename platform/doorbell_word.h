// The word a doorbell rings: the count of rings in its low 31 bits, and in the top bit whether
// its waiter has gone to sleep. Only a sleeping waiter needs the system to wake it (a system
// call; under wine a round trip to its server as well); a waiter that still spins sees the count
// move by itself, so a ring costs one atomic operation then. Shared by the platforms' doorbells.
#pragma once

#include <atomic>
#include <cstdint>

namespace vexlo::platform::doorbell_word {

inline constexpr std::uint32_t kSleeping = 0x80000000u;
inline constexpr std::uint32_t kCount = 0x7fffffffu;

// Bumps the count and takes the sleep back; true when the waiter sleeps and must be woken.
inline bool ring(std::atomic<std::uint32_t>& word) {
    std::uint32_t old = word.load();
    while (!word.compare_exchange_weak(old, (old + 1) & kCount)) {
    }
    return (old & kSleeping) != 0;
}

inline bool rang(const std::atomic<std::uint32_t>& word, std::uint32_t seen) {
    return ((word.load() ^ seen) & kCount) != 0;
}

// What the word holds while the waiter sleeps: the system's wait compares against it.
inline std::uint32_t asleep(std::uint32_t seen) { return (seen & kCount) | kSleeping; }

// The waiter says it goes to sleep; false when a ring came first (it must not sleep then).
inline bool announceSleep(std::atomic<std::uint32_t>& word, std::uint32_t seen) {
    std::uint32_t expected = seen & kCount;
    return word.compare_exchange_strong(expected, asleep(seen)) || expected == asleep(seen);
}

// The waiter gives up at its limit and takes the sleep back; false when a ring came meanwhile.
inline bool withdraw(std::atomic<std::uint32_t>& word, std::uint32_t seen) {
    std::uint32_t expected = asleep(seen);
    return word.compare_exchange_strong(expected, seen & kCount) || !rang(word, seen);
}

}  // namespace vexlo::platform::doorbell_word
