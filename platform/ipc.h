// What two processes share: a block of memory both map, doorbells that wake the other side
// (a futex on Linux, an event on Windows), and a child process that can be watched and ended.
// One implementation per platform.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexlo::platform {

// A named block of memory mapped into this process. The side that creates it removes the name
// when it goes; the other side opens it by the name and checks the size it was told.
class SharedMemory {
public:
    // Nothing when the system refuses.
    static std::unique_ptr<SharedMemory> create(const std::string& name, std::size_t size);
    static std::unique_ptr<SharedMemory> open(const std::string& name, std::size_t size);
    virtual ~SharedMemory() = default;
    void* data() const { return data_; }
    std::size_t size() const { return size_; }

protected:
    void* data_ = nullptr;
    std::size_t size_ = 0;
};

// What a waiting thread does meanwhile with the messages of its windows. On Windows a window
// whose parent lives in another process shares its input with that process's thread: the
// thread that waits for the other side must answer the messages it is sent, or both stop, and
// a thread that owns a plug-in's editor must serve its windows, or they never paint. Elsewhere
// windows are served on connections of their own and a wait does nothing meanwhile.
enum class WhileWaiting { nothing, answerSentMessages, serveWindows };

// A word in shared memory that one side bumps and the other waits on. ring() never blocks;
// waitPast() waits, at most the limit, until the word is no longer the value seen, spinning
// first about as long as the wait before took (platform/spin_budget.h).
class Doorbell {
public:
    // name: for the platforms that need a named object beside the word; the creating side
    // makes it, the other opens it.
    static std::unique_ptr<Doorbell> create(std::atomic<std::uint32_t>& word, const std::string& name);
    static std::unique_ptr<Doorbell> open(std::atomic<std::uint32_t>& word, const std::string& name);
    virtual ~Doorbell() = default;
    virtual void ring() = 0;
    // True when the word moved on from `seen`; false at the limit.
    virtual bool waitPast(std::uint32_t seen, unsigned limitMs, WhileWaiting meanwhile = WhileWaiting::nothing) = 0;
};

// A program started with its arguments, running beside this one. Destroying the object ends
// the program (killed when still running) and reaps it.
class ChildProcess {
public:
    static std::unique_ptr<ChildProcess> start(const std::string& program, const std::vector<std::string>& arguments);
    virtual ~ChildProcess() = default;
    // False once it has ended, by itself or killed.
    virtual bool running() = 0;
    virtual void kill() = 0;
    // Waits at most the limit for it to end by itself; true when it has.
    virtual bool waitForEnd(unsigned limitMs) = 0;
    // A name no other process on the machine has at the same time, to build shared names from.
    static std::string uniqueName(const std::string& prefix);
};

// This process's id, and whether a process (the one that started a helper) still runs.
std::uint64_t currentProcessId();
bool processAlive(std::uint64_t id);

}  // namespace vexlo::platform
