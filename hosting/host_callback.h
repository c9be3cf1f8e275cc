// The part of a host callback that is the same whoever hosts a plug-in and for whatever: the
// version, idle, and the capabilities a host of this family has. A host answers the rest itself
// (time, events, rates, automation) and hands everything else here.
#pragma once

#include "frame/vst_records.h"

namespace vexlo::hosting {

VstIntPtr neutralAnswer(VstInt32 opcode, void* ptr);

// A callback that answers nothing more: for a plug-in nobody plays (a scan's probe).
VstIntPtr VEXLO_CDECL neutralCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                      float opt);

}  // namespace vexlo::hosting
