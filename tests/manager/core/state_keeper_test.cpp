// Vexlo VM's state keeper and child rack on their own, without the plug-in around them: a
// stand-in front answers what they ask and records what they tell it.
#include <gtest/gtest.h>

#include "manager/core/state_keeper.h"
#include "manager/library/scan_database.h"
#include "tests/support/test_support.h"
#include "tests/support/test_plugin_ids.h"

using namespace vexlo;
using namespace vexlo::manager;
using vexlo::test::kSynthId;
using vexlo::test::pluginPath;

namespace {


class StandInFront : public ManagerFront {
public:
    float hostRate() const override { return 44100.0f; }
    VstInt32 hostBlock() const override { return 64; }
    int desiredFactor() const override { return 1; }
    int appliedFactor() const override { return 1; }
    int factorForState(float) const override { return 1; }
    float ownParameter(int index) const override { return own[static_cast<std::size_t>(index)]; }
    void setOwnParameter(int index, float value) override { own[static_cast<std::size_t>(index)] = value; }
    VstInt32 currentProgram() const override { return program; }
    void setCurrentProgram(VstInt32 p) override { program = p; }
    void forwardProgram(VstInt32 p) override {
        program = p;
        if (rack && rack->instrument().isLoaded()) rack->instrument().setProgram(p);
    }
    void instrumentInstalled() override { ++installed; }
    void instrumentRemoved() override { ++removed; }
    void instrumentRestarted() override {}
    void midiSlotsChanged() override {}
    void displayChanged() override {}
    void stateChanged() override {}
    void tellStatus(const std::string& text) override { statuses.push_back(text); }

    ChildRack* rack = nullptr;
    std::array<float, files::ManagerState::kOwnParameters> own{};
    VstInt32 program = 0;
    int installed = 0, removed = 0;
    std::vector<std::string> statuses;
};

VstIntPtr VEXLO_CDECL quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A rack and its keeper on a stand-in front, with a scan database of their own.
struct Parts {
    explicit Parts(const std::string& folder) : store(folder + platform::pathSeparator() + "settings.vIni") {
        settings.scanDatabasePath = folder + platform::pathSeparator() + "db.ini";
        front.rack = &rack;
    }
    bool load(const std::string& name) {
        HostedChild child;
        LoadMessage refusal;
        if (!rack.prepareInstrument(pluginPath(name), 1, child, refusal)) return false;
        GateHold hold(gate, GateHold::wait);
        const VstInt32 id = child.uniqueId();
        rack.installInstrument(std::move(child), pluginPath(name));
        rack.loader().recordInDatabase(id, pluginPath(name));
        return true;
    }
    std::vector<unsigned char> chunk() {
        void* data = nullptr;
        const VstInt32 size = keeper.getChunk(&data);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return {bytes, bytes + size};
    }

    library::ManagerSettings settings;
    AudioGate gate;
    StandInFront front;
    library::ConfigFile store;
    ChildRack rack{settings, store, gate, front, {quietHost, quietHost, nullptr}};
    StateKeeper keeper{rack, gate, front};
};

}  // namespace

TEST(StateKeeper, CarriesTheInstrumentItsParametersAndOurOwnIntoAnotherRack) {
    test::TempFolder folder;
    Parts first(folder.path());
    ASSERT_TRUE(first.load("test-synth"));
    EXPECT_EQ(first.front.installed, 1);
    first.rack.instrument().setParameter(1, 0.375f);
    first.front.own = {0.5f, 0.75f};
    const auto song = first.chunk();

    Parts second(folder.path());  // the same scan database finds the library by its ID
    std::vector<LoadMessage> messages;
    auto decoded = files::decodeManagerState(song.data(), song.size());
    ASSERT_TRUE(decoded);
    ASSERT_TRUE(second.keeper.restore(*decoded.value, messages));
    EXPECT_TRUE(messages.empty());
    ASSERT_TRUE(second.rack.instrument().isLoaded());
    EXPECT_EQ(second.rack.instrument().uniqueId(), kSynthId);
    EXPECT_FLOAT_EQ(second.rack.instrument().getParameter(1), 0.375f);
    EXPECT_EQ(second.front.own, first.front.own);
    EXPECT_EQ(second.chunk(), song);
}

TEST(StateKeeper, KeepsWhatNobodyHasAndSavesItBackAsItCame) {
    test::TempFolder folder;
    files::ManagerState state;
    state.instrument = {0x5A5A5A5A, files::kStateChunk, {1, 2, 3, 4}};
    state.midiSlots[1] = {0x5B5B5B5B, files::kStateChunk, {9}};
    const auto song = files::encodeManagerState(state);

    Parts parts(folder.path());
    ASSERT_TRUE(parts.load("test-synth"));  // what plays keeps playing
    AEffect* playing = parts.rack.instrument().effect();
    auto decoded = files::decodeManagerState(song.data(), song.size());
    ASSERT_TRUE(decoded);
    std::vector<LoadMessage> messages;
    ASSERT_TRUE(parts.keeper.restore(*decoded.value, messages));
    // Each unknown ID is told once, and nothing is shown by the keeper itself.
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Couldn't find the VST ID in the database");
    EXPECT_EQ(parts.rack.instrument().effect(), playing);
    EXPECT_EQ(parts.rack.missingInstrument().state, (std::vector<unsigned char>{1, 2, 3, 4}));
    EXPECT_EQ(parts.chunk(), song);
}
