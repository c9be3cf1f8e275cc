#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/process.h"

extern char** environ;

namespace vexlo::platform {

const char* programSuffix() { return ""; }

std::string currentProgramPath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

void quietCrashes() {}

// Without a dialog tool, messages go to stderr and wait for nobody.
struct MessageBoxAnswerer::State {
    int answered = 0;
};
MessageBoxAnswerer::MessageBoxAnswerer() : state_(new State) {}
MessageBoxAnswerer::~MessageBoxAnswerer() { delete state_; }
int MessageBoxAnswerer::answered() const { return state_->answered; }

ProcessRun runProcess(const std::string& program, const std::vector<std::string>& arguments, unsigned timeLimitMs) {
    ProcessRun run;
    int pipeEnds[2];
    // Close-on-exec, so that no other program the host starts keeps the pipe open.
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return run;
    }

    const std::uint32_t start = tickCount();
    auto remaining = [&]() -> int {
        const std::uint32_t spent = tickCount() - start;
        return spent >= timeLimitMs ? 0 : static_cast<int>(timeLimitMs - spent);
    };
    bool open = true, timedOut = false;
    while (open) {
        pollfd wait{pipeEnds[0], POLLIN, 0};
        const int ready = poll(&wait, 1, remaining());
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        char buffer[4096];
        const ssize_t got = read(pipeEnds[0], buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) open = false;
        else if (run.output.size() < kMaxOutput)
            run.output.append(buffer, std::min(static_cast<std::size_t>(got), kMaxOutput - run.output.size()));
    }
    close(pipeEnds[0]);
    // The output has ended; the program may still be on its way out (or hanging after closing it).
    int status = 0;
    pid_t ended = 0;
    while (!timedOut && (ended = waitpid(child, &status, WNOHANG)) == 0) {
        if (remaining() == 0) timedOut = true;
        else sleepMs(2);
    }
    if (timedOut) {
        kill(child, SIGKILL);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        run.end = ProcessRun::End::timedOut;
        return run;
    }
    if (ended < 0) {
        run.end = ProcessRun::End::crashed;  // lost to someone else's wait: not a clean end
    } else if (WIFEXITED(status)) {
        run.end = ProcessRun::End::exited;
        run.exitCode = WEXITSTATUS(status);
    } else {
        run.end = ProcessRun::End::crashed;
    }
    return run;
}

}  // namespace vexlo::platform
