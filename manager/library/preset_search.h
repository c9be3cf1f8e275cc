// Finding presets by name: a walk through a folder tree for preset (FXP) and preset-link
// (FXPLNK) files whose names contain a text, and a worker that runs the walk on a thread of
// its own for a search window. Neither knows windows: the worker queues what it finds, and
// the window's own thread takes it from there.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace vexlo::library {

// The most results one search keeps; later matches are neither kept nor shown.
constexpr std::size_t kMaxSearchResults = 999;
// The longest search text taken; the rest of a longer one is ignored.
constexpr std::size_t kMaxSearchText = 1023;

// "*text*" upper-cased: a name matches when it contains the text anywhere, '*' and '?' in the
// text being wildcards themselves.
std::string searchPattern(const std::string& text);
// Whether the whole name matches the pattern: '*' stands for any run of characters (none too),
// '?' for any one character. Both sides are compared as they are.
bool wildcardMatch(const std::string& pattern, const std::string& name);
// Whether the text after the name's last "." is FXP or FXPLNK, in any case.
bool isPresetOrLinkName(const std::string& name);

// One walk. Entries come in the order the file system lists them; names beginning with "."
// are left out, sub-folders are searched as they come (depth first), and a folder reached
// again through a link is not walked twice, so link loops end.
class PresetSearch {
public:
    // Told of every result kept: its index among the results and the file's bare name.
    using Found = std::function<void(std::size_t index, const std::string& name)>;

    // Searches `folder` for files matching `pattern` (see searchPattern). `stop` is checked
    // before every entry; false when it ended the walk early.
    bool run(const std::string& folder, const std::string& pattern, const std::atomic<bool>& stop, const Found& found);

    // Full paths of the results, in the order found.
    const std::vector<std::string>& results() const { return results_; }

private:
    bool walk(const std::string& folder, const std::string& pattern, const std::atomic<bool>& stop, const Found& found,
              std::unordered_set<std::string>& visited);

    std::vector<std::string> results_;
};

// A search window's searches, one at a time, on a worker thread. The worker never waits for
// the window's thread: it queues its lines, and whoever waits for the worker (stopping it,
// starting another search, destruction) only joins it.
class PresetSearchRunner {
public:
    struct Line {
        std::size_t index;  // of the result, for result()
        std::string name;   // what the list shows: the bare file name
    };

    PresetSearchRunner() = default;
    ~PresetSearchRunner() { stopAndWait(); }
    PresetSearchRunner(const PresetSearchRunner&) = delete;
    PresetSearchRunner& operator=(const PresetSearchRunner&) = delete;

    // Ends a running search, forgets every result and line, and searches `folder` for `text`.
    void start(const std::string& folder, const std::string& text);
    // Asks a running search to end; returns at once.
    void requestStop() { stop_.store(true); }
    // Asks a running search to end and waits until it has.
    void stopAndWait();
    bool running() const { return running_.load(); }

    // The lines found since the last call, in the order found.
    std::vector<Line> takeLines();
    // True once after each search has ended (by itself or stopped), when its lines are all queued.
    bool takeEnded() { return ended_.exchange(false); }
    // The full path of result `index`; empty while a search runs or when there is none.
    std::string result(std::size_t index) const;
    std::size_t resultCount() const;

private:
    void work(std::string folder, std::string pattern);

    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> ended_{false};
    mutable std::mutex mutex_;  // guards lines_ and search_
    std::vector<Line> lines_;
    PresetSearch search_;
};

}  // namespace vexlo::library
