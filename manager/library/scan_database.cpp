#include "manager/library/scan_database.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "manager/library/path_utils.h"
#include "platform/platform.h"

namespace vexlo::library {

std::optional<std::string> ScanDatabase::findPluginPath(std::int32_t uniqueId) const {
    return store_.read(std::to_string(uniqueId));
}

std::optional<std::int32_t> ScanDatabase::findUniqueId(const std::string& libraryPath) const {
    for (const ConfigFile::Record& record : store_.records()) {
        if (record.value != libraryPath) continue;
        if (const auto id = idOfKey(record.key)) return id;
    }
    return std::nullopt;
}

std::optional<std::int32_t> ScanDatabase::idOfKey(const std::string& key) {
    if (key.empty()) return std::nullopt;
    char* end = nullptr;
    const long long id = std::strtoll(key.c_str(), &end, 10);
    if (*end != 0 || id < INT32_MIN || id > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(id);
}

std::uint32_t ScanDatabase::keyHash(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    return hash;
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
    char suffix[16];
    std::snprintf(suffix, sizeof(suffix), "~%08X", static_cast<unsigned>(keyHash(baseName)));
    return baseName.substr(0, 30) + suffix;
}

ScanSummary ScanDatabase::scan(const std::string& folder, bool onlyNew, const Probe& probe, const Progress& progress,
                               const ScanOptions& options) const {
    // A probe that began and never finished took its host down: never probe that library again.
    // Read first, so that a full scan learns it too.
    if (auto marker = store_.read(kMarkerKey); marker && marker->compare(0, 4, "None") != 0) {
        const bool keyed = marker->compare(0, std::strlen(kKeyedMarker), kKeyedMarker) == 0;
        const std::string key = keyed ? marker->substr(std::strlen(kKeyedMarker)) : bookkeepingKey(baseName(*marker));
        report(keyed ? key : *marker, "Failed VST added to Ignore list!");
        store_.write(key, "Ignore", false);
        store_.write(kMarkerKey, "None", true);
    }
    return FolderScan(store_, probe, progress, options).run(folder, onlyNew);
}

}  // namespace vexlo::library
