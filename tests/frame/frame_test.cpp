// The plug-in frame as a host sees it: through the exported entry of built libraries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/host.h"
#include "platform/platform.h"
#include "tests/plugins/frame_probe.h"
#include "tests/support/test_support.h"

using vexlo::host::HostCall;
using vexlo::host::HostContext;
using vexlo::host::Plugin;
using vexlo::test::loadPlugin;
using vexlo::test::pluginPath;

namespace {

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        probe = loadPlugin("frame-probe", context);
        ASSERT_TRUE(probe);
        probe->setRecordCalls(true);
    }

    VstIntPtr call(int service, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return probe->dispatch(effVendorSpecific, service, value, ptr, opt);
    }

    std::string text(int service, float value, VstInt32 maxLen = kVstMaxParamStrLen) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof(buffer));
        call(service, maxLen, buffer, value);
        return buffer;
    }

    std::vector<HostCall> callsWith(VstInt32 opcode) {
        std::vector<HostCall> found;
        for (const HostCall& c : probe->calls())
            if (c.opcode == opcode) found.push_back(c);
        return found;
    }

    HostContext context;
    std::unique_ptr<Plugin> probe;
};

// ---- The entry ----

struct EntryLog {
    static inline std::vector<std::vector<VstIntPtr>> calls;
    static inline VstIntPtr versionAnswer = 0;
    static VstIntPtr VEXLO_CDECL callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt) {
        calls.push_back({reinterpret_cast<VstIntPtr>(effect), opcode, index, value, reinterpret_cast<VstIntPtr>(ptr),
                         static_cast<VstIntPtr>(opt)});
        return opcode == audioMasterVersion ? versionAnswer : 0;
    }
};

using Entry = AEffect*(VEXLO_CDECL*)(audioMasterCallback);

TEST(FrameEntry, BothExportsAskTheHostVersionFirstAndRefuseAHostThatAnswersZero) {
    auto library = vexlo::platform::loadLibrary(pluginPath("frame-probe"));
    ASSERT_TRUE(library);
    for (const char* name : {"VSTPluginMain", "main"}) {
        auto entry = reinterpret_cast<Entry>(vexlo::platform::findSymbol(library, name));
        ASSERT_TRUE(entry) << name;

        EntryLog::calls.clear();
        EntryLog::versionAnswer = 0;
        EXPECT_EQ(entry(EntryLog::callback), nullptr) << name;
        ASSERT_EQ(EntryLog::calls.size(), 1u);
        EXPECT_EQ(EntryLog::calls[0], (std::vector<VstIntPtr>{0, audioMasterVersion, 0, 0, 0, 0}));

        EntryLog::versionAnswer = 2400;
        AEffect* effect = entry(EntryLog::callback);
        ASSERT_NE(effect, nullptr) << name;
        EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    }
    vexlo::platform::releaseLibrary(library);
}

// ---- The record ----

TEST_F(FrameTest, RecordHoldsTheFrameDefaults) {
    AEffect* e = probe->effect();
    EXPECT_EQ(std::memcmp(&e->magic, "PtsV", 4), 0);
    EXPECT_EQ(e->uniqueID, 0x4E6F4566);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numParams, 2);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsCanReplacing);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_NE(e->object, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_NE(e->process, nullptr);
    for (char byte : e->future) EXPECT_EQ(byte, 0);
}

TEST_F(FrameTest, IdentifyAnswersNvEfWhateverTheArguments) {
    EXPECT_EQ(probe->dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(probe->dispatch(effIdentify, 7, 99, probe.get(), 3.5f), 0x4E764566);
}

TEST_F(FrameTest, CloseAnswersOneAndDestroysTheEffect) {
    EXPECT_EQ(probe->close(), 1);
    auto gone = callsWith(audioMasterVendorSpecific);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].index, kProbeDestroyed);
    EXPECT_FALSE(probe->isOpen());
}

// ---- Base dispatcher ----

