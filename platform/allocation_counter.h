// Counts the heap allocations one thread makes, for a host that checks that a plug-in's audio
// processing allocates nothing. Only programs link it: it replaces the C library's allocator
// entry points, which a plug-in library must never do to its host.
#pragma once

#include <cstddef>

namespace vexlo::platform {

// False in builds that cannot count (other C libraries, sanitizers that own the allocator).
bool allocationsCounted();

// Counting covers this thread only, from begin to end; other threads (a plug-in's own workers,
// the editor) allocate as they like.
void beginCountingAllocations();
std::size_t endCountingAllocations();

}  // namespace vexlo::platform
