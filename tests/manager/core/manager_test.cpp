// Vexlo VM's host core: the record, parameters and programs, loading children, their callbacks,
// the MIDI chain and the oversampler, with our test plug-ins as children.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "hosting/library_machine.h"
#include "manager/core/resampler.h"
#include "platform/platform.h"
#include "tests/support/library_headers.h"
#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"

using namespace vexlo::test;
using vexlo::manager::GateHold;

namespace {

std::string text(vexlo::host::Plugin& plugin, VstInt32 opcode, VstInt32 index) {
    char buffer[256] = {};
    plugin.dispatch(opcode, index, 0, buffer);
    return buffer;
}

// ---- What the host sees ----

TEST(Manager, TheRecordTheHostSeesNeverChanges) {
    ManagerRig rig;
    AEffect* e = rig.plugin->effect();
    auto check = [&] {
        EXPECT_EQ(e->numInputs, 2);
        EXPECT_EQ(e->numOutputs, 2);
        EXPECT_EQ(e->numPrograms, 512);
        EXPECT_EQ(e->numParams, 4000);
        EXPECT_EQ(e->uniqueID, 0x62373533);
        EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth);
        EXPECT_EQ(rig.plugin->dispatch(effGetPlugCategory), kPlugCategSynth);
    };
    check();
    rig.loadInstrument("test-wide");
    ASSERT_NE(rig.instrument(), nullptr);
    check();
    EXPECT_EQ(rig.plugin->effectName(), "VexloVM");
    EXPECT_EQ(rig.plugin->productString(), "VexloVM");
    EXPECT_EQ(rig.plugin->vendorString(), "Vexloworks");
    EXPECT_EQ(rig.plugin->vendorVersion(), 1000);
    EXPECT_EQ(rig.plugin->canDo("receiveVstEvents"), 1);
    EXPECT_EQ(rig.plugin->canDo("receiveVstMidiEvents"), 1);
    EXPECT_EQ(rig.plugin->canDo("receiveVstMidiEvent"), -1);
    VstPinProperties pin{};
    EXPECT_EQ(rig.plugin->dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Vstx 2");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(rig.plugin->dispatch(effGetOutputProperties, 2, 0, &pin), 0);
}

TEST(Manager, ParameterZeroChoosesTheFactor) {
    ManagerRig rig;
    const std::pair<float, int> table[] = {{0.3f, 2}, {0.74f, 4}, {1.0f, 8}, {0.5f, 4}, {0.75f, 6}, {0.0f, 1}, {7.0f, 1}};
    for (auto [value, factor] : table) {
        rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, value);
        EXPECT_EQ(rig.manager->getOversamplingFactor(), factor) << value;
        EXPECT_EQ(rig.plugin->effect()->getParameter(rig.plugin->effect(), 0), value);  // the raw value
    }
    EXPECT_EQ(text(*rig.plugin, effGetParamName, 0), "OverSamp");
    EXPECT_EQ(text(*rig.plugin, effGetParamLabel, 0), "OverSamp");
    EXPECT_EQ(text(*rig.plugin, effGetParamName, 2), "");
    EXPECT_EQ(text(*rig.plugin, effGetParamDisplay, 0), "7.000000");
}

TEST(Manager, ParametersFromElevenOnAreTheInstruments) {
    ManagerRig rig;
    AEffect* e = rig.plugin->effect();
    EXPECT_EQ(e->getParameter(e, 20), 0.0f);
    EXPECT_EQ(text(*rig.plugin, effGetParamName, 20), "    ");
    rig.loadInstrument("test-synth");  // three parameters: Volume, Param1, Param2
    e->setParameter(e, 11, 0.9f);
    e->setParameter(e, 13, 0.2f);
    e->setParameter(e, 14, 0.7f);  // past the instrument's parameters: ignored
    AEffect* child = rig.instrument();
    EXPECT_EQ(child->getParameter(child, 0), 0.9f);
    EXPECT_EQ(e->getParameter(e, 13), 0.2f);
    EXPECT_EQ(e->getParameter(e, 14), 0.0f);
    EXPECT_EQ(text(*rig.plugin, effGetParamName, 11), "Volume");
    EXPECT_EQ(text(*rig.plugin, effGetParamLabel, 11), "amp");
    EXPECT_EQ(text(*rig.plugin, effGetParamName, 12), "Param1");
    EXPECT_EQ(text(*rig.plugin, effGetParamDisplay, 11), "    ");  // the instrument is not asked
    EXPECT_EQ(text(*rig.plugin, effGetParamName, 14), "    ");
}

