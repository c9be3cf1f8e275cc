// One scan of a folder of plug-ins into the scan database: the walk, what needs a probe (a new
// library, or one whose size or time of writing changed since its probe), the probes (several
// helper processes at once, or one at a time with the crash marker when a library may be probed
// in this process), and the results written in the walk's order, so that the database is the
// same whatever the timing. An unchanged library costs no process: its records stay.
#pragma once

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "hosting/probe.h"
#include "manager/library/config_file.h"

namespace vexlo::library {

// One library about to be probed, the n-th of the scan's probes; name "" when the scan ends,
// completed then when it went through the whole folder (not stopped, the database writable).
struct ScanStep {
    std::string name;
    int number = 0;
    int total = 0;
    bool completed = false;
};

struct ScanOptions {
    // How many probes run at once. Above 1 each probe must run in a helper process of its own
    // (a library that crashes takes only its helper down), and no crash marker is kept.
    int probesAtOnce = 1;
    // Set by another thread to end the scan after the probes under way; what they found is kept.
    const std::atomic<bool>* stop = nullptr;
};

struct ScanSummary {
    int found = 0;      // plug-in libraries in the folder
    int fresh = 0;      // new ones, probed
    int changed = 0;    // probed again, as they changed
    int unchanged = 0;  // carried over without a probe
    int ignored = 0;    // on the ignore list, or put there now
    int probed = 0;     // probes run
    bool completed = false;
};

class FolderScan {
public:
    using Probe = std::function<hosting::ProbeResult(const std::string& libraryPath)>;
    using Progress = std::function<void(const ScanStep&)>;

    FolderScan(const ConfigFile& store, Probe probe, Progress progress, ScanOptions options)
        : store_(store), probe_(std::move(probe)), progress_(std::move(progress)), options_(options) {}

    // onlyNew: the records of other libraries stay as they are; otherwise the database keeps
    // only its ignore list and what the folder's libraries give it (unchanged ones carried over).
    ScanSummary run(const std::string& folder, bool onlyNew);

    // The key under which a library's size, time of writing and path are kept: a word no
    // library's name or ID gives, and a hash of the path.
    static std::string stampKey(const std::string& libraryPath);
    // What is kept there: "size:time:path"; empty for a file that cannot be asked.
    static std::string stampOf(const std::string& libraryPath);

private:
    // skip: another library of its name counts, or it is ignored; keep: unchanged, its records stay.
    enum class Plan { skip, keep, probe };
    struct Library {
        std::string path;
        std::string key;    // its bookkeeping key
        std::string stamp;  // as it is now
        Plan plan = Plan::skip;
    };

    void walk(const std::string& folder, int depth, std::set<std::string>& visited);
    void plan(bool onlyNew, ScanSummary& summary);
    bool dropStale(const std::string& root, bool onlyNew);
    bool probeInOrder(ScanSummary& summary);
    // marked: the crash marker names the library (probes one at a time), and is cleared.
    bool write(const Library& library, const hosting::ProbeResult& found, bool marked, ScanSummary& summary);
    bool stopped() const { return options_.stop && options_.stop->load(); }

    const ConfigFile& store_;
    Probe probe_;
    Progress progress_;
    ScanOptions options_;
    std::vector<ConfigFile::Record> before_;  // the database as the scan found it
    std::vector<Library> libraries_;          // in the walk's order
};

}  // namespace vexlo::library
