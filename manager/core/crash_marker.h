// Which plug-in a Vexlo VM is starting in the host's own process, written in the settings
// before the library is loaded, entered, opened and handed its state, and taken away once that
// is done: a marker that a host which died left behind names the plug-in that took it down,
// which then runs in a process of its own from the next start on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "manager/library/config_file.h"

namespace vexlo::manager {

class CrashMarker {
public:
    explicit CrashMarker(const library::ConfigFile& store) : store_(store) {}

    // Before the risky steps with a library; id: its unique ID when known, else -1.
    void starting(std::int32_t id, const std::string& path);
    // The steps are over (or the library was refused): this instance's marker goes.
    void started();

    struct LeftBehind {
        std::int32_t id;  // -1 when the marker did not know it
        std::string path;
    };
    // A marker that a host no longer running left behind, taken away; nothing when there is none.
    std::optional<LeftBehind> takeLeftBehind();

private:
    const library::ConfigFile& store_;
    std::string written_;  // this instance's marker, so that only it is taken away
};

}  // namespace vexlo::manager