TEST(Manager, ProgramsFollowTheInstrumentWithinItsRange) {
    ManagerRig rig;
    char name[64] = "x";
    EXPECT_EQ(rig.plugin->dispatch(effGetProgramNameIndexed, 2, 0, name), 1);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(rig.plugin->programName(), "");
    rig.plugin->dispatch(effSetProgram, 0, 300);
    EXPECT_EQ(rig.plugin->dispatch(effGetProgram), 300);  // without an instrument: kept as it is

    rig.loadInstrument("test-synth");  // four programs; the current program is sent on load
    EXPECT_EQ(rig.plugin->dispatch(effGetProgram), 3);
    rig.plugin->dispatch(effSetProgram, 0, 8);
    EXPECT_EQ(rig.plugin->dispatch(effGetProgram), 3);
    rig.plugin->dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(rig.plugin->programName(), "Program 1");
    EXPECT_EQ(rig.plugin->dispatch(effGetProgramNameIndexed, 2, 0, name), 1);
    EXPECT_STREQ(name, "Program 2");
    EXPECT_EQ(rig.plugin->dispatch(effGetProgramNameIndexed, 9, 0, name), 1);
    EXPECT_STREQ(name, "");
}

// ---- Loading children ----

TEST(ManagerLoad, EveryRefusalHasItsMessage) {
    ManagerRig rig;
    struct Case {
        std::string library;
        const char* caption;
    };
    const Case cases[] = {
        {pluginPath("no-such-library"), "Error loading pluging!"},
        {pluginPath("test-no-entry"), "Error loading pluging!"},
        {pluginPath("test-null-record"), "Error loading pluging!"},
        {pluginPath("test-deaf"), "Plugin is not a Synth!"},
        {pluginPath("test-silent"), "Plugin has no output!"},
    };
    for (const Case& c : cases) {
        rig.script.messages.clear();
        rig.manager->loadInstrument(c.library.c_str(), false, -1);
        EXPECT_EQ(rig.instrument(), nullptr) << c.library;
        ASSERT_EQ(rig.script.messages.size(), 1u) << c.library;
        EXPECT_EQ(rig.script.messages[0].text, c.library);
        EXPECT_EQ(rig.script.messages[0].caption, c.caption);
    }
    EXPECT_FALSE(rig.manager->testGate().isHeld());
}

