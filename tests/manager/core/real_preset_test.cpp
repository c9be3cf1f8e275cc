// Linux only: programs and banks of Debian's instruments saved, the instrument changed, and the
// file loaded back: the state is the saved one. (That the sound is too, in a fresh process, is
// tests/host/preset_round_trip.sh's part.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "host/host.h"
#include "hosting/preset_transfer.h"
#include "tests/support/loaded_plugin.h"
#include "tests/support/manager_rig.h"

using namespace vexlo;

namespace {

struct Instrument : test::LoadedPlugin {
    using LoadedPlugin::LoadedPlugin;
    std::vector<unsigned char> state() {
        if (child().hasFlag(effFlagsProgramChunks)) {
            const auto bytes = child().getChunk(0);
            return std::vector<unsigned char>(bytes.data, bytes.data + bytes.size);
        }
        std::vector<unsigned char> values;
        for (int i = 0; i < child().numParams(); ++i) {
            const float v = child().getParameter(i);
            const auto* b = reinterpret_cast<const unsigned char*>(&v);
            values.insert(values.end(), b, b + 4);
        }
        return values;
    }
};

files::PresetFile throughBytes(const files::PresetFile& file) {
    const auto bytes = files::encodePresetFile(file);
    auto back = files::decodePresetFile(bytes.data(), bytes.size());
    EXPECT_TRUE(back) << back.refusal;
    return *back.value;
}

// Saves the program (or the bank), moves a parameter away, loads the file back.
void roundTrip(const char* path, bool bank) {
    Instrument instrument(path);
    if (!instrument.plugin) return;
    hosting::HostedChild& child = instrument.child();
    if (child.hasFlag(effFlagsProgramChunks)) {
        // Some instruments rewrite their chunk once on the first round trip; start from there.
        auto first = throughBytes(hosting::capturePreset(child, true));
        ASSERT_TRUE(hosting::applyPreset(child, first, nullptr));
    }
    child.setParameter(0, 0.4f);
    const auto saved = instrument.state();
    const files::PresetFile file = throughBytes(hosting::capturePreset(child, bank));
    if (child.hasFlag(effFlagsProgramChunks)) {
        const auto bytes = child.getChunk(bank ? 0 : 1);
        const std::vector<unsigned char> now(bytes.data, bytes.data + bytes.size);
        EXPECT_EQ(file.chunk.size(), now.size()) << path << (bank ? " bank" : " program");
        std::size_t at = 0;
        while (at < now.size() && at < file.chunk.size() && now[at] == file.chunk[at]) ++at;
        EXPECT_EQ(at, now.size()) << path << (bank ? " bank" : " program") << " differs from byte " << at << ": "
                                  << std::string(now.begin() + static_cast<long>(at), now.begin() + static_cast<long>(std::min(now.size(), at + 60)))
                                  << " | " << std::string(file.chunk.begin() + static_cast<long>(std::min(at, file.chunk.size())), file.chunk.begin() + static_cast<long>(std::min(file.chunk.size(), at + 60)));
    }
    child.setParameter(0, 0.9f);
    ASSERT_NE(instrument.state(), saved) << path;
    std::string error;
    ASSERT_TRUE(hosting::applyPreset(child, file, &error)) << error;
    EXPECT_EQ(instrument.state(), saved) << path << (bank ? " bank" : " program");
}

// ZynAddSubFX's own threads race with each other when it closes; ThreadSanitizer runs leave it
// out (VEXLO_WITHOUT_ZYN), as they would report its races, not ours.
std::vector<const char*> realInstruments() {
    std::vector<const char*> paths = {"/usr/lib/vst/Kars-vst.so", "/usr/lib/vst/amsynth_vst.so"};
    if (!std::getenv("VEXLO_WITHOUT_ZYN")) paths.push_back("/usr/lib/vst/ZynAddSubFX.so");
    return paths;
}

TEST(RealPresets, KarsAmsynthAndZynAddSubFXGetBackWhatTheySaved) {
    for (const char* path : realInstruments())
        for (bool bank : {false, true}) roundTrip(path, bank);
}

}  // namespace

