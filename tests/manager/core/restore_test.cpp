// What Vexlo VM keeps when a state, a load or a host asks more than it can give: missing
// plug-ins saved back as they came, the ignore list, itself, a host asking during a change, a
// person taking their time in a file dialog, and absurd block sizes and rates.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "manager/library/path_utils.h"
#include "manager/library/scan_database.h"
#include "tests/support/manager_rig.h"
#include "tests/support/test_plugin_ids.h"

using namespace vexlo::test;

namespace {


float peak(const std::vector<float>& samples) {
    float p = 0.0f;
    for (float s : samples) p = std::max(p, std::fabs(s));
    return p;
}

// A song saved with the test synth, a parameter of it edited, and a MIDI plug-in in slot 2.
std::vector<unsigned char> songWithSynthAndMidi() {
    ManagerRig first;
    first.loadInstrument("test-synth");
    first.loadMidi("test-midi-fx", 2);
    first.instrument()->setParameter(first.instrument(), 1, 0.375f);
    return first.chunk();
}

TEST(Restore, ASongNamingPluginsThatCannotBeLoadedIsSavedBackByteForByte) {
    const auto song = songWithSynthAndMidi();
    TempFolder junk;
    const std::string notALibrary = junk.path() + vexlo::platform::pathSeparator() + "notes.so";
    std::ofstream(notALibrary) << "not a library";
    // The instrument's entry points at a missing file, at a file that is no library, and at a
    // library without an entry; the MIDI plug-in is unknown.
    for (const std::string& where : {junk.path() + "/gone/test-synth.so", notALibrary, pluginPath("test-no-entry")}) {
        ManagerRig rig;
        rig.loadInstrument("test-mono");  // what was playing keeps playing
        AEffect* playing = rig.instrument();
        vexlo::library::ConfigFile(rig.manager->settings().scanDatabasePath).write(std::to_string(kSynthId), where, true);
        ASSERT_EQ(rig.restore(song), 1) << where;
        EXPECT_EQ(rig.instrument(), playing);
        EXPECT_EQ(rig.manager->getMidiSlot(2), nullptr);
        ASSERT_EQ(rig.script.messages.size(), 2u) << where;
        EXPECT_EQ(rig.script.messages[0].text, where);
        EXPECT_EQ(rig.script.messages[0].caption, "Error loading pluging!");
        EXPECT_EQ(rig.script.messages[1].text, "Couldn't find the VST ID in the database");
        EXPECT_EQ(rig.chunk(), song) << where;
        // Saved again and restored again: still nothing lost, and told again.
        ManagerRig again(64, rig.folder.path());
        ASSERT_EQ(again.restore(rig.chunk()), 1);
        EXPECT_EQ(again.chunk(), song);
        // Once the person loads an instrument of their own, that one is saved.
        rig.loadInstrument("test-synth");
        EXPECT_NE(rig.chunk(), song);
    }
}

TEST(Restore, AStateOfAnotherInstrumentIsNeverGivenToTheOneThatPlays) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    AEffect* synth = rig.instrument();
    synth->setParameter(synth, 1, 0.125f);
    // A state for an ID the database does not know, holding a state of the synth's own format.
    auto song = songWithSynthAndMidi();
    song[58] = 0x01;  // another instrument ID
    ASSERT_EQ(rig.restore(song), 1);
    EXPECT_EQ(rig.instrument(), synth);
    EXPECT_EQ(synth->getParameter(synth, 1), 0.125f);
}

TEST(Restore, AnOldLayoutsLibraryPathPassesTheSameChecksAsEveryLoad) {
    ManagerRig rig;
    const std::string mono = pluginPath("test-mono");
    vexlo::library::ConfigFile(rig.manager->settings().scanDatabasePath)
        .write(vexlo::library::ScanDatabase::bookkeepingKey(vexlo::library::baseName(mono)), "Ignore", false);
    std::vector<unsigned char> v1(10 + 40000 + 9024 + 1, 0);
    std::memcpy(v1.data(), "VEXLOHDR01", 10);
    std::memcpy(v1.data() + 10 + 40000, mono.data(), mono.size());
    ASSERT_EQ(rig.restore(v1), 1);
    EXPECT_EQ(rig.instrument(), nullptr);
    ASSERT_EQ(rig.script.messages.size(), 1u);
    EXPECT_EQ(rig.script.messages[0].text, mono);
    EXPECT_EQ(rig.script.messages[0].caption, "Plugin is on the Ignore list!");

    const std::string deaf = pluginPath("test-deaf");
    std::memset(v1.data() + 10 + 40000, 0, 9024);
    std::memcpy(v1.data() + 10 + 40000, deaf.data(), deaf.size());
    rig.restore(v1);
    EXPECT_EQ(rig.instrument(), nullptr);
    EXPECT_EQ(rig.script.messages.back().caption, "Plugin is not a Synth!");
}