// Not "a broken library": the person learns that the plug-in is built for another processor, or
// which program hosts plug-ins of its word size when that is missing.
TEST(ManagerLoad, ALibraryForAnotherMachineIsRefusedSayingWhy) {
    using vexlo::hosting::Machine;
    ManagerRig rig;
    TempFolder folder;
    const bool windows = std::string(vexlo::platform::pluginExtension()) == ".dll";
    const bool wide = vexlo::hosting::thisMachine() == Machine::x64;
    const std::string arm = folder.file(std::string("arm") + vexlo::platform::pluginExtension());
    const std::string otherSize = folder.file(std::string("other-size") + vexlo::platform::pluginExtension());
    auto write = [](const std::string& path, const std::vector<unsigned char>& bytes) {
        ASSERT_TRUE(writeFile(path, std::string(bytes.begin(), bytes.end())));
    };
    write(arm, windows ? peHeader(0xaa64) : elfHeader(2, 183));
    write(otherSize, windows ? peHeader(wide ? 0x014c : 0x8664) : elfHeader(wide ? 1 : 2, wide ? 3 : 62));

    rig.manager->loadInstrument(arm.c_str(), false, -1);
    EXPECT_EQ(rig.instrument(), nullptr);
    ASSERT_EQ(rig.script.messages.size(), 1u);
    EXPECT_EQ(rig.script.messages[0].caption, "Error loading pluging!");
    EXPECT_EQ(rig.script.messages[0].text, "arm is built for ARM64: Vexlo VM cannot host it on this processor.");

    rig.script.messages.clear();
    rig.manager->loadInstrument(otherSize.c_str(), false, -1);
    EXPECT_EQ(rig.instrument(), nullptr);
    ASSERT_EQ(rig.script.messages.size(), 1u);
    EXPECT_EQ(rig.script.messages[0].caption, "Error loading pluging!");
    const std::string bridge = vexlo::hosting::HostedChild::bridgeFor(otherSize);
    if (vexlo::platform::fileExists(bridge))
        EXPECT_EQ(rig.script.messages[0].text, otherSize) << "its bridge started and found no library there";
    else
        EXPECT_NE(rig.script.messages[0].text.find(bridge.substr(bridge.find_last_of("/\\") + 1) + " beside Vexlo VM"),
                  std::string::npos) << rig.script.messages[0].text;
    EXPECT_FALSE(rig.manager->testGate().isHeld());
}

TEST(ManagerLoad, AnUnsureAnswerPassesTheCapabilityTest) {
    ManagerRig rig;
    rig.loadInstrument("test-unsure");
    EXPECT_NE(rig.instrument(), nullptr);
    EXPECT_TRUE(rig.script.messages.empty());
}

TEST(ManagerLoad, MidiSlotsRefuseWhatIsNoMidiProcessor) {
    ManagerRig rig;
    const std::string deaf = pluginPath("test-deaf"), missing = pluginPath("test-no-entry");
    rig.manager->loadMidiEffect(deaf.c_str(), 0);
    rig.manager->loadMidiEffect(missing.c_str(), 1);
    EXPECT_EQ(rig.manager->getMidiSlot(0), nullptr);
    EXPECT_EQ(rig.manager->getMidiSlot(1), nullptr);
    ASSERT_EQ(rig.script.messages.size(), 2u);
    EXPECT_EQ(rig.script.messages[0].text, deaf);
    EXPECT_EQ(rig.script.messages[0].caption, "Plugin is not a MIDI Processor!");
    EXPECT_EQ(rig.script.messages[1].caption, "Error loading MIDI VST pluging!");

    rig.loadMidi("test-midi-fx", 2);
    ASSERT_NE(rig.manager->getMidiSlot(2), nullptr);
    EXPECT_EQ(rig.manager->getMidiSlotName(2), "test-midi-fx");
    rig.manager->unloadMidiEffect(2);
    EXPECT_EQ(rig.manager->getMidiSlot(2), nullptr);
    EXPECT_EQ(rig.manager->getMidiSlotName(2), "");
}

TEST(ManagerLoad, TheFileDialogAndItsCancel) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    rig.script.files = {""};  // cancelled
    rig.manager->loadInstrument(nullptr, false, -1);
    EXPECT_EQ(rig.instrument(), nullptr);  // the old one went before the dialog
    ASSERT_EQ(rig.script.fileRequests.size(), 1u);
    const auto& request = rig.script.fileRequests[0];
    EXPECT_EQ(request.title, "Select the VSTi to Load");
    EXPECT_EQ(request.typeName, "VSTi DLLs");
    EXPECT_EQ(std::string(".") + request.extension, vexlo::platform::pluginExtension());
    EXPECT_EQ(request.initialFolder, pluginPath("test-synth"));  // the last instrument path
    EXPECT_FALSE(rig.manager->testGate().isHeld());

    rig.script.files = {pluginPath("test-mono")};
    rig.manager->loadInstrument(nullptr, false, -1);
    ASSERT_NE(rig.instrument(), nullptr);
    EXPECT_EQ(rig.instrument()->numOutputs, 1);

    rig.script.files = {pluginPath("test-midi-fx")};
    rig.manager->loadMidiEffect(nullptr, 3);
    EXPECT_NE(rig.manager->getMidiSlot(3), nullptr);
    EXPECT_EQ(rig.script.fileRequests.back().title, "Select the MIDI-VST to Load");
    EXPECT_EQ(rig.script.fileRequests.back().initialFolder, rig.manager->settings().midiVstFolder);
}

