#include "platform/spin_budget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/ipc.h"

namespace vexlo::platform {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

TEST(SpinBudget, SpinsAboutAsLongAsTheWaitBeforeTookAndNotThroughLongWaits) {
    SpinBudget spin;
    EXPECT_EQ(spin.budget(), SpinBudget::kLeast);

    spin.waited(SpinBudget::Clock::now() - microseconds(80));
    EXPECT_GE(spin.budget(), microseconds(80)) << "an answer that came after 80 us is spun for";
    EXPECT_LE(spin.budget(), SpinBudget::kLongest);

    spin.waited(SpinBudget::Clock::now() - milliseconds(6));
    EXPECT_EQ(spin.budget(), SpinBudget::kLeast) << "a wait of a whole block period sleeps";

    spin.waited(SpinBudget::Clock::now() - microseconds(240));
    EXPECT_EQ(spin.budget(), SpinBudget::kLongest) << "never more than the longest";
}

TEST(SpinBudget, EndsWhenTheAnswerIsThereOrTheBudgetIsSpent) {
    SpinBudget spin;
    EXPECT_TRUE(spin.spin(SpinBudget::Clock::now(), [] { return true; }));
    const auto began = SpinBudget::Clock::now();
    EXPECT_FALSE(spin.spin(began, [] { return false; }));
    EXPECT_GE(SpinBudget::Clock::now() - began, SpinBudget::kLeast);
}

// The ring may come while the waiter still spins, or after it went to sleep; both must wake it.
TEST(Doorbell, WakesItsWaiterWhetherItSpinsOrSleepsAndGivesUpAtTheLimit) {
    std::atomic<std::uint32_t> word{0};
    const std::string name = ChildProcess::uniqueName("vexlo-bell-test");
    auto waiter = Doorbell::create(word, name);
    auto ringer = Doorbell::open(word, name);
    ASSERT_TRUE(waiter && ringer);

    for (const auto delay : {microseconds(0), microseconds(20000)}) {
        const std::uint32_t seen = word.load();
        std::thread other([&] {
            std::this_thread::sleep_for(delay);
            ringer->ring();
        });
        EXPECT_TRUE(waiter->waitPast(seen, 5000)) << "ring after " << delay.count() << " us";
        other.join();
    }
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(waiter->waitPast(word.load(), 50));
    EXPECT_GE(std::chrono::steady_clock::now() - began, milliseconds(30)) << "a coarse tick may end it early, never at once";
}

}  // namespace
}  // namespace vexlo::platform
