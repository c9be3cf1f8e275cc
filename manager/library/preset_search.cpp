#include "manager/library/preset_search.h"

#include <algorithm>
#include <unordered_set>

#include "manager/library/path_utils.h"
#include "platform/platform.h"

namespace vexlo::library {

std::string searchPattern(const std::string& text) {
    return "*" + upperCase(text.substr(0, std::min(text.size(), kMaxSearchText))) + "*";
}

bool wildcardMatch(const std::string& pattern, const std::string& name) {
    // Greedy with one remembered star: on a mismatch the last star takes one more character.
    // Linear in practice and never recursive, whatever the pattern.
    std::size_t p = 0, n = 0;
    std::size_t star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool isPresetOrLinkName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string extension = upperCase(name.substr(dot + 1));
    return extension == "FXP" || extension == "FXPLNK";
}

bool PresetSearch::run(const std::string& folder, const std::string& pattern, const std::atomic<bool>& stop,
                       const Found& found) {
    results_.clear();
    std::string root = folder;
    if (!root.empty() && root.back() != '\\' && root.back() != '/') root += platform::pathSeparator();
    std::unordered_set<std::string> visited;
    return walk(root, upperCase(pattern), stop, found, visited);
}

bool PresetSearch::walk(const std::string& folder, const std::string& pattern, const std::atomic<bool>& stop,
                        const Found& found, std::unordered_set<std::string>& visited) {
    const std::string here = folder.empty() ? std::string(".") : folder;
    const std::string identity = platform::folderIdentity(here);
    if (!identity.empty() && !visited.insert(identity).second) return true;
    for (const auto& entry : platform::listDirectory(here, "*")) {
        if (stop.load()) return false;
        if (entry.name[0] == '.') continue;
        const std::string path = folder + entry.name;
        if (entry.isFolder) {
            if (!walk(path + platform::pathSeparator(), pattern, stop, found, visited)) return false;
        } else if (results_.size() < kMaxSearchResults && isPresetOrLinkName(entry.name) &&
                   wildcardMatch(pattern, upperCase(entry.name))) {
            results_.push_back(path);
            if (found) found(results_.size() - 1, entry.name);
        }
    }
    return true;
}

void PresetSearchRunner::start(const std::string& folder, const std::string& text) {
    stopAndWait();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }
    stop_.store(false);
    ended_.store(false);
    running_.store(true);
    worker_ = std::thread(&PresetSearchRunner::work, this, folder, searchPattern(text));
}

void PresetSearchRunner::stopAndWait() {
    stop_.store(true);
    if (worker_.joinable()) worker_.join();
}

void PresetSearchRunner::work(std::string folder, std::string pattern) {
    search_.run(folder, pattern, stop_, [this](std::size_t index, const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back({index, name});
    });
    running_.store(false);
    ended_.store(true);
}

std::vector<PresetSearchRunner::Line> PresetSearchRunner::takeLines() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Line> lines;
    lines.swap(lines_);
    return lines;
}

// The worker writes the results only while running_ is set, and clears it after its last write.
std::string PresetSearchRunner::result(std::size_t index) const {
    if (running_.load()) return {};
    const auto& results = search_.results();
    return index < results.size() ? results[index] : std::string();
}

std::size_t PresetSearchRunner::resultCount() const { return running_.load() ? 0 : search_.results().size(); }

}  // namespace vexlo::library