TEST(ManagerLoad, ALoadGivesWayToAChangeInProgress) {
    ManagerRig rig;
    auto other = std::make_unique<ChangeOnAnotherThread>(rig.manager->testGate());
    rig.loadInstrument("test-synth");
    EXPECT_EQ(rig.instrument(), nullptr);
    // A caller that holds the gate itself is let through, and its hold stays.
    other.reset();
    {
        GateHold hold(rig.manager->testGate(), GateHold::wait);
        rig.manager->loadInstrument(pluginPath("test-synth").c_str(), true, -1);
        rig.manager->loadMidiEffect(pluginPath("test-midi-fx").c_str(), 0, true);
        EXPECT_TRUE(rig.manager->testGate().heldByThisThread());
    }
    EXPECT_NE(rig.instrument(), nullptr);
    EXPECT_NE(rig.manager->getMidiSlot(0), nullptr);
}

TEST(ManagerLoad, TheDatabaseEntryIsWrittenOnce) {
    ManagerRig rig;
    rig.loadInstrument("test-synth");
    EXPECT_EQ(rig.databaseEntry(0x56745379), pluginPath("test-synth"));
    rig.loadMidi("test-midi-fx", 0);
    EXPECT_EQ(rig.databaseEntry(fourCharCode('V', 't', 'M', 'x')), pluginPath("test-midi-fx"));

    // Another library with the same ID does not replace the entry.
    vexlo::library::ConfigFile database(rig.manager->settings().scanDatabasePath);
    ASSERT_TRUE(database.write("1450464121", "/elsewhere/test-synth.so", true));
    rig.loadInstrument("test-synth");
    EXPECT_EQ(rig.databaseEntry(0x56745379), "/elsewhere/test-synth.so");
}

TEST(ManagerLoad, AnInstrumentThatIsNotTheOneAPresetNames) {
    ManagerRig rig;
    rig.script.answers = {true, false};
    rig.manager->loadInstrument(pluginPath("test-synth").c_str(), false, 1234);
    EXPECT_NE(rig.instrument(), nullptr);
    EXPECT_EQ(rig.databaseEntry(1234), pluginPath("test-synth"));
    EXPECT_EQ(rig.databaseEntry(0x56745379), "<none>");
    ASSERT_EQ(rig.script.messages.size(), 1u);
    EXPECT_EQ(rig.script.messages[0].text,
              "The selected VST doesn't match the loaded FXP/FXB file.\nDo you want to set this VST to be used for this file?");
    EXPECT_EQ(rig.script.messages[0].caption, "Warning!");

    rig.manager->loadInstrument(pluginPath("test-mono").c_str(), false, 5678);
    EXPECT_EQ(rig.instrument(), nullptr);
    EXPECT_EQ(rig.databaseEntry(5678), "<none>");

    rig.manager->loadInstrument(pluginPath("test-mono").c_str(), false, 0x56744D6F);  // the right one: no question
    EXPECT_NE(rig.instrument(), nullptr);
    EXPECT_EQ(rig.script.messages.size(), 2u);
}

// ---- Callbacks offered to children ----

