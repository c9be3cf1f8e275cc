// The first bytes of plug-in libraries of any machine, for the tests that read or refuse them.
#pragma once

#include <cstdint>
#include <vector>

namespace vexlo::test {

// A Windows library: "MZ", the signature's place at 0x3c, "PE\0\0", then the machine.
inline std::vector<unsigned char> peHeader(std::uint16_t machine, std::uint32_t signatureAt = 0x80) {
    std::vector<unsigned char> bytes(signatureAt + 24, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[0x3c + i] = static_cast<unsigned char>(signatureAt >> (8 * i));
    bytes[signatureAt] = 'P';
    bytes[signatureAt + 1] = 'E';
    bytes[signatureAt + 4] = static_cast<unsigned char>(machine);
    bytes[signatureAt + 5] = static_cast<unsigned char>(machine >> 8);
    return bytes;
}

// A Linux library: class (1: 32-bit, 2: 64-bit), byte order, the machine at 18.
inline std::vector<unsigned char> elfHeader(unsigned char wordClass, std::uint16_t machine, bool bigEndian = false) {
    std::vector<unsigned char> bytes(64, 0);
    bytes[0] = 0x7f;
    bytes[1] = 'E';
    bytes[2] = 'L';
    bytes[3] = 'F';
    bytes[4] = wordClass;
    bytes[5] = bigEndian ? 2 : 1;
    bytes[bigEndian ? 19 : 18] = static_cast<unsigned char>(machine);
    bytes[bigEndian ? 18 : 19] = static_cast<unsigned char>(machine >> 8);
    return bytes;
}

}  // namespace vexlo::test
