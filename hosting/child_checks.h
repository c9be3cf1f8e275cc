// What a plug-in says it is, as a host asks before it gives the plug-in a place: an instrument
// takes events and plays into at least one output; a MIDI effect takes or sends events. Each
// question is asked in order until one is answered yes or "don't know", as plug-ins that
// answer none of them precisely still work.
#pragma once

#include "hosting/hosted_child.h"

namespace vexlo::hosting {

enum class ChildFit { fits, takesNoEvents, hasNoOutput, handlesNoEvents };

bool takesEvents(HostedChild& child);
ChildFit fitAsInstrument(HostedChild& child);
ChildFit fitAsMidiEffect(HostedChild& child);

}  // namespace vexlo::hosting