TEST(ManagerCallbacks, AnswersWithAndWithoutAnOwner) {
    AEffect stranger{};
    EXPECT_EQ(VstManager::instrumentCallback(&stranger, audioMasterVersion, 0, 0, nullptr, 0), 2400);
    EXPECT_EQ(VstManager::midiCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0), 2400);
    EXPECT_EQ(VstManager::instrumentCallback(&stranger, audioMasterGetTime, 0, 0, nullptr, 0), 0);
    char yes[] = "sizeWindow", no[] = "receiveVstEvents", idle[] = "supplyIdle";
    EXPECT_EQ(VstManager::instrumentCallback(&stranger, audioMasterCanDo, 0, 0, yes, 0), 1);
    EXPECT_EQ(VstManager::instrumentCallback(&stranger, audioMasterCanDo, 0, 0, idle, 0), 1);
    EXPECT_EQ(VstManager::instrumentCallback(&stranger, audioMasterCanDo, 0, 0, no, 0), 0);
    EXPECT_EQ(VstManager::instrumentCallback(&stranger, audioMasterSizeWindow, 100, 100, nullptr, 0), 0);

    ManagerRig rig;
    rig.plugin->setRecordCalls(true);
    rig.loadInstrument("probe-instrument");
    rig.loadMidi("test-midi-fx", 0);
    AEffect* probe = rig.instrument();
    AEffect* midi = rig.manager->getMidiSlot(0);
    EXPECT_EQ(VstManager::instrumentCallback(probe, audioMasterGetTime, 0, kVstTempoValid, nullptr, 0),
              reinterpret_cast<VstIntPtr>(rig.context.timeInfo()));

    // Automation from the instrument goes back to it and to the outer host, eleven places on.
    ManagerRig::ask(probe, kAskAutomate, 2);
    EXPECT_EQ(probe->getParameter(probe, 2), 0.75f);
    ASSERT_FALSE(rig.plugin->calls().empty());
    const auto& automate = rig.plugin->calls().back();
    EXPECT_EQ(automate.opcode, audioMasterAutomate);
    EXPECT_EQ(automate.index, 13);
    EXPECT_EQ(automate.opt, 0.75f);
    // From a MIDI slot it changes nothing and reaches nobody.
    rig.plugin->calls().clear();
    EXPECT_EQ(VstManager::midiCallback(midi, audioMasterAutomate, 1, 0, nullptr, 0.1f), 0);
    EXPECT_EQ(probe->getParameter(probe, 1), 0.0f);
    EXPECT_TRUE(rig.plugin->calls().empty());

    // Events the instrument hands out are dropped.
    std::vector<VstMidiEvent> events{vexlo::host::makeMidiEvent(0, 0x90, 60, 100)};
    std::vector<char> storage;
    EXPECT_EQ(VstManager::instrumentCallback(probe, audioMasterProcessEvents, 0, 0,
                                             vexlo::host::buildEventList(events, storage), 0),
              0);
    EXPECT_EQ(ManagerRig::ask(probe, kAskEventCount), 0);
}

TEST(ManagerCallbacks, ChildrenLearnTheRateAndBlockSizeTheyRunAt) {
    ManagerRig rig(64);
    rig.loadInstrument("probe-instrument");
    AEffect* probe = rig.instrument();
    EXPECT_EQ(ManagerRig::ask(probe, kAskToldRate), 44100);
    EXPECT_EQ(ManagerRig::ask(probe, kAskAnsweredRate), 44100);
    EXPECT_EQ(ManagerRig::ask(probe, kAskAnsweredBlock), 64);

    rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, 0.5f);  // factor 4
    EXPECT_EQ(rig.manager->getAppliedFactor(), 4);
    probe = rig.instrument();
    EXPECT_EQ(ManagerRig::ask(probe, kAskToldRate), 4 * 44100);
    EXPECT_EQ(ManagerRig::ask(probe, kAskToldBlock), 4 * 64);
    EXPECT_EQ(ManagerRig::ask(probe, kAskAnsweredRate), 4 * 44100);
    EXPECT_EQ(ManagerRig::ask(probe, kAskAnsweredBlock), 4 * 64);
    rig.process();
    EXPECT_EQ(ManagerRig::ask(probe, kAskFrames), 4 * 64);

    rig.plugin->dispatch(effSetBlockSize, 0, 128);
    EXPECT_EQ(ManagerRig::ask(probe, kAskToldBlock), 4 * 128);
}

