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

}  // namespace vexlo::platform
