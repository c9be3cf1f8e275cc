// Vexlo VM's state chunk: the layout it writes, every layout it reads, and blocks that end early.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "arp/arp_effect.h"
#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"
#include "tests/support/test_plugin_ids.h"

using vexlo::arp::ArpEffect;

using namespace vexlo::test;

namespace {

// Little-endian block building.
struct Block {
    std::vector<unsigned char> bytes;
    Block& text(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Block& int32(VstInt32 v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i)));
        return *this;
    }
    Block& float32(float f) {
        VstInt32 v;
        std::memcpy(&v, &f, 4);
        return int32(v);
    }
    Block& byte(unsigned char b) {
        bytes.push_back(b);
        return *this;
    }
    Block& zeros(std::size_t n) {
        bytes.insert(bytes.end(), n, 0);
        return *this;
    }
    Block& raw(const std::vector<unsigned char>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
};

VstInt32 int32At(const std::vector<unsigned char>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b.at(at + i)) << (8 * i);
    return static_cast<VstInt32>(v);
}

// The state the test instrument keeps in its chunk: three parameters and a program name.
std::vector<unsigned char> synthState(float volume, float p1, float p2, const std::string& name) {
    Block b;
    b.float32(volume).float32(p1).float32(p2);
    std::string field = name;
    field.resize(25, '\0');
    b.text(field);
    return b.bytes;
}


TEST(Chunk, NothingLoadedGivesEightyThreeBytes) {
    ManagerRig rig;
    rig.plugin->effect()->setParameter(rig.plugin->effect(), 3, 0.25f);
    rig.plugin->dispatch(effSetProgram, 0, 7);
    auto chunk = rig.chunk();
    Block expected;
    expected.text("VEXLOHDR06");
    for (int i = 0; i < 11; ++i) expected.float32(i == 3 ? 0.25f : 0.0f);
    expected.int32(7).int32(-1).int32(-1).int32(-1).int32(-1).int32(-1).byte(0).byte(0).byte(0).byte(0).byte(0);
    EXPECT_EQ(chunk, expected.bytes);
    EXPECT_EQ(chunk.size(), 83u);
}

TEST(Chunk, AnInstrumentWithAnEmptyChunkIsKindChunkWithLengthZero) {
    ManagerRig rig;
    rig.loadInstrument("probe-instrument");  // chunks, but hands over none
    auto chunk = rig.chunk();
    ASSERT_EQ(chunk.size(), 87u);
    EXPECT_EQ(chunk[78], 0x7F);
    EXPECT_EQ(int32At(chunk, 79), 0);
    EXPECT_EQ(rig.restore(chunk), 1);
    EXPECT_EQ(rig.chunk(), chunk);
}

TEST(Chunk, AParameterDumpWalksEveryProgramAndComesBackToTheCurrentOne) {
    ManagerRig rig;
    rig.loadInstrument("test-dump");  // 128 programs of 10 parameters, no chunks
    rig.plugin->dispatch(effSetProgram, 0, 5);
    AEffect* child = rig.instrument();
    child->setParameter(child, 9, 0.125f);  // program 5's parameter 9 (the test instrument keeps one set)
    auto chunk = rig.chunk();
    EXPECT_EQ(chunk[78], 0x4D);
    EXPECT_EQ(int32At(chunk, 79), 128 * 65);
    EXPECT_EQ(chunk.size(), 83u + 4 + 8320);
    EXPECT_EQ(child->dispatcher(child, effGetProgram, 0, 0, nullptr, 0.0f), 5);
    // Program 127's record: ten values, then "Program 127" in 25 bytes.
    const std::size_t last = 83 + 127 * 65;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&chunk[last + 40])), "Program 127");
    float value;
    std::memcpy(&value, &chunk[83 + 5 * 65 + 36], 4);
    EXPECT_EQ(value, 0.125f);
}

