// The header of a file named as a plug-in library: whatever it holds, the reader stays inside
// the bytes and names one machine.
#include <cstddef>
#include <cstdint>

#include "hosting/library_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vexlo::hosting::Machine machine = vexlo::hosting::machineOfHeader(data, size);
    if (machine != vexlo::hosting::Machine::unknown && size < 20) __builtin_trap();  // no header is that short
    return 0;
}
