// Keeps the audio thread, and every other caller into a child, away from a child while a
// structural change (a load, an unload, a reconfiguration) runs on another thread.
//
// Callers into children pass through enter()/leave(); a change holds the gate with acquire()
// or tryAcquire(), which return once no caller is inside. Both sides use sequentially
// consistent operations: a caller either sees the gate held and stays out, or the change sees
// the caller inside and waits for it. Nothing sleeps on the audio side and nothing is locked.
#pragma once

#include <atomic>
#include <thread>

namespace vexlo::manager {

class AudioGate {
public:
    // Caller side. True when the caller may go on to the children; it must then call leave().
    // The thread that holds the gate may always go on.
    bool enter();
    void leave() { inside_.fetch_sub(1); }
    // For callers that are not the audio thread: waits while a change runs (up to the limit).
    bool enterWaiting();

    // Change side. acquire() waits for the gate to be free, holds it, and waits until no caller
    // is inside; tryAcquire() gives up at once when another change holds the gate. Both give up
    // (false, nothing held) after the time limit, which only a child that never returns can reach.
    // The thread that holds the gate may take it again; each take is released once.
    bool acquire();
    bool tryAcquire();
    void release();

    bool isHeld() const { return held_.load(); }
    bool heldByThisThread() const { return held_.load() && owner_.load() == std::this_thread::get_id(); }

    static constexpr unsigned kLimitMs = 3000;

private:
    bool waitForCallersToLeave();

    std::atomic<int> inside_{0};
    std::atomic<bool> held_{false};
    std::atomic<std::thread::id> owner_{};
    int nested_ = 0;  // further takes by the holding thread; only that thread touches it
};

// Holds the gate for a scope when it could be taken.
class GateHold {
public:
    enum Mode { wait, giveUpIfHeld };
    GateHold(AudioGate& gate, Mode mode) : gate_(gate), held_(mode == wait ? gate.acquire() : gate.tryAcquire()) {}
    ~GateHold() {
        if (held_) gate_.release();
    }
    explicit operator bool() const { return held_; }
    GateHold(const GateHold&) = delete;
    GateHold& operator=(const GateHold&) = delete;

private:
    AudioGate& gate_;
    bool held_;
};

// Passes a caller through the gate for a scope.
class GatePass {
public:
    enum Mode { now, waitForChange };
    explicit GatePass(AudioGate& gate, Mode mode = now)
        : gate_(gate), open_(mode == now ? gate.enter() : gate.enterWaiting()) {}
    ~GatePass() {
        if (open_) gate_.leave();
    }
    explicit operator bool() const { return open_; }
    GatePass(const GatePass&) = delete;
    GatePass& operator=(const GatePass&) = delete;

private:
    AudioGate& gate_;
    bool open_;
};

}  // namespace vexlo::manager