TEST(Chunk, ARoundTripRestoresEveryChildItsStateAndOurOwnParameters) {
    ManagerRig first;
    first.loadInstrument("test-synth");
    first.loadMidi("test-midi-fx", 1);
    first.loadMidi("Vexlo ARP MIDI", 3);
    AEffect* synth = first.instrument();
    synth->setParameter(synth, 1, 0.375f);
    AEffect* arp = first.manager->getMidiSlot(3);
    arp->setParameter(arp, ArpEffect::kMode, 21.0f);
    first.plugin->effect()->setParameter(first.plugin->effect(), 0, 0.5f);  // factor 4
    first.plugin->effect()->setParameter(first.plugin->effect(), 10, 0.75f);
    first.plugin->dispatch(effSetProgram, 0, 2);
    auto saved = first.chunk();
    EXPECT_EQ(int32At(saved, 54), 2);
    EXPECT_EQ(int32At(saved, 58), kSynthId);
    EXPECT_EQ(int32At(saved, 62), -1);
    EXPECT_EQ(int32At(saved, 66), kFxId);
    EXPECT_EQ(int32At(saved, 74), ArpEffect::kUniqueId);

    ManagerRig second(64, first.folder.path());  // another instance, the same settings and database
    ASSERT_EQ(second.restore(saved), 1);
    ASSERT_NE(second.instrument(), nullptr);
    EXPECT_EQ(second.instrument()->uniqueID, kSynthId);
    EXPECT_EQ(second.instrument()->getParameter(second.instrument(), 1), 0.375f);
    ASSERT_NE(second.manager->getMidiSlot(1), nullptr);
    EXPECT_EQ(second.manager->getMidiSlot(2), nullptr);
    AEffect* restoredArp = second.manager->getMidiSlot(3);
    ASSERT_NE(restoredArp, nullptr);
    EXPECT_EQ(restoredArp->getParameter(restoredArp, ArpEffect::kMode), 21.0f);
    EXPECT_EQ(second.manager->getOversamplingFactor(), 4);
    EXPECT_EQ(second.plugin->effect()->getParameter(second.plugin->effect(), 10), 0.75f);
    EXPECT_EQ(second.plugin->dispatch(effGetProgram), 2);
    EXPECT_EQ(second.chunk(), saved);
    EXPECT_TRUE(second.script.messages.empty());
}

TEST(Chunk, TwoMidiSlotsKeepTheirOwnData) {
    ManagerRig first;
    first.loadInstrument("test-synth");
    first.loadMidi("Vexlo ARP MIDI", 0);
    first.loadMidi("Vexlo ARP MIDI", 2);
    AEffect* a = first.manager->getMidiSlot(0);
    AEffect* b = first.manager->getMidiSlot(2);
    a->setParameter(a, ArpEffect::kSpeed, 1.0f);
    b->setParameter(b, ArpEffect::kSpeed, 12.0f);
    auto saved = first.chunk();

    ManagerRig second(64, first.folder.path());
    second.restore(saved);
    AEffect* ra = second.manager->getMidiSlot(0);
    AEffect* rb = second.manager->getMidiSlot(2);
    ASSERT_TRUE(ra && rb);
    EXPECT_EQ(ra->getParameter(ra, ArpEffect::kSpeed), 1.0f);
    EXPECT_EQ(rb->getParameter(rb, ArpEffect::kSpeed), 12.0f);
}

TEST(Chunk, AStoredIdThatIsLoadedAlreadyKeepsTheInstrument) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    AEffect* before = rig.instrument();
    Block b;
    b.text("VEXLOHDR06").zeros(44).int32(0).int32(kSynthId).int32(-1).int32(-1).int32(-1).int32(-1);
    auto state = synthState(0.25f, 0.5f, 0.75f, "Restored");
    b.byte(0x7F).int32(static_cast<VstInt32>(state.size())).raw(state).zeros(4);
    rig.restore(b.bytes);
    EXPECT_EQ(rig.instrument(), before);
    EXPECT_EQ(before->getParameter(before, 2), 0.75f);
    EXPECT_EQ(rig.plugin->programName(), "Restored");
}

TEST(Chunk, UnknownIdsAreReportedOncePerIdAndChangeNothing) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    AEffect* before = rig.instrument();
    Block b;
    b.text("VEXLOHDR06").zeros(44).int32(0).int32(1234).int32(1234).int32(-1).int32(5678).int32(-1);
    b.byte(0).byte(0).byte(0).byte(0).byte(0);
    rig.restore(b.bytes);
    EXPECT_EQ(rig.instrument(), before);
    ASSERT_EQ(rig.script.messages.size(), 2u);
    EXPECT_EQ(rig.script.messages[0].text, "Couldn't find the VST ID in the database");
    EXPECT_EQ(rig.script.messages[0].caption, "!");
}

TEST(Chunk, AVersionFourBlockHandsTheRestToTheInstrument) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    Block b;
    b.text("VEXLOHDR04");
    for (int i = 0; i < 11; ++i) b.float32(i == 0 ? 0.25f : 0.0f);
    b.int32(kSynthId).byte(0x7F).raw(synthState(0.5f, 0.125f, 0.0625f, "Old"));
    rig.restore(b.bytes);
    AEffect* child = rig.instrument();
    EXPECT_EQ(child->getParameter(child, 1), 0.125f);
    EXPECT_EQ(rig.manager->getOversamplingFactor(), 2);
}

TEST(Chunk, AnUnknownVersionIsReadAsTheOldestLayoutAfterItsHeader) {
    ManagerRig rig;
    rig.loadInstrument("test-mono");  // two parameters, no chunks
    Block b;
    b.text("VEXLOHDR99").float32(0.5f).zeros(40000 - 4).byte(0x4D).float32(0.125f).float32(0.25f);
    rig.restore(b.bytes);
    AEffect* child = rig.instrument();
    EXPECT_EQ(child->getParameter(child, 0), 0.125f);
    EXPECT_EQ(child->getParameter(child, 1), 0.25f);
    EXPECT_EQ(rig.manager->getOversamplingFactor(), 1);  // only version 03 keeps the legacy parameter
}