// ---- Processing ----

TEST(ManagerProcessing, SilentWithoutAnInstrumentAndWhileAChangeRuns) {
    ManagerRig rig;
    std::fill(rig.left.begin(), rig.left.end(), 0.5f);
    rig.process();
    EXPECT_EQ(rig.left[0], 0.0f);
    EXPECT_EQ(rig.send({note(60)}), 1);

    rig.loadInstrument("probe-instrument");
    AEffect* probe = rig.instrument();
    probe->setParameter(probe, 0, 0.25f);
    rig.process();
    EXPECT_EQ(rig.left[0], 0.25f);

    auto other = std::make_unique<ChangeOnAnotherThread>(rig.manager->testGate());
    const VstIntPtr before = ManagerRig::ask(probe, kAskEventCount);
    rig.process();
    EXPECT_EQ(rig.left[0], 0.0f);
    EXPECT_EQ(rig.right[63], 0.0f);
    EXPECT_EQ(rig.send({note(60)}), 0);
    EXPECT_EQ(ManagerRig::ask(probe, kAskEventCount), before);
    other.reset();
    rig.process();
    EXPECT_EQ(rig.left[0], 0.25f);
}

TEST(ManagerProcessing, AMonoInstrumentPlaysOnBothSides) {
    ManagerRig rig;
    rig.loadInstrument("test-mono");
    rig.send({note(69)});
    rig.process();
    rig.process();
    EXPECT_NE(rig.left[10], 0.0f);
    EXPECT_EQ(rig.left, rig.right);
}

TEST(ManagerProcessing, AnAccumulatingInstrumentAddsToSilence) {
    auto render = [](const char* name) {
        ManagerRig rig;
        rig.loadInstrument(name);
        rig.send({note(69)});
        std::fill(rig.left.begin(), rig.left.end(), 0.5f);  // what the host's buffers held before
        std::fill(rig.right.begin(), rig.right.end(), 0.5f);
        rig.process();
        return std::vector<float>(rig.left.begin(), rig.left.begin() + 64);
    };
    std::vector<float> accumulated = render("test-accumulating");
    EXPECT_EQ(accumulated, render("test-synth"));
    EXPECT_NE(accumulated[20], 0.0f);
}

TEST(ManagerProcessing, AWideInstrumentGetsEveryChannel) {
    ManagerRig rig;
    rig.loadInstrument("test-wide");  // four inputs, six outputs
    rig.loadMidi("test-midi-fx", 0);
    rig.send({note(69)});
    for (int i = 0; i < 4; ++i) rig.process();
    EXPECT_NE(rig.left[10], 0.0f);
}

TEST(ManagerProcessing, TheHostsEventsTravelSlotBySlotToTheInstrument) {
    ManagerRig rig;
    rig.loadInstrument("probe-instrument");
    rig.loadMidi("test-midi-fx", 1);
    rig.loadMidi("test-midi-fx", 3);
    auto event = vexlo::host::makeMidiEvent(7, 0x90, 60, 100);
    rig.send({event});
    rig.process();
    // Slot 1 and slot 3 each raise the note by one.
    EXPECT_EQ(rig.receivedByProbe(), (std::vector<int>{probeEvent(7, 0x90, 62)}));
}

