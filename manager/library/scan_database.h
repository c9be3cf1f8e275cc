// The scan database: which library holds the plug-in with a given unique ID, filled by scanning
// a folder of plug-ins, with a crash marker and an ignore list so that a library that takes the
// host down during its probe is never probed again.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "hosting/probe.h"
#include "manager/library/config_file.h"
#include "manager/library/folder_scan.h"

namespace vexlo::library {

class ScanDatabase {
public:
    explicit ScanDatabase(std::string path) : store_(std::move(path)) {}
    const std::string& path() const { return store_.path(); }

    std::optional<std::string> findPluginPath(std::int32_t uniqueId) const;
    // The other way: the ID recorded for a library's path (the first, when it holds several).
    std::optional<std::int32_t> findUniqueId(const std::string& libraryPath) const;
    // Whether the library is on the ignore list (it took its host down while it was probed).
    bool isIgnored(const std::string& libraryPath) const;
    // Records the path for the ID unless the ID is known already.
    void addPluginPath(std::int32_t uniqueId, const std::string& path) const;

    // What probing a library found: its unique ID when it takes events (instruments and MIDI
    // plug-ins), nothing when it refused, could not be loaded or returned no record; or that it
    // crashed or hung while it was probed in a process of its own (the host lives on, and the
    // library is ignored from then on).
    // What a probe found: the unique ID of a plug-in that takes events, or that it crashed.
    using ProbeResult = hosting::ProbeResult;
    using Probe = FolderScan::Probe;
    // Told each library before it is probed (its base name, which probe of how many), and a
    // step without a name when the scan ends.
    using Progress = FolderScan::Progress;

    // Walks the folder and its sub-folders depth first, each folder once however links lead to
    // it, and probes every plug-in library not probed before or changed since (folder_scan.h).
    // A full scan (onlyNew false) keeps the ignore list and what the folder's libraries give.
    ScanSummary scan(const std::string& folder, bool onlyNew, const Probe& probe, const Progress& progress = {},
                     const ScanOptions& options = {}) const;

    // The key under which a library's bookkeeping ("Ok" or "Ignore") is kept: its base name,
    // or, for a base name longer than a key may be, its first 30 characters, "~" and a hash of
    // the whole name.
    static std::string bookkeepingKey(const std::string& baseName);
    // The ID an ID record's key names: a decimal number within the ID's range (bookkeeping keys
    // are names, the marker a word).
    static std::optional<std::int32_t> idOfKey(const std::string& key);
    // The hash that keeps long names and paths apart in keys of a fixed width (FNV-1a).
    static std::uint32_t keyHash(const std::string& text);

    static constexpr const char* kMarkerKey = "Adding VST";
    // How the marker names a library whose path is longer than its field: by bookkeeping key.
    static constexpr const char* kKeyedMarker = "Key:";

private:
    ConfigFile store_;
};

}  // namespace vexlo::library
