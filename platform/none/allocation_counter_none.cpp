// Builds whose allocator cannot be replaced here (Windows, sanitizer builds) count nothing.
#include "platform/allocation_counter.h"

namespace vexlo::platform {

bool allocationsCounted() { return false; }
void beginCountingAllocations() {}
std::size_t endCountingAllocations() { return 0; }

}  // namespace vexlo::platform
