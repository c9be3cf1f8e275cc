#include "manager/library/folder_scan.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include "manager/library/path_utils.h"
#include "manager/library/scan_database.h"
#include "platform/platform.h"

namespace vexlo::library {

namespace {

// Folders nested deeper than this are not entered (a link that points back up would otherwise
// never end the walk).
constexpr int kMaxDepth = 32;
constexpr const char* kStampWord = "?Stamp ";

bool isPluginLibrary(const std::string& path) {
    const std::string extension = upperCase(platform::pluginExtension());
    const std::string upper = upperCase(path);
    return upper.size() > extension.size() && upper.compare(upper.size() - extension.size(), extension.size(), extension) == 0;
}

bool isIdKey(const std::string& key) { return ScanDatabase::idOfKey(key).has_value(); }

// The path a stamp's value ends with.
std::string stampedPath(const std::string& stamp) {
    const std::size_t first = stamp.find(':');
    const std::size_t second = first == std::string::npos ? first : stamp.find(':', first + 1);
    return second == std::string::npos ? std::string() : stamp.substr(second + 1);
}

bool startsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

}  // namespace

std::string FolderScan::stampKey(const std::string& libraryPath) {
    char key[32];
    std::snprintf(key, sizeof(key), "%s%08X", kStampWord, static_cast<unsigned>(ScanDatabase::keyHash(libraryPath)));
    return key;
}

std::string FolderScan::stampOf(const std::string& libraryPath) {
    const platform::PathInfo info = platform::pathInfo(libraryPath);
    if (info.kind != platform::PathKind::regularFile) return {};
    const std::string stamp = std::to_string(info.size) + ":" + std::to_string(info.modified) + ":" + libraryPath;
    return stamp.size() <= ConfigFile::kLongField ? stamp : std::string();
}

ScanSummary FolderScan::run(const std::string& folder, bool onlyNew) {
    ScanSummary summary;
    before_ = store_.records();
    std::string root = folder;
    if (!root.empty() && root.back() != '\\' && root.back() != '/') root += platform::pathSeparator();
    std::set<std::string> visited;
    walk(root, 0, visited);
    plan(onlyNew, summary);
    // What is kept of the database: the ignore list and what unchanged libraries gave it; a
    // scan of new libraries also keeps what it knows of libraries elsewhere.
    if (!dropStale(root, onlyNew)) return summary;
    // Said again only when this scan goes through the whole folder.
    if (store_.read("Completed Scan")) store_.write("Completed Scan", "No", false);
    // The marker's record is made with its long field before any path is written into it.
    if (!store_.read(ScanDatabase::kMarkerKey) && !store_.write(ScanDatabase::kMarkerKey, "None", true)) {
        report(store_.path(), "Can't write the scan database!");
        return summary;
    }
    if (probeInOrder(summary) && !stopped()) {
        store_.write("Completed Scan", "Yes", false);
        summary.completed = true;
    }
    if (progress_) progress_(ScanStep{std::string(), 0, 0, summary.completed});
    return summary;
}

void FolderScan::walk(const std::string& folder, int depth, std::set<std::string>& visited) {
    if (depth > kMaxDepth) return;
    // Links may lead back into folders seen already: each folder is walked once.
    const std::string here = folder.empty() ? std::string(".") : folder;
    const std::string identity = platform::folderIdentity(here);
    if (!identity.empty() && !visited.insert(identity).second) return;
    for (const auto& entry : platform::listDirectory(here, "*")) {
        const std::string path = folder + entry.name;
        if (entry.isFolder) {
            if (entry.name[0] != '.') walk(path + platform::pathSeparator(), depth + 1, visited);
        } else if (isPluginLibrary(path)) {
            libraries_.push_back(Library{path, ScanDatabase::bookkeepingKey(baseName(path)), {}, Plan::skip});
        }
    }
}

void FolderScan::plan(bool onlyNew, ScanSummary& summary) {
    std::unordered_map<std::string, std::string> bookkeeping, stamps;
    for (const ConfigFile::Record& record : before_) {
        if (startsWith(record.key, kStampWord)) stamps.emplace(record.key, record.value);
        else bookkeeping.emplace(record.key, record.value);  // the first record of a key counts
    }
    std::set<std::string> claimed;
    for (Library& library : libraries_) {
        ++summary.found;
        // Libraries that share a base name share their bookkeeping: the first one walked counts.
        if (!claimed.insert(library.key).second) continue;
        const auto known = bookkeeping.find(library.key);
        if (known != bookkeeping.end() && known->second == "Ignore") {
            ++summary.ignored;
            continue;
        }
        library.stamp = stampOf(library.path);
        const auto stamped = stamps.find(stampKey(library.path));
        const bool sameStamp = stamped != stamps.end() && !library.stamp.empty() && stamped->second == library.stamp;
        if (known != bookkeeping.end() && (sameStamp || (onlyNew && stamped == stamps.end()))) {
            // Unchanged; or known to a database from before stamps, which a scan of new
            // libraries leaves as it always has.
            ++summary.unchanged;
            library.plan = Plan::keep;
            continue;
        }
        library.plan = Plan::probe;
        ++(known == bookkeeping.end() ? summary.fresh : summary.changed);
    }
}

// Drops the records of a library that is gone or is about to be probed again. A full scan
// keeps nothing else but the ignore list and its own bookkeeping (the marker, "Completed Scan");
// a scan of new libraries keeps what it knows of libraries outside the folder too.
bool FolderScan::dropStale(const std::string& root, bool onlyNew) {
    std::set<std::string> walked, kept, keptKeys, claimed, reprobed;
    for (const Library& library : libraries_) {
        walked.insert(library.path);
        claimed.insert(library.key);
        if (library.plan == Plan::keep) {
            kept.insert(library.path);
            keptKeys.insert(library.key);
        }
        if (library.plan == Plan::probe) reprobed.insert(library.path);
    }
    auto stale = [&](const std::string& path) {
        if (!onlyNew) return !kept.count(path);
        return reprobed.count(path) || (startsWith(path, root) && !walked.count(path));
    };
    bool any = false;
    auto keep = [&](const ConfigFile::Record& r) {
        bool drop = false;
        if (r.value == "Ignore" || r.key == ScanDatabase::kMarkerKey || r.key == "Completed Scan") drop = false;
        else if (isIdKey(r.key)) drop = stale(r.value);
        else if (startsWith(r.key, kStampWord)) drop = stale(stampedPath(r.value));
        else if (r.value == "Ok") drop = onlyNew ? !claimed.count(r.key) : !keptKeys.count(r.key);
        else drop = !onlyNew;
        any = any || drop;
        return !drop;
    };
    for (const ConfigFile::Record& record : store_.records()) keep(record);
    if (!any) return true;
    if (store_.keepOnly(keep)) return true;
    report(store_.path(), "Can't write the scan database!");
    return false;
}

bool FolderScan::probeInOrder(ScanSummary& summary) {
    std::vector<std::size_t> toProbe;
    for (std::size_t i = 0; i < libraries_.size(); ++i)
        if (libraries_[i].plan == Plan::probe) toProbe.push_back(i);
    const int total = static_cast<int>(toProbe.size());
    const bool atOnce = options_.probesAtOnce > 1 && total > 1;

    // Several at once: workers take the probes in the walk's order; this thread writes each
    // result when all before it are written.
    std::mutex lock;
    std::condition_variable done;
    std::vector<std::optional<hosting::ProbeResult>> results(toProbe.size());
    std::size_t next = 0, started = 0;
    std::vector<std::thread> workers;
    if (atOnce) {
        const int count = std::min(options_.probesAtOnce, total);
        for (int w = 0; w < count; ++w) {
            workers.emplace_back([&] {
                for (;;) {
                    std::size_t mine;
                    {
                        std::lock_guard<std::mutex> hold(lock);
                        if (next >= toProbe.size() || stopped()) return;
                        mine = next++;
                        started = next;
                    }
                    hosting::ProbeResult found = probe_(libraries_[toProbe[mine]].path);
                    {
                        std::lock_guard<std::mutex> hold(lock);
                        results[mine] = std::move(found);
                    }
                    done.notify_all();
                }
            });
        }
    }
    auto finish = [&] {
        for (std::thread& worker : workers) worker.join();
    };

    std::size_t probeIndex = 0;
    for (const Library& library : libraries_) {
        if (library.plan != Plan::probe) continue;
        const std::string name = baseName(library.path);
        std::optional<hosting::ProbeResult> found;
        if (atOnce) {
            if (progress_) progress_(ScanStep{name, static_cast<int>(probeIndex) + 1, total});
            // Looked at now and then as well: a stop is set without a word to this thread.
            std::unique_lock<std::mutex> hold(lock);
            while (!done.wait_for(hold, std::chrono::milliseconds(50), [&] {
                return results[probeIndex].has_value() || (stopped() && probeIndex >= started);
            })) {
            }
            found = results[probeIndex];
        } else {
            if (stopped()) break;
            // The marker is on disk (written and closed) before the library is touched; a path
            // longer than the marker's field is marked by its bookkeeping key. No marker, no probe.
            const std::string marker =
                library.path.size() <= ConfigFile::kLongField ? library.path : ScanDatabase::kKeyedMarker + library.key;
            if (!store_.write(ScanDatabase::kMarkerKey, marker, true)) {
                report(store_.path(), "Can't write the scan database!");
                return false;
            }
            if (progress_) progress_(ScanStep{name, static_cast<int>(probeIndex) + 1, total});
            found = probe_(library.path);
        }
        if (!found) break;  // stopped before this one began
        ++probeIndex;
        ++summary.probed;
        if (!write(library, *found, !atOnce, summary)) {
            finish();
            return false;
        }
    }
    finish();
    return true;
}

bool FolderScan::write(const Library& library, const hosting::ProbeResult& found, bool marked, ScanSummary& summary) {
    if (found.crashed) {
        report(library.path, "Failed VST added to Ignore list!");
        store_.write(library.key, "Ignore", false);
        ++summary.ignored;
    } else {
        if (found.uniqueId) store_.write(std::to_string(*found.uniqueId), library.path, true);
        store_.write(library.key, "Ok", false);
        if (!library.stamp.empty()) store_.write(stampKey(library.path), library.stamp, true);
    }
    return !marked || store_.write(ScanDatabase::kMarkerKey, "None", true);
}


}  // namespace vexlo::library
