#include <fcntl.h>
#include <linux/futex.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/ipc.h"
#include "platform/doorbell_word.h"
#include "platform/platform.h"
#include "platform/spin_budget.h"

extern char** environ;

namespace vexlo::platform {

namespace {

class PosixSharedMemory : public SharedMemory {
public:
    PosixSharedMemory(void* data, std::size_t size, std::string owned) : owned_(std::move(owned)) {
        data_ = data;
        size_ = size;
    }
    ~PosixSharedMemory() override {
        munmap(data_, size_);
        if (!owned_.empty()) shm_unlink(owned_.c_str());
    }

private:
    std::string owned_;  // the name this side made, removed when it goes
};

std::unique_ptr<SharedMemory> mapShared(const std::string& name, std::size_t size, bool create) {
    const std::string path = "/" + name;
    const int fd = shm_open(path.c_str(), create ? O_RDWR | O_CREAT | O_EXCL : O_RDWR, 0600);
    if (fd < 0) return nullptr;
    struct stat info {};
    const bool sized = create ? ftruncate(fd, static_cast<off_t>(size)) == 0
                              : fstat(fd, &info) == 0 && static_cast<std::size_t>(info.st_size) == size;
    void* data = sized ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    close(fd);
    if (data == MAP_FAILED) {
        if (create) shm_unlink(path.c_str());
        return nullptr;
    }
    return std::make_unique<PosixSharedMemory>(data, size, create ? path : std::string());
}

// A futex on a word both processes map: no named object needed. Not the private futex, which
// only wakes threads of one process.
class FutexDoorbell : public Doorbell {
public:
    explicit FutexDoorbell(std::atomic<std::uint32_t>& word) : word_(word) {}
    void ring() override {
        if (doorbell_word::ring(word_))
            syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word_), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
    }
    bool waitPast(std::uint32_t seen, unsigned limitMs, WhileWaiting) override {
        const auto began = SpinBudget::Clock::now();
        if (spin_.spin(began, [&] { return doorbell_word::rang(word_, seen); })) return true;
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += limitMs / 1000;
        deadline.tv_nsec += static_cast<long>(limitMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        while (doorbell_word::announceSleep(word_, seen)) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            timespec left{deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec};
            if (left.tv_nsec < 0) {
                left.tv_sec -= 1;
                left.tv_nsec += 1000000000L;
            }
            if (left.tv_sec < 0) {
                if (doorbell_word::withdraw(word_, seen)) return false;
                break;
            }
            syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word_), FUTEX_WAIT, doorbell_word::asleep(seen), &left,
                    nullptr, 0);
            if (doorbell_word::rang(word_, seen)) break;
        }
        spin_.waited(began);
        return true;
    }

private:
    std::atomic<std::uint32_t>& word_;
    SpinBudget spin_;
};

class PosixChild : public ChildProcess {
public:
    explicit PosixChild(pid_t pid) : pid_(pid) {}
    ~PosixChild() override {
        kill();
        reap(true);
    }
    bool running() override { return !reap(false); }
    void kill() override {
        if (!ended_) ::kill(pid_, SIGKILL);
    }
    bool waitForEnd(unsigned limitMs) override {
        const std::uint32_t start = tickCount();
        while (!reap(false)) {
            if (tickCount() - start >= limitMs) return false;
            sleepMs(1);
        }
        return true;
    }

private:
    // True once the child has ended (and has been reaped).
    bool reap(bool wait) {
        if (ended_) return true;
        int status = 0;
        const pid_t got = waitpid(pid_, &status, wait ? 0 : WNOHANG);
        if (got == pid_ || (got < 0 && errno == ECHILD)) ended_ = true;
        return ended_;
    }

    pid_t pid_;
    std::atomic<bool> ended_{false};  // killing may come from another thread than reaping
};

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::create(const std::string& name, std::size_t size) {
    return mapShared(name, size, true);
}

std::unique_ptr<SharedMemory> SharedMemory::open(const std::string& name, std::size_t size) {
    return mapShared(name, size, false);
}

std::unique_ptr<Doorbell> Doorbell::create(std::atomic<std::uint32_t>& word, const std::string&) {
    static_assert(sizeof(std::atomic<std::uint32_t>) == 4 && std::atomic<std::uint32_t>::is_always_lock_free);
    return std::make_unique<FutexDoorbell>(word);
}

std::unique_ptr<Doorbell> Doorbell::open(std::atomic<std::uint32_t>& word, const std::string&) {
    return std::make_unique<FutexDoorbell>(word);
}

std::unique_ptr<ChildProcess> ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return nullptr;
    return std::make_unique<PosixChild>(pid);
}

std::string ChildProcess::uniqueName(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    return prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
           std::to_string(tickCount());
}

std::uint64_t currentProcessId() { return static_cast<std::uint64_t>(getpid()); }

bool processAlive(std::uint64_t id) { return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM; }

}  // namespace vexlo::platform
