// vexlo-host validate: drives one plug-in the way real hosts do (and the way careless ones do)
// and reports each rule as a named check that passed, failed with a reason, or could not run.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vexlo::host::validate {

enum class Status { pass, fail, skip };

struct Figure {
    std::string name;
    std::string value;
};

struct CheckResult {
    std::string name;
    Status status = Status::pass;
    std::string reason;  // the first fault seen, or why the check could not run
    std::vector<Figure> figures;

    // The first fault is the one reported; later ones are usually its echoes.
    void fail(const std::string& why);
    void skip(const std::string& why);
    void figure(const std::string& figureName, const std::string& value) { figures.push_back({figureName, value}); }
    void figure(const std::string& figureName, double value);
};

struct Options {
    std::string plugin;                     // the library's path
    int level = 10;                         // 1 (quick) to 10 (everything, as often as it says)
    std::vector<unsigned char> setupChunk;  // handed to every fresh instance first (Vexlo VM's set-up)
    bool editor = true;                     // the editor checks (they need a display)
    // When set, each check runs in a process of its own, this program started with these
    // arguments and "--only NAME": a plug-in that crashes or hangs fails that check alone.
    std::string isolateWith;
    std::vector<std::string> childArguments;
    unsigned checkTimeLimitMs = 300000;
};

// Called as each check ends, so that a plug-in that takes the validator down leaves the checks
// it passed, and the one that was running, on record.
struct Progress {
    std::function<void(const std::string& name)> started;
    std::function<void(const CheckResult&)> ended;
};

// Runs every check in order. A library that cannot be loaded gives the single failed check "load".
std::vector<CheckResult> run(const Options& options, const Progress& progress);

// One check in this process, for a child started by an isolating run: its result and what
// its blocks showed, written to out as a record.
int runOnly(const Options& options, const std::string& name, std::ostream& out);

bool allPassed(const std::vector<CheckResult>& results);

void writeCheck(const CheckResult& result, std::ostream& out);
void writeSummary(const std::vector<CheckResult>& results, std::ostream& out);
void writeText(const std::vector<CheckResult>& results, std::ostream& out);
void writeJson(const std::string& plugin, const std::vector<CheckResult>& results, std::ostream& out);

}  // namespace vexlo::host::validate