TEST_F(FrameTest, ProgramsAreStoredAndOutOfRangeProgramsIgnored) {
    EXPECT_EQ(probe->dispatch(effGetProgram), 0);
    probe->dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(probe->dispatch(effGetProgram), 3);
    probe->dispatch(effSetProgram, 0, 4);
    EXPECT_EQ(probe->dispatch(effGetProgram), 3);
    EXPECT_EQ(probe->programName(), "");
}

TEST_F(FrameTest, DefaultTextsAreEmptyAndChunksAbsent) {
    EXPECT_EQ(probe->parameterName(0), "");
    EXPECT_EQ(probe->parameterLabel(0), "");
    EXPECT_EQ(probe->parameterDisplay(0), "");
    void* data = probe.get();
    EXPECT_EQ(probe->dispatch(effGetChunk, 0, 0, &data), 0);
    char bytes[4] = {};
    EXPECT_EQ(probe->dispatch(effSetChunk, 0, 4, bytes), 0);
    EXPECT_EQ(probe->effect()->getParameter(probe->effect(), 0), 0.0f);
}

TEST_F(FrameTest, UnhandledOpcodesAnswerZero) {
    for (VstInt32 opcode : {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 81, 200})
        EXPECT_EQ(probe->dispatch(opcode, 1, 1, nullptr, 1.0f), 0) << opcode;
}

TEST_F(FrameTest, SampleRateAndBlockSizeAreStored) {
    EXPECT_EQ(call(kProbeSampleRate), 44100);
    EXPECT_EQ(call(kProbeBlockSize), 1024);
    probe->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    probe->dispatch(effSetBlockSize, 0, 256);
    EXPECT_EQ(call(kProbeSampleRate), 48000);
    EXPECT_EQ(call(kProbeBlockSize), 256);
}

TEST_F(FrameTest, ResumeAsksForEventsOnlyForSynths) {
    probe->dispatch(effMainsChanged, 0, 2);
    EXPECT_TRUE(callsWith(audioMasterWantMidi).empty());
    EXPECT_EQ(call(kProbeIsSynth, 1) & effFlagsIsSynth, effFlagsIsSynth);
    probe->dispatch(effMainsChanged, 0, 2);  // any non-zero value resumes
    auto wanted = callsWith(audioMasterWantMidi);
    ASSERT_EQ(wanted.size(), 1u);
    EXPECT_EQ(wanted[0].value, 1);
    probe->dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(callsWith(audioMasterWantMidi).size(), 1u);
}

// ---- Extended dispatcher ----

