// The checks, one function each, grouped by what they drive; run() calls them in this order.
#pragma once

#include <string>
#include <vector>

#include "host/validate/subject.h"

namespace vexlo::host::validate {

using CheckFunction = void (*)(Subject&, CheckResult&);

struct Check {
    const char* name;
    CheckFunction run;
    bool summary = false;  // reports what the other checks' blocks showed; runs in the validator itself
};

const std::vector<Check>& allChecks();

// A text field as the plug-in writes it into a host's buffer: the buffer is larger than the
// field, its first byte zero (a plug-in that writes nothing leaves an empty text) and the rest
// a pattern. Empty when the plug-in kept within limit characters and a terminator; otherwise
// what it did.
std::string fieldFault(Plugin& plugin, VstInt32 opcode, VstInt32 index, int limit);

void identityStrings(Subject&, CheckResult&);
void identityCounts(Subject&, CheckResult&);
void identityIdentify(Subject&, CheckResult&);
void identityCanDo(Subject&, CheckResult&);

void lifecycleOpenClose(Subject&, CheckResult&);
void lifecycleInstances(Subject&, CheckResult&);
void lifecycleSuspendResume(Subject&, CheckResult&);
void lifecycleRatesAndBlocks(Subject&, CheckResult&);

void parameterStrings(Subject&, CheckResult&);
void parameterValues(Subject&, CheckResult&);
void parameterAutomation(Subject&, CheckResult&);
void programNames(Subject&, CheckResult&);

void stateRoundTrip(Subject&, CheckResult&);
void stateRenders(Subject&, CheckResult&);
void stateBadChunks(Subject&, CheckResult&);

void eventStorms(Subject&, CheckResult&);
void eventNoHungNotes(Subject&, CheckResult&);

void audioSilence(Subject&, CheckResult&);
void audioAllocations(Subject&, CheckResult&);
void timingBlocks(Subject&, CheckResult&);

void editorRect(Subject&, CheckResult&);
void editorOpenClose(Subject&, CheckResult&);
void editorWhileProcessing(Subject&, CheckResult&);

// These two report what every block of every check above showed.
void audioFinite(Subject&, CheckResult&);
void audioGuardZones(Subject&, CheckResult&);

}  // namespace vexlo::host::validate