TEST(Restore, VexloVmDoesNotHostItself) {
    ManagerRig rig;
    const std::string vm = pluginPath("Vexlo VM");
    rig.manager->loadInstrument(vm.c_str(), false, -1);
    rig.manager->loadMidiEffect(vm.c_str(), 0);
    EXPECT_EQ(rig.instrument(), nullptr);
    EXPECT_EQ(rig.manager->getMidiSlot(0), nullptr);
    ASSERT_EQ(rig.script.messages.size(), 2u);
    EXPECT_EQ(rig.script.messages[0].caption, "Vexlo VM can't host Vexlo VM!");
    EXPECT_EQ(rig.script.messages[1].caption, "Vexlo VM can't host Vexlo VM!");
}

TEST(Restore, AHostAskingWhileAChangeRunsGetsTheLastCompleteState) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    rig.loadMidi("test-midi-fx", 1);
    const auto whole = rig.chunk();
    {
        ChangeOnAnotherThread change(rig.manager->testGate());  // longer than a host waits
        EXPECT_EQ(rig.chunk(), whole);
    }
    EXPECT_EQ(rig.chunk(), whole);
}

// A person who takes their time in the file dialog: the song goes on playing meanwhile.
class SlowChooser : public vexlo::platform::ScriptedUserServices {
public:
    explicit SlowChooser(ManagerRig& rig) : rig_(rig) {}
    std::string chooseFile(const vexlo::platform::FileRequest& request) override {
        gateHeldWhileChoosing = rig_.manager->testGate().isHeld();
        rig_.process();
        peakWhileChoosing = std::max(peak(rig_.left), peak(rig_.right));
        return ScriptedUserServices::chooseFile(request);
    }
    bool gateHeldWhileChoosing = true;
    float peakWhileChoosing = 0.0f;

private:
    ManagerRig& rig_;
};

TEST(Restore, TheFileDialogIsOpenWhileTheInstrumentPlaysOn) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    rig.send({vexlo::host::makeMidiEvent(0, 0x90, 60, 100)});
    SlowChooser chooser(rig);
    vexlo::platform::ScopedUserServices installed(chooser);
    chooser.files = {pluginPath("test-mono")};
    rig.manager->loadInstrument(nullptr, false, -1);
    EXPECT_FALSE(chooser.gateHeldWhileChoosing);
    EXPECT_GT(chooser.peakWhileChoosing, 0.0f);
    ASSERT_NE(rig.instrument(), nullptr);
    EXPECT_EQ(rig.instrument()->numOutputs, 1);

    chooser.files = {pluginPath("test-midi-fx")};
    chooser.gateHeldWhileChoosing = true;
    rig.manager->loadMidiEffect(nullptr, 0);
    EXPECT_FALSE(chooser.gateHeldWhileChoosing);
    EXPECT_NE(rig.manager->getMidiSlot(0), nullptr);
}

TEST(Restore, AbsurdBlockSizesAndRatesAreRefusedOrCappedNeverACrash) {
    ManagerRig rig(64);
    rig.loadInstrument("probe-instrument");
    rig.plugin->dispatch(effMainsChanged, 0, 0);
    for (VstIntPtr size : {VstIntPtr(1) << 28, VstIntPtr(0x7FFFFFFF), VstIntPtr(0), VstIntPtr(-5)})
        rig.plugin->dispatch(effSetBlockSize, 0, size);
    for (float rate : {std::nanf(""), INFINITY, -44100.0f, 0.0f, 1e12f})
        rig.plugin->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    rig.plugin->dispatch(effMainsChanged, 0, 1);
    AEffect* child = rig.instrument();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(ManagerRig::ask(child, kAskToldRate), 44100);
    EXPECT_LE(ManagerRig::ask(child, kAskToldBlock), 1 << 17);
    rig.send({vexlo::host::makeMidiEvent(0, 0x90, 60, 100)});
    rig.process();  // the block the host announced last still plays
    EXPECT_EQ(rig.receivedByProbe().size(), 1u);
}

}  // namespace