TEST_F(FrameTest, ExtendedDefaults) {
    EXPECT_EQ(probe->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(probe->dispatch(effCanBeAutomated, 0), 1);
    EXPECT_EQ(probe->dispatch(effString2Parameter, 0, 0, const_cast<char*>("1")), 0);
    EXPECT_EQ(probe->dispatch(effGetCurrentMidiProgram, 0), -1);
    EXPECT_EQ(probe->dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(probe->dispatch(effGetTailSize), 0);
    EXPECT_EQ(probe->dispatch(effGetNumMidiInputChannels), 0);
    EXPECT_EQ(probe->dispatch(effGetVendorVersion), 0);
    EXPECT_EQ(probe->canDo("receiveVstEvents"), 0);
    EXPECT_EQ(probe->effectName(), "");
    char name[32] = "x";
    EXPECT_EQ(probe->dispatch(effGetProgramNameIndexed, 0, 0, name), 0);
    EXPECT_EQ(probe->dispatch(effGetOutputProperties, 0, 0, name), 0);
    EXPECT_EQ(probe->dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(probe->dispatch(effOfflineRun), 0);

    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(probe->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(FrameTest, PlugCategoryFollowsTheSynthFlag) {
    EXPECT_EQ(probe->dispatch(effGetPlugCategory), kPlugCategUnknown);
    call(kProbeIsSynth, 1);
    EXPECT_EQ(probe->dispatch(effGetPlugCategory), kPlugCategSynth);
}

TEST_F(FrameTest, EditorOpcodesWithoutAndWithAnEditor) {
    ERect* rect = reinterpret_cast<ERect*>(probe.get());
    EXPECT_EQ(probe->dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(probe.get()));  // nothing was asked
    EXPECT_EQ(probe->dispatch(effEditOpen, 0, 0, probe.get()), 0);
    EXPECT_EQ(probe->dispatch(effEditKeyDown, 'a', 0, nullptr, 1.0f), 0);
    EXPECT_EQ(probe->dispatch(effSetEditKnobMode, 0, 2), 0);

    EXPECT_EQ(call(kProbeAttachEditor, 1) & effFlagsHasEditor, effFlagsHasEditor);
    EXPECT_EQ(probe->dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);  // the base editor stores null
    EXPECT_EQ(probe->dispatch(effEditOpen, 0, 0, probe.get()), 0);
    EXPECT_EQ(probe->dispatch(effEditKeyDown, 'a'), 0);
    EXPECT_EQ(call(kProbeAttachEditor, 0) & effFlagsHasEditor, 0);
}

TEST(FrameEditor, AnEditorAnswersRectOpenAndKeys) {
    HostContext context;
    auto synth = loadPlugin("test-synth", context);
    ASSERT_TRUE(synth);
    EXPECT_TRUE(synth->effect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_EQ(synth->dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 200);
    EXPECT_EQ(rect->bottom - rect->top, 100);
    int window = 0;
    EXPECT_EQ(synth->dispatch(effEditOpen, 0, 0, &window), 1);
    EXPECT_EQ(synth->dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 1);
    EXPECT_EQ(synth->dispatch(effEditKeyDown, 'b', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(synth->dispatch(effEditClose), 0);
    EXPECT_EQ(synth->dispatch(effEditIdle), 0);
}

// ---- Host services ----

TEST_F(FrameTest, CanHostDoFoldsAnyNonZeroAnswerToOne) {
    char known[] = "sendVstEvents";
    char unknown[] = "teleport";
    EXPECT_EQ(call(kProbeCanHostDo, 0, known), 1);
    EXPECT_EQ(call(kProbeCanHostDo, 0, unknown), 0);
    auto asked = callsWith(audioMasterCanDo);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "sendVstEvents");
    probe->overrideAnswer(audioMasterCanDo, -1);
    EXPECT_EQ(call(kProbeCanHostDo, 0, unknown), 1);
}

TEST_F(FrameTest, UpdateSampleRateAndBlockSizeAskTheHostAndKeepOldValuesOnZero) {
    context.setSampleRate(48000.0);
    context.setBlockSize(333);
    EXPECT_EQ(call(kProbeUpdateSampleRate), 48000);
    EXPECT_EQ(call(kProbeSampleRate), 48000);
    EXPECT_EQ(call(kProbeUpdateBlockSize), 333);
    EXPECT_EQ(call(kProbeBlockSize), 333);

    probe->overrideAnswer(audioMasterGetSampleRate, 0);
    probe->overrideAnswer(audioMasterGetBlockSize, 0);
    EXPECT_EQ(call(kProbeUpdateSampleRate), 48000);
    EXPECT_EQ(call(kProbeUpdateBlockSize), 333);
}

TEST_F(FrameTest, SetParameterAutomatedTellsTheHostWithTheValueInOpt) {
    call(kProbeSetParameterAutomated, 1, nullptr, 0.25f);
    auto automated = callsWith(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, 1);
    EXPECT_EQ(automated[0].value, 0);
    EXPECT_EQ(automated[0].opt, 0.25f);
}

TEST_F(FrameTest, SendVstEventsToHostIsTrueOnlyForAnAnswerOfOne) {
    std::vector<VstMidiEvent> events{vexlo::host::makeMidiEvent(5, 0x90, 60, 100)};
    std::vector<char> storage;
    VstEvents* list = vexlo::host::buildEventList(events, storage);
    EXPECT_EQ(call(kProbeSendEvents, 0, list), 1);
    ASSERT_EQ(probe->emittedEvents().size(), 1u);
    EXPECT_EQ(probe->emittedEvents()[0].deltaFrames, 5);
    EXPECT_EQ(probe->emittedEvents()[0].midiData[1], 60);
    probe->overrideAnswer(audioMasterProcessEvents, 2);
    EXPECT_EQ(call(kProbeSendEvents, 0, list), 0);
}

TEST_F(FrameTest, TimeInfoIsTheHostsRecord) {
    EXPECT_EQ(call(kProbeTimeInfo, kVstTempoValid), reinterpret_cast<VstIntPtr>(context.timeInfo()));
    context.setTimeInfoAvailable(false);
    EXPECT_EQ(call(kProbeTimeInfo, kVstTempoValid), 0);
}

TEST_F(FrameTest, MasterVersionIsOneWhenTheHostAnswersZero) {
    EXPECT_EQ(call(kProbeMasterVersion), 2400);
    probe->overrideAnswer(audioMasterVersion, 0);
    EXPECT_EQ(call(kProbeMasterVersion), 1);
}

TEST_F(FrameTest, PinsCountAsConnectedWhenTheHostAnswersZero) {
    EXPECT_EQ(call(kProbeInputConnected, 0), 1);
    probe->overrideAnswer(audioMasterPinConnected, 1);
    EXPECT_EQ(call(kProbeInputConnected, 0), 0);
}

TEST_F(FrameTest, EditsAndHostStringsReachTheHost) {
    EXPECT_EQ(call(kProbeBeginEdit, 7), 1);
    auto edits = callsWith(audioMasterBeginEdit);
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].index, 7);
    char vendor[64] = {};
    EXPECT_EQ(call(kProbeHostVendor, 0, vendor), 1);
    EXPECT_STREQ(vendor, "Vexloworks");
}

TEST_F(FrameTest, SpeakerArrangementsCopyEverySpeaker) {
    EXPECT_EQ(call(kProbeSpeakers, 0), 1);
    EXPECT_EQ(call(kProbeSpeakers, 2), 1);
    EXPECT_EQ(call(kProbeSpeakers, 12), 1);  // longer than the eight declared slots
}

// ---- Text helpers ----

TEST_F(FrameTest, Float2StringUsesEightCharacters) {
    EXPECT_EQ(text(kProbeFloat2String, 123.456f), "123.4560");
    EXPECT_EQ(text(kProbeFloat2String, -5.0f), "-5.00000");
    EXPECT_EQ(text(kProbeFloat2String, 0.0f), "0.000000");
    EXPECT_EQ(text(kProbeFloat2String, 0.5f), "0.500000");
    EXPECT_EQ(text(kProbeFloat2String, 1234567.0f), "1234567.");
    EXPECT_EQ(text(kProbeFloat2String, 12345678.0f), "12345678");  // all digits kept, point cut by the limit
    EXPECT_EQ(text(kProbeFloat2String, -9999999.0f), "-9999999");
    EXPECT_EQ(text(kProbeFloat2String, 100000000.0f), "Huge!");
    EXPECT_EQ(text(kProbeFloat2String, -10000000.0f), "Huge!");
    EXPECT_EQ(text(kProbeFloat2String, 123.456f, 4), "123.");
}

TEST_F(FrameTest, Int2StringAndFriends) {
    EXPECT_EQ(text(kProbeInt2String, 0.0f), "0");
    EXPECT_EQ(text(kProbeInt2String, -42.0f), "-42");
    EXPECT_EQ(text(kProbeInt2String, 9999999.0f), "9999999");
    EXPECT_EQ(text(kProbeInt2String, 100000000.0f), "Huge!");
    EXPECT_EQ(text(kProbeDb2String, 0.0f), "-oo");
    EXPECT_EQ(text(kProbeDb2String, -1.0f), "-oo");
    EXPECT_EQ(text(kProbeDb2String, 1.0f), "0.000000");
    EXPECT_EQ(text(kProbeDb2String, 10.0f), "20.00000");
    EXPECT_EQ(text(kProbeHz2String, 0.0f), "0.000000");
    EXPECT_EQ(text(kProbeHz2String, 100.0f), "441.0000");
    EXPECT_EQ(text(kProbeMs2String, 441.0f), "10.00000");
}

}  // namespace
