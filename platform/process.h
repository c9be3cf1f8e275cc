// Running a helper program: what it wrote to its standard output, how it ended, and a time
// limit after which it is killed. One implementation per platform.
#pragma once

#include <string>
#include <vector>

namespace vexlo::platform {

// The suffix of programs on this platform (".exe" on Windows, empty elsewhere).
const char* programSuffix();

// The path of the running program's own file, for a program that starts copies of itself.
std::string currentProgramPath();

struct ProcessRun {
    enum class End { exited, crashed, timedOut, notStarted };
    End end = End::notStarted;
    int exitCode = 0;    // when it exited
    std::string output;  // its standard output, at most kMaxOutput bytes
};
constexpr std::size_t kMaxOutput = 64 * 1024;

// Runs a program with its arguments (no shell between), its standard input and error closed or
// discarded; kills it when it runs past the time limit.
ProcessRun runProcess(const std::string& program, const std::vector<std::string>& arguments, unsigned timeLimitMs);

// Called first by a helper program: a crash ends it at once, without a dialog that would wait
// for a person (Windows' error boxes), so its caller sees the crash.
void quietCrashes();

// For a program that runs without a person (a validator): message boxes its plug-ins show are
// answered at once (OK, or No where it asks) by a watcher thread, and counted. The watcher ends
// with the object. Where message boxes do not wait (other platforms' stderr), it does nothing.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    int answered() const;

    struct State;

private:
    State* state_;
};

}  // namespace vexlo::platform
