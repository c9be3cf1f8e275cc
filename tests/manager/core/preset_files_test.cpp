// Vexlo VM's preset, bank and link files with real files in a temporary folder and our test
// instruments, every message and dialog answered by script.
#include <gtest/gtest.h>

#include <limits>

#include <fstream>
#include <iterator>

#include "hosting/preset_file.h"
#include "tests/support/manager_rig.h"
#include "tests/support/midi_rig.h"
#include "tests/support/test_plugin_ids.h"

using namespace vexlo::test;
using namespace vexlo::files;

namespace {

class StatusLog : public vexlo::manager::ManagerObserver {
public:
    void instrumentChanged(AEffect*) override {}
    void midiSlotChanged(int, AEffect*, const std::string&) override {}
    void statusChanged(const std::string& text) override { texts.push_back(text); }
    void scanProgress(const vexlo::library::ScanStep&) override {}
    std::vector<std::string> texts;
};

struct PresetRig : ManagerRig {
    PresetRig() { manager->setObserver(&status); }
    ~PresetRig() { manager->setObserver(nullptr); }
    std::string file(const std::string& name) const { return folder.path() + vexlo::platform::pathSeparator() + name; }
    void write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream(file(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void writeText(const std::string& name, const std::string& text) const { std::ofstream(file(name), std::ios::binary) << text; }
    std::vector<unsigned char> read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string& name) const { return std::ifstream(file(name)).good(); }
    AEffect* child() { return instrument(); }
    float parameter(int index) { return child()->getParameter(child(), index); }
    std::string programName() {
        char name[256] = {};
        child()->dispatcher(child(), effGetProgramName, 0, 0, name, 0.0f);
        return name;
    }
    VstIntPtr program() { return child()->dispatcher(child(), effGetProgram, 0, 0, nullptr, 0.0f); }
    std::vector<std::string> reports() const {
        std::vector<std::string> found;
        for (const auto& m : script.messages)
            if (m.kind == "report") found.push_back(m.text + " | " + m.caption);
        return found;
    }
    StatusLog status;
};


PresetFile values(VstInt32 id, int count, float value, const std::string& name) {
    PresetFile file;
    file.magic = PresetMagic::programParameters;
    file.pluginId = id;
    file.name = name;
    file.parameters.assign(static_cast<std::size_t>(count), value);
    return file;
}

}  // namespace

TEST(PresetFiles, AProgramSavedAndLoadedBackThroughTheDialogs) {
    PresetRig rig;
    rig.loadInstrument("test-dump");
    for (int i = 0; i < 10; ++i) rig.child()->setParameter(rig.child(), i, static_cast<float>(i) / 20.0f);
    rig.script.files.push_back(rig.file("Low Bass.fxp"));
    ASSERT_TRUE(rig.manager->saveProgram(true));
    ASSERT_EQ(rig.script.fileRequests.size(), 1u);
    EXPECT_TRUE(rig.script.fileRequests[0].save);
    EXPECT_EQ(rig.script.fileRequests[0].title, "Program #0 - Select Filename");
    EXPECT_EQ(rig.script.fileRequests[0].typeName, "FXP Preset");
    EXPECT_EQ(rig.script.fileRequests[0].proposedName, "Program 0");
    const auto bytes = rig.read("Low Bass.fxp");
    ASSERT_EQ(bytes.size(), 96u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "FxCk");
    EXPECT_EQ(rig.manager->currentPresetPath(), rig.file("Low Bass.fxp"));

    for (int i = 0; i < 10; ++i) rig.child()->setParameter(rig.child(), i, 0.9f);
    rig.script.files.push_back(rig.file("Low Bass.fxp"));
    rig.manager->loadPresetOrBank(false, nullptr);
    EXPECT_EQ(rig.script.fileRequests.back().title, "Select the Bank/Preset file");
    EXPECT_FALSE(rig.script.fileRequests.back().save);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(rig.parameter(i), static_cast<float>(i) / 20.0f);
    EXPECT_EQ(rig.programName(), "Program 0");  // a dialog load keeps the file's name
    EXPECT_EQ(rig.program(), 0);
    EXPECT_EQ(rig.status.texts.back(), "VST: test-dump - Low Bass");
    EXPECT_TRUE(rig.reports().empty());
}

TEST(PresetFiles, APresetLandsInProgramZeroAndABrowserLoadNamesItAfterTheFile) {
    PresetRig rig;
    rig.loadInstrument("test-dump");
    rig.plugin->dispatch(effSetProgram, 0, 7);
    rig.write("Warm.fxp", encodePresetFile(values(kDumpId, 10, 0.25f, "In the file")));
    rig.manager->loadPresetOrBank(false, rig.file("Warm.fxp").c_str());
    EXPECT_EQ(rig.program(), 0);
    EXPECT_EQ(rig.parameter(9), 0.25f);
    EXPECT_EQ(rig.programName(), "Warm");
    EXPECT_TRUE(rig.script.fileRequests.empty());
}

TEST(PresetFiles, ABankOf128ProgramsEndsOnTheManagersProgramAndALinkIntoItOnItsOwn) {
    PresetRig rig;
    rig.loadInstrument("test-dump");
    PresetFile bank;
    bank.magic = PresetMagic::bankPrograms;
    bank.pluginId = kDumpId;
    for (int p = 0; p < 128; ++p)
        bank.programs.push_back({"Sound " + std::to_string(p), std::vector<float>(10, static_cast<float>(p) / 128.0f)});
    rig.write("All.fxb", encodePresetFile(bank));
    ASSERT_EQ(rig.read("All.fxb").size(), 156u + 128u * 96u);
    rig.plugin->dispatch(effSetProgram, 0, 3);
    rig.manager->loadPresetOrBank(true, rig.file("All.fxb").c_str());
    EXPECT_EQ(rig.program(), 3);
    // Every record applied: the names of programs far into the bank.
    char name[64] = {};
    rig.child()->dispatcher(rig.child(), effGetProgramNameIndexed, 100, 0, name, 0.0f);
    EXPECT_STREQ(name, "Sound 100");

    // A link written for program 5 of that bank, and loaded: the bank, ending on program 5.
    rig.writeText("Five.fxplnk", encodePresetLink({"All.fxb", kDumpId, 5}));
    rig.manager->loadPresetOrBank(false, rig.file("Five.fxplnk").c_str());
    EXPECT_EQ(rig.program(), 5);
    EXPECT_EQ(rig.manager->currentPresetPath(), rig.file("Five.fxplnk"));
    EXPECT_EQ(rig.programName(), "Five");
    // A link to a preset: the FXPs folder and its first line.
    rig.write("Bass.fxp", encodePresetFile(values(kDumpId, 10, 0.5f, "Bass")));
    rig.writeText("To bass.fxplnk", encodePresetLink({"Bass.fxp", kDumpId, {}}));
    rig.manager->loadPresetOrBank(false, rig.file("To bass.fxplnk").c_str());
    EXPECT_EQ(rig.parameter(0), 0.5f);
    EXPECT_TRUE(rig.reports().empty());
}

TEST(PresetFiles, AFileForAnotherInstrumentLoadsThatInstrumentFirst) {
    PresetRig rig;
    rig.loadInstrument("test-dump");
    rig.manager->loadInstrument(pluginPath("test-synth").c_str(), false, -1);  // now in the database
    rig.loadInstrument("test-dump");
    rig.write("Synth.fxp", encodePresetFile(values(kSynthId, 3, 0.75f, "Bright")));
    rig.manager->loadPresetOrBank(false, rig.file("Synth.fxp").c_str());
    ASSERT_EQ(rig.child()->uniqueID, kSynthId);
    EXPECT_EQ(rig.parameter(2), 0.75f);
    // One nobody knows: the person is asked for the library before anything is applied. Cancelled:
    // the synth plays on and is not given the other instrument's values.
    rig.write("Unknown.fxp", encodePresetFile(values(0x12345678, 3, 0.1f, "?")));
    rig.manager->loadPresetOrBank(false, rig.file("Unknown.fxp").c_str());
    EXPECT_EQ(rig.script.fileRequests.back().title, "Select the VSTi to Load");
    ASSERT_NE(rig.child(), nullptr);
    EXPECT_EQ(rig.child()->uniqueID, kSynthId);
    EXPECT_EQ(rig.parameter(2), 0.75f);
    // Chosen: the library is loaded, recorded for the file's ID after the question, and given the file.
    rig.script.files.push_back(pluginPath("test-mono"));
    rig.script.answers.push_back(true);
    rig.manager->loadPresetOrBank(false, rig.file("Unknown.fxp").c_str());
    ASSERT_NE(rig.child(), nullptr);
    EXPECT_EQ(rig.child()->uniqueID, 0x56744D6F);
    EXPECT_EQ(rig.parameter(1), 0.1f);
    EXPECT_EQ(rig.databaseEntry(0x12345678), pluginPath("test-mono"));
}

TEST(PresetFiles, NotesHeldDuringALoadSoundAgain) {
    PresetRig rig;
    rig.loadInstrument("probe-instrument");
    rig.send({note(62, 80, 2)});
    const VstInt32 probe = rig.child()->uniqueID;
    rig.write("P.fxp", encodePresetFile(values(probe, 4, 0.5f, "P")));
    const auto before = rig.receivedByProbe().size();
    rig.manager->loadPresetOrBank(false, rig.file("P.fxp").c_str());
    const auto received = rig.receivedByProbe();
    ASSERT_EQ(received.size(), before + 1);
    EXPECT_EQ(received.back(), probeEvent(0, 0x92, 62));
}

TEST(PresetFiles, DamagedFilesAreRefusedAndChangeNothing) {
    PresetRig rig;
    rig.loadInstrument("test-synth");
    rig.child()->setParameter(rig.child(), 1, 0.125f);
    const auto before = rig.chunk();
    PresetFile chunk;
    chunk.magic = PresetMagic::programChunk;
    chunk.pluginId = kSynthId;
    chunk.chunk.assign(44, 0x11);
    const auto whole = encodePresetFile(chunk);
    for (std::size_t size = 0; size < whole.size(); size += 3) {
        rig.write("Cut.fxp", std::vector<unsigned char>(whole.begin(), whole.begin() + static_cast<long>(size)));
        rig.manager->loadPresetOrBank(false, rig.file("Cut.fxp").c_str());
    }
    EXPECT_EQ(rig.chunk(), before);
    const auto reports = rig.reports();
    ASSERT_EQ(reports.size(), (whole.size() + 2) / 3);
    EXPECT_EQ(reports[0], "Couldn't read the file! | " + rig.file("Cut.fxp"));
    auto foreign = whole;
    foreign[8] = 'X';
    rig.write("Odd.fxp", foreign);
    rig.manager->loadPresetOrBank(false, rig.file("Odd.fxp").c_str());
    EXPECT_EQ(rig.reports().back(), "Unsuported file, contact support! | Error!");
    rig.writeText("Bad.fxplnk", "only one line");
    rig.manager->loadPresetOrBank(false, rig.file("Bad.fxplnk").c_str());
    EXPECT_EQ(rig.reports().back(), "Couldn't read the file! | " + rig.file("Bad.fxplnk"));
    rig.manager->loadPresetOrBank(false, rig.file("Missing.fxp").c_str());
    EXPECT_EQ(rig.reports().back(), "Couldn't read the file! | " + rig.file("Missing.fxp"));
    // Values no plug-in gives: the instrument would play them as noise.
    PresetFile values;
    values.pluginId = kSynthId;
    values.parameters = {0.5f, std::numeric_limits<float>::quiet_NaN(), 0.5f};
    rig.write("NaN.fxp", encodePresetFile(values));
    rig.manager->loadPresetOrBank(false, rig.file("NaN.fxp").c_str());
    EXPECT_EQ(rig.reports().back(), "Couldn't read the file! | " + rig.file("NaN.fxp"));
    EXPECT_EQ(rig.chunk(), before);
}

TEST(PresetFiles, ExtractingThreeProgramsAskedOnlyForTheFirstName) {
    PresetRig rig;
    rig.loadInstrument("test-rate-at-open");  // 3 programs, no chunks
    rig.script.files.push_back(rig.file("First.fxp"));
    rig.script.answers.push_back(false);  // Continue asking filenames? No
    rig.manager->extractPrograms();
    EXPECT_EQ(rig.script.fileRequests.size(), 1u);
    EXPECT_TRUE(rig.exists("First.fxp"));
    EXPECT_TRUE(rig.exists("Program 1.fxp"));
    EXPECT_TRUE(rig.exists("Program 2.fxp"));
    EXPECT_EQ(rig.status.texts, (std::vector<std::string>{"0/3", "1/3", "2/3", ""}));
    bool asked = false;
    for (const auto& m : rig.script.messages) asked = asked || (m.kind == "ask" && m.text == "Continue asking filenames?" && m.caption == "Question");
    EXPECT_TRUE(asked);
    // A program named A/B:C proposes A B C.
    char name[] = "A/B:C";
    rig.child()->dispatcher(rig.child(), effSetProgramName, 0, 0, name, 0.0f);
    rig.manager->saveProgram(true);
    EXPECT_EQ(rig.script.fileRequests.back().proposedName, "A B C");
}

// The 64-bit Windows build, with the 32-bit build's test instrument in the 32-bit bridge: its
// programs come out as files of their own through the other process as they do in process.
TEST(PresetFiles, TheBridged32BitInstrumentsProgramsAreExtractedAsInProcess) {
#ifndef VEXLO_WIN32_TEST_SYNTH
    GTEST_SKIP() << "only the 64-bit Windows build hosts the 32-bit build's instrument";
#else
    const char* const names[] = {"First.fxp", "Program 1.fxp", "Program 2.fxp", "Program 3.fxp"};
    struct Extract {
        std::vector<std::vector<unsigned char>> files;
        VstIntPtr program = -1;
    };
    // One rig at a time: the person's answers are the process's.
    auto extract = [&](const std::string& library) {
        PresetRig rig;
        Extract result;
        rig.manager->loadInstrument(library.c_str(), false, -1);
        EXPECT_NE(rig.child(), nullptr) << library;
        if (!rig.child()) return result;
        rig.child()->setParameter(rig.child(), 0, 0.25f);
        rig.script.files.push_back(rig.file("First.fxp"));
        rig.script.answers.push_back(false);  // Continue asking filenames? No
        rig.manager->extractPrograms();
        for (const char* name : names) result.files.push_back(rig.read(name));
        result.program = rig.program();
        return result;
    };
    const Extract bridged = extract(VEXLO_WIN32_TEST_SYNTH), here = extract(pluginPath("test-synth"));
    ASSERT_EQ(bridged.files.size(), 4u);
    ASSERT_EQ(here.files.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto decoded = decodePresetFile(bridged.files[i].data(), bridged.files[i].size());
        ASSERT_TRUE(decoded) << names[i] << ": " << decoded.refusal;
        EXPECT_EQ(decoded.value->magic, PresetMagic::programChunk) << names[i];
        EXPECT_EQ(bridged.files[i], here.files[i]) << names[i];
    }
    EXPECT_EQ(bridged.program, here.program);
#endif
}

TEST(PresetFiles, ABankAndItsLinksAreWrittenEvenWhenTheBankIsNotReplaced) {
    PresetRig rig;
    rig.loadInstrument("test-mono");  // no chunks
    rig.manager->saveBankAndLinks();
    EXPECT_EQ(rig.reports().back(), "VST doesn't save Bank of Chunks.\nUse the FXP Extract option instead! | Error!");
    rig.manager->linkProgram();
    EXPECT_EQ(rig.reports().back(), "Load/Save a FXP file first! | Error!");

    rig.loadInstrument("test-synth");  // chunks, 4 programs
    rig.write("Pads.fxb", {1, 2, 3});
    rig.script.files = {rig.file("Pads.fxb"), rig.file("Link 0.fxplnk")};
    rig.script.answers = {false, false};  // do not replace the bank; stop asking for names
    rig.manager->saveBankAndLinks();
    EXPECT_EQ(rig.script.fileRequests[0].title, "Select FXB Filename");
    EXPECT_EQ(rig.script.fileRequests[0].proposedName, "test-synth");
    EXPECT_EQ(rig.read("Pads.fxb"), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(rig.script.fileRequests[1].typeName, "FXB Link Preset");
    auto text = rig.read("Program 3.fxplnk");
    auto link = decodePresetLink(text.data(), text.size());
    ASSERT_TRUE(link) << link.refusal;
    EXPECT_EQ(link.value->target, "Pads.fxb");
    EXPECT_EQ(link.value->pluginId, kSynthId);
    EXPECT_EQ(link.value->program, 3);
    EXPECT_TRUE(rig.exists("Link 0.fxplnk"));

    // Replaced this time: an FXB of the synth's bank chunk.
    rig.script.files = {rig.file("Pads.fxb")};
    rig.script.answers = {true};
    rig.manager->saveBankAndLinks();
    const auto bank = rig.read("Pads.fxb");
    auto decoded = decodePresetFile(bank.data(), bank.size());
    ASSERT_TRUE(decoded) << decoded.refusal;
    EXPECT_EQ(decoded.value->magic, PresetMagic::bankChunk);

    // A link to the last preset saved.
    rig.script.files = {rig.file("Saved.fxp"), rig.file("To saved.fxplnk")};
    rig.manager->saveProgram(true);
    rig.manager->linkProgram();
    EXPECT_EQ(rig.script.fileRequests.back().proposedName, "Link Saved");
    // Written in text mode: "\r\n" on Windows, "\n" elsewhere; no line end after the last line.
    text = rig.read("To saved.fxplnk");
    std::string written(text.begin(), text.end());
    const auto crlf = written.find("\r\n");
    if (crlf != std::string::npos) written.erase(crlf, 1);
    EXPECT_EQ(written, "Saved.fxp\n" + std::to_string(kSynthId));
}
