#include "hosting/child_checks.h"

namespace vexlo::hosting {

bool takesEvents(HostedChild& child) {
    return child.canDoAny({canDoWords::receiveVstEvents, canDoWords::receiveVstMidiEvent});
}

ChildFit fitAsInstrument(HostedChild& child) {
    if (!takesEvents(child)) return ChildFit::takesNoEvents;
    if (child.numOutputs() <= 0) return ChildFit::hasNoOutput;
    return ChildFit::fits;
}

ChildFit fitAsMidiEffect(HostedChild& child) {
    return child.canDoAny({canDoWords::receiveVstEvents, canDoWords::receiveVstMidiEvent, canDoWords::sendVstMidiEvent})
               ? ChildFit::fits
               : ChildFit::handlesNoEvents;
}

}  // namespace vexlo::hosting