// Through Vexlo VM: a program saved with "Save FXP", the sound changed, the file loaded back.
TEST(RealPresets, VexloVmSavesAndLoadsBackTheProgramsOfRealInstruments) {
    for (const char* path : realInstruments()) {
        test::ManagerRig rig(256);
        rig.manager->loadInstrument(path, false, -1);
        AEffect* synth = rig.instrument();
        ASSERT_NE(synth, nullptr) << path;
        auto state = [&] {
            AEffect* e = rig.instrument();
            if (e->flags & effFlagsProgramChunks) {
                void* data = nullptr;
                const VstIntPtr size = e->dispatcher(e, effGetChunk, 1, 0, &data, 0.0f);
                return std::vector<unsigned char>(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
            }
            std::vector<unsigned char> values;
            for (VstInt32 i = 0; i < e->numParams; ++i) {
                const float v = e->getParameter(e, i);
                values.insert(values.end(), reinterpret_cast<const unsigned char*>(&v), reinterpret_cast<const unsigned char*>(&v) + 4);
            }
            return values;
        };
        synth->setParameter(synth, 0, 0.4f);
        rig.script.files.push_back(rig.folder.path() + "/Saved.fxp");
        ASSERT_TRUE(rig.manager->saveProgram(true));
        // Some instruments rewrite their chunk once on the first round trip: load once, then compare.
        rig.manager->loadPresetOrBank(false, (rig.folder.path() + "/Saved.fxp").c_str());
        rig.script.files.push_back(rig.folder.path() + "/Saved.fxp");
        rig.script.answers.push_back(true);  // replace it
        ASSERT_TRUE(rig.manager->saveProgram(true));
        const auto saved = state();
        rig.instrument()->setParameter(rig.instrument(), 0, 0.9f);
        ASSERT_NE(state(), saved) << path;
        rig.script.files.push_back(rig.folder.path() + "/Saved.fxp");
        rig.manager->loadPresetOrBank(false, nullptr);
        EXPECT_EQ(state(), saved) << path;
        EXPECT_TRUE(rig.script.messages.size() >= 3);
        for (const auto& m : rig.script.messages) EXPECT_NE(m.kind, "report") << m.text << " | " << m.caption;
    }
}

// amsynth reloads a program from its own bank whenever it is told one, even the one it is on: a
// preset loaded into it must not be followed by that, or the file's sound is lost.
TEST(RealPresets, AnFxpLoadedIntoAmsynthKeepsItsSoundThroughTheLoadAndTheNextSave) {
    const char* amsynth = "/usr/lib/vst/amsynth_vst.so";
    constexpr VstInt32 kAmpDecay = 1;
    test::ManagerRig saver(256);
    saver.manager->loadInstrument(amsynth, false, -1);
    ASSERT_NE(saver.instrument(), nullptr);
    saver.instrument()->setParameter(saver.instrument(), kAmpDecay, 0.3f);
    const float saved = saver.instrument()->getParameter(saver.instrument(), kAmpDecay);
    const std::string file = saver.folder.path() + "/Decay.fxp";
    saver.script.files.push_back(file);
    ASSERT_TRUE(saver.manager->saveProgram(true));

    test::ManagerRig loader(256);
    loader.manager->loadInstrument(amsynth, false, -1);
    ASSERT_NE(loader.instrument(), nullptr);
    loader.manager->loadPresetOrBank(false, file.c_str());
    EXPECT_FLOAT_EQ(loader.instrument()->getParameter(loader.instrument(), kAmpDecay), saved);

    test::ManagerRig song(256, loader.folder.path());
    ASSERT_EQ(song.restore(loader.chunk()), 1);
    ASSERT_NE(song.instrument(), nullptr);
    EXPECT_FLOAT_EQ(song.instrument()->getParameter(song.instrument(), kAmpDecay), saved);
}
