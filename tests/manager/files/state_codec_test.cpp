// The state chunk's codec on bytes alone: the layout it writes, the values it reads from every
// layout, and what it refuses.
#include <gtest/gtest.h>

#include "manager/files/manager_state.h"

using namespace vexlo::files;

namespace {

TEST(StateCodec, AValueWrittenAndReadBackIsTheSame) {
    ManagerState state;
    state.ownParameters[0] = 0.25f;
    state.ownParameters[10] = 1.0f;
    state.program = 7;
    state.instrument = {0x11223344, kStateChunk, {1, 2, 3}};
    state.midiSlots[1] = {42, kStateChunk, {}};
    state.midiSlots[3] = {43, kStateChunk, std::vector<unsigned char>(300, 9)};
    const auto bytes = encodeManagerState(state);
    // 78 header bytes; the instrument 1 + 4 + 3; the slots 1, 1 + 4, 1 and 1 + 4 + 300.
    ASSERT_EQ(bytes.size(), 398u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 10), "VEXLOHDR06");
    // Little-endian fields: the program at 54, the instrument's ID at 58.
    EXPECT_EQ(bytes[54], 7);
    EXPECT_EQ(bytes[58], 0x44);
    EXPECT_EQ(bytes[61], 0x11);
    auto read = decodeManagerState(bytes.data(), bytes.size());
    ASSERT_TRUE(read) << read.refusal;
    const ManagerState& back = *read.value;
    EXPECT_EQ(back.version, 6);
    EXPECT_EQ(back.ownParameters, state.ownParameters);
    EXPECT_EQ(back.program, 7);
    EXPECT_EQ(back.instrument.id, 0x11223344);
    EXPECT_EQ(back.instrument.state, state.instrument.state);
    EXPECT_EQ(back.midiSlots[1].id, 42);
    EXPECT_EQ(back.midiSlots[1].kind, kStateChunk);
    EXPECT_TRUE(back.midiSlots[1].state.empty());
    EXPECT_EQ(back.midiSlots[3].state, state.midiSlots[3].state);
    EXPECT_EQ(encodeManagerState(back), bytes);
}

TEST(StateCodec, OlderLayoutsBecomeTheSameKindOfValue) {
    // Version 04: parameters, the instrument's ID, and its state to the end of the block.
    ByteWriter v4(ByteOrder::little);
    v4.text("VEXLOHDR04");
    for (int i = 0; i < 11; ++i) v4.float32(i == 0 ? 0.5f : 0.0f);
    v4.int32(99);
    v4.byte(kStateChunk);
    v4.text("rest");
    auto four = v4.take();
    auto read = decodeManagerState(four.data(), four.size());
    ASSERT_TRUE(read) << read.refusal;
    EXPECT_EQ(read.value->version, 4);
    EXPECT_FALSE(read.value->program);
    EXPECT_FALSE(read.value->hasMidiSlots);
    EXPECT_EQ(read.value->instrument.id, 99);
    EXPECT_EQ(std::string(read.value->instrument.state.begin(), read.value->instrument.state.end()), "rest");

    // No header: the oldest layout, a flat parameter list after the legacy block.
    std::vector<unsigned char> v0(40000, 0);
    v0.push_back(kStateParamDump);
    read = decodeManagerState(v0.data(), v0.size());
    ASSERT_TRUE(read);
    EXPECT_TRUE(read.value->flatParameterList());
    EXPECT_EQ(read.value->instrument.id, -1);
}

TEST(StateCodec, WhatDoesNotFitIsRefusedWithAReason) {
    ManagerState state;
    state.instrument = {5, kStateChunk, {1, 2, 3, 4}};
    const auto whole = encodeManagerState(state);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::vector<unsigned char> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        auto read = decodeManagerState(cut.data(), cut.size());
        EXPECT_FALSE(read) << size;
        EXPECT_FALSE(read.refusal.empty());
    }
    auto bad = whole;
    bad[10 + 3] = 0x7F;  // parameter 0 becomes a NaN
    bad[10 + 2] = 0xC0;
    EXPECT_FALSE(decodeManagerState(bad.data(), bad.size()));
    EXPECT_FALSE(decodeManagerState(nullptr, 0));
}

TEST(ByteIo, BothByteOrdersAndReadsThatDoNotFit) {
    ByteWriter big(ByteOrder::big);
    big.int32(0x01020304);
    big.float32(1.0f);
    big.field("abc", 5);
    const auto bytes = big.take();
    ASSERT_EQ(bytes.size(), 13u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[3], 4);
    EXPECT_EQ(bytes[4], 0x3F);
    EXPECT_EQ(bytes[5], 0x80);
    ByteReader read(bytes.data(), bytes.size(), ByteOrder::big);
    std::int32_t i = 0;
    float f = 0.0f;
    std::string text;
    ASSERT_TRUE(read.int32(i) && read.float32(f) && read.field(5, text));
    EXPECT_EQ(i, 0x01020304);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(text, "abc");
    std::vector<unsigned char> out;
    EXPECT_FALSE(read.int32(i));
    EXPECT_FALSE(read.block(1, out));
    ByteReader again(bytes.data(), bytes.size(), ByteOrder::little);
    EXPECT_FALSE(again.block(-1, out));
    EXPECT_FALSE(again.block(14, out));
    EXPECT_EQ(again.position(), 0u);
    ASSERT_TRUE(again.int32(i));
    EXPECT_EQ(i, 0x04030201);
}

}  // namespace
