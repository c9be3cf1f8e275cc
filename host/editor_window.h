// A window of vexlo-host's own in which a plug-in's editor opens, idled like a host idles it.
#pragma once

#include <string>

#include "host/host.h"

namespace vexlo::host {

// Opens the plug-in's editor in a new top-level window, calls effEditIdle about every 20 ms for
// the given time, then closes the editor and the window. False with a reason when the plug-in
// has no editor or no window can be made.
bool runEditor(Plugin& plugin, double seconds, std::string* error);

// The size the plug-in's editor asks for; null with a reason when it has no editor.
const ERect* editorRect(Plugin& plugin, std::string* error);

}  // namespace vexlo::host
