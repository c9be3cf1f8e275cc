#include "manager/library/scan_database.h"

#include <cstdio>

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
    if (!onlyNew) platform::deleteFile(store_.path());

    // A probe that began and never finished took its host down: never probe that library again.
    if (auto marker = store_.read(kMarkerKey); marker && marker->compare(0, 4, "None") != 0) {
        report(*marker, "Failed VST added to Ignore list!");
        store_.write(bookkeepingKey(baseName(*marker)), "Ignore", false);
        store_.write(kMarkerKey, "None", true);
    }

    std::string root = folder;
    if (!root.empty() && root.back() != '\\' && root.back() != '/') root += platform::pathSeparator();
    walk(root, probe, progress, 0);
    if (progress) progress("");
    store_.write("Completed Scan", "Yes", false);
}

void ScanDatabase::walk(const std::string& folder, const Probe& probe, const Progress& progress, int depth) const {
    if (depth > kMaxDepth) return;
    for (const auto& entry : platform::listDirectory(folder.empty() ? std::string(".") : folder, "*")) {
        const std::string path = folder + entry.name;
        if (entry.isFolder) {
            if (entry.name[0] != '.') walk(path + platform::pathSeparator(), probe, progress, depth + 1);
        } else if (isPluginLibrary(path)) {
            probeLibrary(path, probe, progress);
        }
    }
}

void ScanDatabase::probeLibrary(const std::string& path, const Probe& probe, const Progress& progress) const {
    const std::string name = baseName(path);
    const std::string key = bookkeepingKey(name);
    if (store_.read(key)) return;  // probed before, or ignored

    // The marker is on disk (written and closed) before the library is touched.
    store_.write(kMarkerKey, path, true);
    if (progress) progress(name);
    if (auto id = probe(path)) store_.write(std::to_string(*id), path, true);
    store_.write(key, "Ok", false);
    store_.write(kMarkerKey, "None", true);
}

}  // namespace vexlo::library
