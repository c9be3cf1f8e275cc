// Which processor a plug-in library was built for, read from its file's header before it is
// loaded: a library of the other word size cannot be loaded into this process at all (it is
// hosted by the bridge built for that word size, in a process of its own), and one built for
// another processor cannot be hosted here in any way. Windows libraries are PE files, Linux ones
// ELF; the header says the machine in both.
#pragma once

#include <cstddef>
#include <string>

namespace vexlo::hosting {

enum class Machine { unknown, x86, x64, arm64, otherProcessor };

// The machine a library's first bytes name; unknown for what is neither PE nor ELF, or is cut short.
Machine machineOfHeader(const unsigned char* bytes, std::size_t size);
// Reads the start of the file; unknown when it cannot be read.
Machine machineOfLibrary(const std::string& path);
// The machine this program was built for.
Machine thisMachine();
const char* machineName(Machine machine);

// How this process can reach a library built for `machine`: in it, only through the bridge
// for the other word size, or not at all. An unknown machine is tried here (loading it says more).
enum class Reach { here, otherWordSize, otherProcessor };
Reach reachOf(Machine machine);

// What the bridge and probe programs for the other word size are called ("32", "64"): a
// library of this process's own size uses the plain programs.
const char* wordSizeSuffix(Machine machine);

}  // namespace vexlo::hosting