TEST(ManagerProcessing, OffsetsCountTheFramesTheInstrumentRunsAt) {
    ManagerRig rig;
    rig.loadInstrument("probe-instrument");
    rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, 0.5f);  // factor 4
    auto event = vexlo::host::makeMidiEvent(10, 0x90, 60, 100);
    rig.send({event});
    EXPECT_EQ(rig.sent[0].deltaFrames, 10);  // the host's own list stays as it was
    rig.loadMidi("test-midi-fx", 0);
    rig.send({event});
    rig.process();  // the MIDI slot's own events are scaled too
    EXPECT_EQ(rig.receivedByProbe(), (std::vector<int>{probeEvent(40, 0x90, 60), probeEvent(40, 0x90, 61)}));

    VstManager::setOversamplerBypass(true);
    EXPECT_EQ(rig.manager->getAppliedFactor(), 1);
    EXPECT_EQ(ManagerRig::ask(rig.instrument(), kAskToldRate), 44100);
    rig.send({event});
    rig.process();
    EXPECT_EQ(rig.receivedByProbe().back(), probeEvent(10, 0x90, 61));
    VstManager::setOversamplerBypass(false);
    EXPECT_EQ(rig.manager->getAppliedFactor(), 4);
    EXPECT_EQ(ManagerRig::ask(rig.instrument(), kAskToldRate), 4 * 44100);
}

// A slot may hand back the events it used up, blanked, and events of types nobody defined: no
// stage after it gets those, at any factor.
TEST(ManagerProcessing, BlankedAndUnknownEventsGoNoFurther) {
    for (int factor : {1, 4}) {
        ManagerRig rig;
        rig.loadInstrument("probe-instrument");
        rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, factor == 1 ? 0.0f : 0.5f);
        rig.loadMidi("test-midi-fx", 0);
        rig.loadMidi("test-midi-fx", 2);
        rig.send({vexlo::host::makeMidiEvent(5, 0x90, 0, 100), vexlo::host::makeMidiEvent(5, 0x90, 60, 100)});
        rig.process();
        EXPECT_EQ(rig.receivedByProbe(), (std::vector<int>{probeEvent(5 * factor, 0x90, 62)})) << factor;
    }
}

TEST(ManagerProcessing, TheHeldNoteTableAndAllNotesOff) {
    ManagerRig rig;
    rig.loadInstrument("probe-instrument");
    rig.send({note(60, 90, 3), note(64, 80), controller(7, 123), note(67, 0)});
    EXPECT_EQ(rig.manager->midiState().heldNote(60).channel, 3);
    EXPECT_EQ(rig.manager->midiState().heldNote(60).value, 90);
    EXPECT_EQ(rig.manager->midiState().heldNote(64).value, 80);
    EXPECT_EQ(rig.manager->midiState().heldNote(67).value, 0);
    EXPECT_EQ(rig.manager->midiState().controllerValue(7).value, 123);  // controller 7 with value 123 clears nothing
    rig.send({noteOff(64)});
    EXPECT_EQ(rig.manager->midiState().heldNote(64).value, 0);
    rig.send({controller(123, 0, 5)});
    EXPECT_EQ(rig.manager->midiState().heldNote(60).value, 0);
    EXPECT_EQ(rig.manager->midiState().controllerValue(7).value, 0);
}

TEST(ManagerProcessing, TheOversamplerRepeatsInputAndAverages) {
    ManagerRig rig(3);
    rig.loadInstrument("probe-instrument");
    AEffect* probe = rig.instrument();
    probe->setParameter(probe, 0, 1.0f);  // a constant 1.0 out
    rig.plugin->effect()->setParameter(rig.plugin->effect(), 0, 0.25f);  // factor 2
    probe = rig.instrument();  // started afresh at the new rate, with its parameter carried over
    rig.inLeft = {1.0f, 2.0f, 3.0f};
    rig.process(3);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ManagerRig::ask(probe, kAskInputSample, i), 1000 * (1 + i / 2)) << i;
    EXPECT_FLOAT_EQ(rig.left[0], 0.9f);
    EXPECT_FLOAT_EQ(rig.left[1], 1.2f);
    EXPECT_FLOAT_EQ(rig.right[2], 1.2f);
}

