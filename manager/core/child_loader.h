// How a library becomes a child of Vexlo VM: the file dialogs, the checks a library must pass
// to be an instrument or a MIDI plug-in, the messages for those that fail, and the scan
// database entries of those that pass. The loader hands back a child that is entered and
// checked; opening it and putting it in its place is the manager's.
#pragma once

#include <optional>
#include <string>

#include "hosting/hosted_child.h"
#include "manager/core/crash_marker.h"
#include "manager/interface.h"
#include "manager/library/settings.h"

namespace vexlo::manager {

// The hosting layer's wrapper for a child, as the manager's own.
using hosting::EditorRect;
using hosting::HostedChild;

enum class ChildRole { instrument, midiEffect };

// A message for the person: the text and the caption.
struct LoadMessage {
    std::string text;
    std::string caption;
    bool empty() const { return text.empty() && caption.empty(); }
    void show() const;
};

class ChildLoader {
public:
    // Vexlo VM's own ID: it does not host itself.
    static constexpr VstInt32 kManagerUniqueId = kVexloVmUniqueId;

    // store: where the choice of a process of its own is kept for each plug-in.
    ChildLoader(const library::ManagerSettings& settings, const library::ConfigFile& store)
        : settings_(settings), store_(store), marker_(store) {}

    // The file dialogs; empty when the person cancels.
    std::string chooseInstrument() const;
    std::string chooseMidiEffect() const;

    // Loads and enters the library and checks it for the role. True with the child entered,
    // not yet opened, its calls to the host going to `owner`; false with nothing held and the
    // message to show in *refusal. A plug-in chosen to run in a process of its own is started
    // there: at once when its ID is known before (knownId), else once it has said who it is.
    // A library loaded into the host's own process is marked as starting (see CrashMarker) until
    // the caller says it has started, or it is refused.
    bool load(const std::string& path, ChildRole role, audioMasterCallback callback, void* owner, HostedChild& child,
              LoadMessage& refusal, VstInt32 knownId = -1);
    CrashMarker& marker() { return marker_; }
    // A marker a dead host left behind puts its plug-in in a process of its own: what to tell the
    // person then, or nothing.
    std::optional<std::string> adoptLeftMarker();

    // The scan database.
    std::optional<std::string> findInDatabase(VstInt32 uniqueId) const;
    // Records the path for the ID unless the ID is known already.
    void recordInDatabase(VstInt32 uniqueId, const std::string& path) const;

private:
    const library::ManagerSettings& settings_;
    const library::ConfigFile& store_;
    CrashMarker marker_;
};

}  // namespace vexlo::manager
