// How long a doorbell's waiter spins before it sleeps. Waking a sleeping thread in another
// process costs tens of microseconds (more on a virtual machine whose other processor has gone
// idle); an instrument's answer to a block of 256 frames may come after 80. A waiter that spins
// about as long as the other side took last time catches the answer without a sleep; one that
// usually waits long (the bridge between two blocks played in real time) spins only briefly,
// since a wake-up is small beside that wait and a spinning thread takes a processor from others.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace vexlo::platform {

class SpinBudget {
public:
    using Clock = std::chrono::steady_clock;

    // Longest wait still worth spinning through, and the spin every wait gets.
    static constexpr std::chrono::microseconds kLongest{250};
    static constexpr std::chrono::microseconds kLeast{4};

    // Spins from `began` until `arrived()` holds or the budget is spent; true when it arrived.
    // Call waited(began) once a sleep that followed has ended, so that the next budget knows
    // how long this wait took.
    template <class Arrived>
    bool spin(Clock::time_point began, Arrived arrived) {
        const Clock::duration budget = budget_();
        for (unsigned round = 1;; ++round) {
            if (arrived()) {
                waited(began);
                return true;
            }
            if (round % 8 == 0 && Clock::now() - began >= budget) return false;
            relax();
        }
    }

    void waited(Clock::time_point began) {
        last_.store((Clock::now() - began).count(), std::memory_order_relaxed);
    }

    // What the next wait would spin for; for tests.
    Clock::duration budget() const { return budget_(); }

private:
    Clock::duration budget_() const {
        const Clock::duration last{last_.load(std::memory_order_relaxed)};
        if (last > kLongest) return kLeast;
        const Clock::duration generous = last + last / 4 + kLeast;
        return generous < kLongest ? generous : Clock::duration(kLongest);
    }

    // Yielding, not pausing: the scheduler may have put the other side on this very processor
    // (measured: a waker and its wakee often share one), and a spin that does not let it run
    // there only delays the answer it waits for.
    static void relax() { std::this_thread::yield(); }

    // Atomic only so that a doorbell shared by two waiting threads in turn stays well defined.
    std::atomic<Clock::rep> last_{0};
};

}  // namespace vexlo::platform