TEST(Resampler, RepeatsAndAveragesWithTheProductsGains) {
    float up[6];
    const float in[3] = {1, 2, 3};
    vexlo::manager::upsample(in, 3, 2, up);
    EXPECT_EQ(std::vector<float>(up, up + 6), (std::vector<float>{1, 1, 2, 2, 3, 3}));

    const std::pair<int, std::vector<float>> expected[] = {
        {2, {0.9f, 1.2f, 1.2f}}, {4, {0.875f, 1.05f, 1.05f}}, {6, {0.0f, 1.0666667f, 1.0666667f}}, {8, {0.0f, 1.125f, 1.125f}}};
    for (const auto& [factor, values] : expected) {
        std::vector<float> ones(static_cast<std::size_t>(3 * factor), 1.0f), out(3);
        float state = 0.0f;
        vexlo::manager::decimate(ones.data(), 3, factor, state, out.data());
        for (int k = factor <= 4 ? 0 : 1; k < 3; ++k) EXPECT_NEAR(out[k], values[k], 1e-6) << factor << " " << k;
    }
    // The state carries across blocks.
    std::vector<float> ones(4, 1.0f);
    float state = 0.0f, first, second;
    vexlo::manager::decimate(ones.data(), 1, 4, state, &first);
    vexlo::manager::decimate(ones.data(), 1, 4, state, &second);
    EXPECT_FLOAT_EQ(first, 0.875f);
    EXPECT_FLOAT_EQ(second, 1.05f);
}

TEST(ManagerProcessing, ABlockLongerThanPreparedIsSilentNotACrash) {
    ManagerRig rig(64);
    rig.loadInstrument("probe-instrument");
    AEffect* probe = rig.instrument();
    probe->setParameter(probe, 0, 0.5f);
    std::vector<float> big(5000, 0.3f), bigRight(5000, 0.3f), in(5000, 0.0f);
    float* outputs[2] = {big.data(), bigRight.data()};
    float* inputs[2] = {in.data(), in.data()};
    AEffect* e = rig.plugin->effect();
    e->processReplacing(e, inputs, outputs, 5000);
    EXPECT_EQ(big[4999], 0.0f);
    e->processReplacing(e, inputs, outputs, 2048);  // within what every block size prepares
    EXPECT_EQ(big[2047], 0.5f);
}

// ---- Processing while another thread changes the children ----

TEST(ManagerStress, LoadsSwapsAndUnloadsWhileProcessing) {
    ManagerRig rig(64);
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::thread audio([&] {
        std::vector<float> l(64), r(64), in(64, 0.0f);
        float* outputs[2] = {l.data(), r.data()};
        float* inputs[2] = {in.data(), in.data()};
        std::vector<VstMidiEvent> events;
        std::vector<char> storage;
        AEffect* e = rig.plugin->effect();
        int n = 0;
        while (!stop) {
            events = {vexlo::host::makeMidiEvent(n % 64, 0x90, 60 + n % 12, 100),
                      vexlo::host::makeMidiEvent(0, 0x80, 60 + (n + 6) % 12, 0)};
            e->dispatcher(e, effProcessEvents, 0, 0, vexlo::host::buildEventList(events, storage), 0.0f);
            e->processReplacing(e, inputs, outputs, 64);
            ++n;
            ++blocks;
        }
    });
    const std::string instruments[] = {pluginPath("probe-instrument"), pluginPath("test-synth"), pluginPath("test-mono")};
    const std::string midi = pluginPath("test-midi-fx");
    AEffect* e = rig.plugin->effect();
    for (int round = 0; round < 300; ++round) {
        rig.manager->loadInstrument(instruments[round % 3].c_str(), false, -1);
        rig.manager->loadMidiEffect(midi.c_str(), round % 4);
        if (round % 5 == 0) rig.manager->unloadMidiEffect((round + 2) % 4);
        if (round % 7 == 0) e->setParameter(e, 0, (round % 5) * 0.25f);
        if (round % 11 == 0) VstManager::setOversamplerBypass(round % 2 == 0);
    }
    VstManager::setOversamplerBypass(false);
    stop = true;
    audio.join();
    EXPECT_GT(blocks.load(), 0);
    EXPECT_NE(rig.instrument(), nullptr);
}

}  // namespace
