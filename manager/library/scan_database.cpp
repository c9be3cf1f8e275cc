#include "manager/library/scan_database.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "manager/library/path_utils.h"
#include "platform/platform.h"

namespace vexlo::library {

namespace {

// Folders nested deeper than this are not entered (a link that points back up would otherwise
// never end the walk).
constexpr int kMaxDepth = 32;

bool isPluginLibrary(const std::string& path) {
    const std::string extension = upperCase(platform::pluginExtension());
    const std::string upper = upperCase(path);
    return upper.size() > extension.size() && upper.compare(upper.size() - extension.size(), extension.size(), extension) == 0;
}

}  // namespace

std::optional<std::string> ScanDatabase::findPluginPath(std::int32_t uniqueId) const {
    return store_.read(std::to_string(uniqueId));
}

std::optional<std::int32_t> ScanDatabase::findUniqueId(const std::string& libraryPath) const {
    for (const ConfigFile::Record& record : store_.records()) {
        if (record.value != libraryPath || record.key.empty()) continue;
        // ID records only: the bookkeeping keys are names, the marker a word.
        char* end = nullptr;
        const long id = std::strtol(record.key.c_str(), &end, 10);
        if (*end == 0 && id >= INT32_MIN && id <= INT32_MAX) return static_cast<std::int32_t>(id);
    }
    return std::nullopt;
}

void ScanDatabase::addPluginPath(std::int32_t uniqueId, const std::string& path) const {
    const std::string key = std::to_string(uniqueId);
    if (!store_.read(key)) store_.write(key, path, true);
}

bool ScanDatabase::isIgnored(const std::string& libraryPath) const {
    auto value = store_.read(bookkeepingKey(baseName(libraryPath)));
    return value && *value == "Ignore";
}

std::string ScanDatabase::bookkeepingKey(const std::string& baseName) {
    if (baseName.size() <= ConfigFile::kKeyWidth) return baseName;
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : baseName) hash = (hash ^ c) * 16777619u;
    char suffix[16];
    std::snprintf(suffix, sizeof(suffix), "~%08X", static_cast<unsigned>(hash));
    return baseName.substr(0, 30) + suffix;
}

void ScanDatabase::scan(const std::string& folder, bool onlyNew, const Probe& probe, const Progress& progress) const {
    // A probe that began and never finished took its host down: never probe that library again.
    // Read first, so that a full scan learns it too.
    if (auto marker = store_.read(kMarkerKey); marker && marker->compare(0, 4, "None") != 0) {
        const bool keyed = marker->compare(0, std::strlen(kKeyedMarker), kKeyedMarker) == 0;
        const std::string key = keyed ? marker->substr(std::strlen(kKeyedMarker)) : bookkeepingKey(baseName(*marker));
        report(keyed ? key : *marker, "Failed VST added to Ignore list!");
        store_.write(key, "Ignore", false);
        store_.write(kMarkerKey, "None", true);
    }
    // A full scan finds every library's ID again; what it keeps is the ignore list.
    if (!onlyNew && !store_.keepOnly([](const ConfigFile::Record& r) { return r.value == "Ignore"; })) {
        report(store_.path(), "Can't write the scan database!");
        return;
    }
    // The marker's record is made with its long field before any path is written into it.
    if (!store_.read(kMarkerKey) && !store_.write(kMarkerKey, "None", true)) {
        report(store_.path(), "Can't write the scan database!");
        return;
    }

    std::string root = folder;
    if (!root.empty() && root.back() != '\\' && root.back() != '/') root += platform::pathSeparator();
    std::set<std::string> visited;
    if (walk(root, probe, progress, 0, visited)) store_.write("Completed Scan", "Yes", false);
    if (progress) progress("");
}

bool ScanDatabase::walk(const std::string& folder, const Probe& probe, const Progress& progress, int depth,
                        std::set<std::string>& visited) const {
    if (depth > kMaxDepth) return true;
    // Links may lead back into folders seen already: each folder is walked once.
    const std::string identity = platform::folderIdentity(folder.empty() ? std::string(".") : folder);
    if (!identity.empty() && !visited.insert(identity).second) return true;
    for (const auto& entry : platform::listDirectory(folder.empty() ? std::string(".") : folder, "*")) {
        const std::string path = folder + entry.name;
        if (entry.isFolder) {
            if (entry.name[0] != '.' && !walk(path + platform::pathSeparator(), probe, progress, depth + 1, visited))
                return false;
        } else if (isPluginLibrary(path) && !probeLibrary(path, probe, progress)) {
            return false;
        }
    }
    return true;
}

bool ScanDatabase::probeLibrary(const std::string& path, const Probe& probe, const Progress& progress) const {
    const std::string name = baseName(path);
    const std::string key = bookkeepingKey(name);
    if (store_.read(key)) return true;  // probed before, or ignored

    // The marker is on disk (written and closed) before the library is touched; a path longer
    // than the marker's field is marked by its bookkeeping key. No marker, no probe.
    const std::string marker = path.size() <= ConfigFile::kLongField ? path : kKeyedMarker + key;
    if (!store_.write(kMarkerKey, marker, true)) {
        report(store_.path(), "Can't write the scan database!");
        return false;
    }
    if (progress) progress(name);
    const ProbeResult found = probe(path);
    if (found.crashed) {
        report(path, "Failed VST added to Ignore list!");
        store_.write(key, "Ignore", false);
        store_.write(kMarkerKey, "None", true);
        return true;
    }
    if (found.uniqueId) store_.write(std::to_string(*found.uniqueId), path, true);
    store_.write(key, "Ok", false);
    store_.write(kMarkerKey, "None", true);
    return true;
}

}  // namespace vexlo::library
