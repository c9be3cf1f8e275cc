#include "hosting/library_machine.h"

#include <fstream>
#include <vector>

namespace vexlo::hosting {

namespace {

unsigned readU16(const unsigned char* at, bool little) {
    return little ? at[0] | (at[1] << 8) : (at[0] << 8) | at[1];
}

std::size_t readU32(const unsigned char* at) {
    return static_cast<std::size_t>(at[0]) | (static_cast<std::size_t>(at[1]) << 8) |
           (static_cast<std::size_t>(at[2]) << 16) | (static_cast<std::size_t>(at[3]) << 24);
}

Machine fromPe(unsigned machine) {
    switch (machine) {
    case 0x014c: return Machine::x86;
    case 0x8664: return Machine::x64;
    case 0xaa64: return Machine::arm64;
    default: return Machine::otherProcessor;
    }
}

Machine fromElf(unsigned machine) {
    switch (machine) {
    case 3: return Machine::x86;
    case 62: return Machine::x64;
    case 183: return Machine::arm64;
    default: return Machine::otherProcessor;
    }
}

// Where the PE signature is put, by the linkers there are, comes well before this.
constexpr std::size_t kHeaderBytes = 64 * 1024;

}  // namespace

Machine machineOfHeader(const unsigned char* bytes, std::size_t size) {
    if (!bytes) return Machine::unknown;
    if (size >= 0x40 && bytes[0] == 'M' && bytes[1] == 'Z') {
        const std::size_t signature = readU32(bytes + 0x3c);
        if (signature > size || size - signature < 6) return Machine::unknown;
        const unsigned char* pe = bytes + signature;
        if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return Machine::unknown;
        return fromPe(readU16(pe + 4, true));
    }
    if (size >= 20 && bytes[0] == 0x7f && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F') {
        if (bytes[5] != 1 && bytes[5] != 2) return Machine::unknown;
        return fromElf(readU16(bytes + 18, bytes[5] == 1));
    }
    return Machine::unknown;
}

Machine machineOfLibrary(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return Machine::unknown;
    std::vector<unsigned char> bytes(kHeaderBytes);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return machineOfHeader(bytes.data(), static_cast<std::size_t>(file.gcount()));
}

Machine thisMachine() {
#if defined(__x86_64__) || defined(_M_X64)
    return Machine::x64;
#elif defined(__i386__) || defined(_M_IX86)
    return Machine::x86;
#elif defined(__aarch64__)
    return Machine::arm64;
#else
    return Machine::otherProcessor;
#endif
}

const char* machineName(Machine machine) {
    switch (machine) {
    case Machine::x86: return "32-bit x86";
    case Machine::x64: return "64-bit x86";
    case Machine::arm64: return "ARM64";
    case Machine::otherProcessor: return "another processor";
    case Machine::unknown: break;
    }
    return "an unknown processor";
}

Reach reachOf(Machine machine) {
    const Machine here = thisMachine();
    if (machine == Machine::unknown || machine == here) return Reach::here;
    const bool x86Family = (machine == Machine::x86 || machine == Machine::x64) &&
                           (here == Machine::x86 || here == Machine::x64);
    return x86Family ? Reach::otherWordSize : Reach::otherProcessor;
}

const char* wordSizeSuffix(Machine machine) {
    if (reachOf(machine) != Reach::otherWordSize) return "";
    return machine == Machine::x86 ? "32" : "64";
}

}  // namespace vexlo::hosting
