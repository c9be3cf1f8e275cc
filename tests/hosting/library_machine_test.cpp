#include "hosting/library_machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/library_headers.h"
#include "tests/support/test_support.h"

namespace vexlo::hosting {
namespace {

using test::elfHeader;
using test::peHeader;

Machine of(const std::vector<unsigned char>& bytes) { return machineOfHeader(bytes.data(), bytes.size()); }

TEST(LibraryMachine, ReadsTheMachineOfWindowsAndLinuxLibraries) {
    EXPECT_EQ(of(peHeader(0x014c)), Machine::x86);
    EXPECT_EQ(of(peHeader(0x8664)), Machine::x64);
    EXPECT_EQ(of(peHeader(0xaa64)), Machine::arm64);
    EXPECT_EQ(of(peHeader(0x01c4)), Machine::otherProcessor) << "32-bit ARM";
    EXPECT_EQ(of(elfHeader(1, 3)), Machine::x86);
    EXPECT_EQ(of(elfHeader(2, 62)), Machine::x64);
    EXPECT_EQ(of(elfHeader(2, 183)), Machine::arm64);
    EXPECT_EQ(of(elfHeader(2, 21, true)), Machine::otherProcessor) << "64-bit PowerPC, big-endian";
    // The libraries this build makes are of its own machine.
    EXPECT_EQ(machineOfLibrary(test::pluginPath("test-synth")), thisMachine());
}

TEST(LibraryMachine, WhatIsCutShortOrNoLibraryIsUnknown) {
    auto beyond = peHeader(0x8664);
    beyond[0x3c] = 0xf0;  // the signature's place past the end
    EXPECT_EQ(of(beyond), Machine::unknown);
    auto huge = peHeader(0x8664);
    huge[0x3f] = 0xff;  // near 4 GiB: no overflow may bring it back inside
    EXPECT_EQ(of(huge), Machine::unknown);
    auto cut = peHeader(0x8664);
    cut.resize(0x80 + 5);  // the machine's second byte missing
    EXPECT_EQ(of(cut), Machine::unknown);
    auto noSignature = peHeader(0x8664);
    noSignature[0x80] = 'N';
    EXPECT_EQ(of(noSignature), Machine::unknown) << "an MS-DOS program";
    auto elf = elfHeader(2, 62);
    elf.resize(19);
    EXPECT_EQ(of(elf), Machine::unknown);
    const std::string text = "MZ is not enough";
    EXPECT_EQ(machineOfHeader(reinterpret_cast<const unsigned char*>(text.data()), text.size()), Machine::unknown);
    EXPECT_EQ(machineOfHeader(nullptr, 100), Machine::unknown);
    EXPECT_EQ(machineOfLibrary(test::pluginPath("no-such-library")), Machine::unknown);
}

TEST(LibraryMachine, TheOtherWordSizeGoesThroughItsBridgeAndAnotherProcessorNowhere) {
    const Machine other = thisMachine() == Machine::x64 ? Machine::x86 : Machine::x64;
    EXPECT_EQ(reachOf(thisMachine()), Reach::here);
    EXPECT_EQ(reachOf(Machine::unknown), Reach::here) << "loading it says more";
    EXPECT_EQ(reachOf(other), Reach::otherWordSize);
    EXPECT_STREQ(wordSizeSuffix(other), other == Machine::x86 ? "32" : "64");
    EXPECT_STREQ(wordSizeSuffix(thisMachine()), "");
    EXPECT_EQ(reachOf(Machine::arm64), Reach::otherProcessor);
    EXPECT_STREQ(wordSizeSuffix(Machine::arm64), "");
}

}  // namespace
}  // namespace vexlo::hosting