TEST(Chunk, OlderLayoutsFindTheirInstrument) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");  // puts the ID into the database
    rig.manager->loadInstrument("", false, -1);
    ASSERT_EQ(rig.instrument(), nullptr);

    Block v3;
    v3.text("VEXLOHDR03").float32(0.25f).zeros(40000 - 4).int32(kSynthId).byte(0);
    rig.restore(v3.bytes);
    ASSERT_NE(rig.instrument(), nullptr);
    EXPECT_EQ(rig.manager->getOversamplingFactor(), 2);

    Block v1;
    const std::string path = pluginPath("test-mono");
    v1.text("VEXLOHDR01").zeros(40000).text(path).zeros(9024 - path.size()).byte(0);
    rig.restore(v1.bytes);
    ASSERT_NE(rig.instrument(), nullptr);
    EXPECT_EQ(rig.instrument()->uniqueID, kMonoId);
}

TEST(Chunk, ABlockCutShortAtAnyLengthIsRefusedAndChangesNothing) {
    ManagerRig first;
    first.loadInstrument("test-dump");
    first.loadMidi("Vexlo ARP MIDI", 1);
    first.plugin->effect()->setParameter(first.plugin->effect(), 0, 0.25f);  // factor 2
    const auto full = first.chunk();

    ManagerRig rig(64, first.folder.path());
    rig.loadInstrument("test-synth");
    rig.loadMidi("test-midi-fx", 0);
    rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, 0.5f);  // factor 4
    AEffect* synth = rig.instrument();
    AEffect* fx = rig.manager->getMidiSlot(0);
    const auto before = rig.chunk();
    for (std::size_t size = 1; size < full.size(); ++size) {
        // A copy of exactly `size` bytes: reading past it is caught by the sanitizers.
        std::vector<unsigned char> cut(full.begin(), full.begin() + static_cast<long>(size));
        ASSERT_EQ(rig.restore(cut), 0) << size;
    }
    EXPECT_EQ(rig.instrument(), synth);
    EXPECT_EQ(rig.manager->getMidiSlot(0), fx);
    EXPECT_EQ(rig.manager->getMidiSlot(1), nullptr);
    EXPECT_EQ(rig.manager->getOversamplingFactor(), 4);
    EXPECT_EQ(rig.chunk(), before);
    EXPECT_TRUE(rig.script.messages.empty());
    EXPECT_EQ(rig.restore(full), 1);
    EXPECT_EQ(rig.manager->getOversamplingFactor(), 2);
    EXPECT_EQ(rig.instrument()->uniqueID, 0x56744475);
}

TEST(Chunk, LengthsAndParametersThatCannotBeAreRefusedWhole) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, 0.25f);
    const auto before = rig.chunk();
    auto header = [](float parameter0) {
        Block b;
        b.text("VEXLOHDR06").float32(parameter0).zeros(40).int32(0).int32(kSynthId);
        b.int32(-1).int32(-1).int32(-1).int32(-1);
        return b;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<std::vector<unsigned char>> bad;
    for (float p : {nan, inf, -inf, 1.5f, -0.25f}) bad.push_back(header(p).byte(0).byte(0).byte(0).byte(0).byte(0).bytes);
    for (VstInt32 length : {-1, 5, 0x7FFFFFFF, static_cast<VstInt32>(0x80000000)})
        bad.push_back(header(0.0f).byte(0x7F).int32(length).zeros(4).bytes);
    bad.push_back(header(0.0f).byte(0).byte(0x7F).int32(1000).zeros(10).bytes);  // a MIDI slot's state
    bad.push_back(header(0.0f).byte(0).byte(0).byte(0).bytes);                    // slot kinds missing
    for (auto& block : bad) EXPECT_EQ(rig.restore(block), 0);
    EXPECT_EQ(rig.manager->getOversamplingFactor(), 2);
    EXPECT_EQ(rig.chunk(), before);
    // What fits is taken: a parameter dump for another instrument applies the records it holds.
    ManagerRig other(64, rig.folder.path());
    other.loadInstrument("test-mono");
    Block b;
    b.text("VEXLOHDR06").zeros(44).int32(0).int32(kMonoId).int32(-1).int32(-1).int32(-1).int32(-1);
    b.byte(0x4D).int32(10).zeros(10).byte(0).byte(0).byte(0).byte(0);
    EXPECT_EQ(other.restore(b.bytes), 1);
    EXPECT_EQ(other.plugin->dispatch(effSetChunk, 0, 0, b.bytes.data()), 0);
    EXPECT_EQ(other.plugin->dispatch(effSetChunk, 0, 10, nullptr), 0);
}

}  // namespace
