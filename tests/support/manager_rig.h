// Vexlo VM's host core, linked into the test program and driven through its record like a host
// drives it, with its settings in a store of its own and scripted answers for the person.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "host/host.h"
#include "manager/core/vst_manager.h"
#include "platform/platform.h"
#include "platform/user_services.h"
#include "tests/plugins/probe_instrument.h"
#include "tests/support/test_support.h"

namespace vexlo::test {

using manager::VstManager;

// Opens the gate to the tests.
class TestManager : public VstManager {
public:
    using VstManager::VstManager;
    vexlo::manager::AudioGate& testGate() { return gate; }
};

class ManagerRig {
public:
    // settingsFolder: where the settings and the scan database live; a fresh folder by default,
    // or another rig's folder so that two instances share them (as two in one host do).
    explicit ManagerRig(int blockSize = 64, const std::string& settingsFolder = "")
        : store(joinPath(settingsFolder.empty() ? folder.path() : settingsFolder, "Vexlo VM.vIni")),
          context(44100.0, blockSize, 120.0),
          blockSize(blockSize) {
        const std::string sep(1, platform::pathSeparator());
        for (const char* key : {"VST Directory", "FXPs Directory", "FXBs Directory", "MIDI VSTs Directory"})
            if (!store.read(key)) store.write(key, folder.path() + sep, true);
        pendingStore() = &store;
        std::string error;
        plugin = host::Plugin::create(
            "Vexlo VM", [](audioMasterCallback master) { return (new TestManager(master, *pendingStore()))->getAeffect(); },
            context, &error);
        EXPECT_TRUE(plugin) << error;
        manager = static_cast<TestManager*>(plugin->effect()->object);
        plugin->start();
        left.assign(static_cast<std::size_t>(blockSize) * 4, 0.0f);
        right = left;
        inLeft = left;
        inRight = left;
    }

    void loadInstrument(const std::string& name) { manager->loadInstrument(pluginPath(name).c_str(), false, -1); }
    void loadMidi(const std::string& name, int slot) { manager->loadMidiEffect(pluginPath(name).c_str(), slot); }

    // One block of `frames` through the record's processReplacing.
    void process(int frames = -1) {
        if (frames < 0) frames = blockSize;
        float* outputs[2] = {left.data(), right.data()};
        float* inputs[2] = {inLeft.data(), inRight.data()};
        AEffect* e = plugin->effect();
        e->processReplacing(e, inputs, outputs, frames);
        context.advance(frames);
    }

    VstIntPtr send(std::vector<host::MidiEvent> events) {
        sent = std::move(events);
        return plugin->processEvents(host::buildEventList(sent, storage));
    }

    AEffect* instrument() { return manager->getInstrument(); }
    static VstIntPtr ask(AEffect* child, int question, VstIntPtr value = 0) {
        return child->dispatcher(child, effVendorSpecific, question, value, nullptr, 0.0f);
    }
    std::vector<int> receivedByProbe() {
        std::vector<int> events;
        AEffect* probe = instrument();
        VstIntPtr count = ask(probe, kAskEventCount);
        for (VstIntPtr i = 0; i < count; ++i) events.push_back(static_cast<int>(ask(probe, kAskEvent, i)));
        return events;
    }
    std::vector<unsigned char> chunk() {
        void* data = nullptr;
        VstIntPtr size = plugin->dispatch(effGetChunk, 0, 0, &data);
        auto* bytes = static_cast<unsigned char*>(data);
        return std::vector<unsigned char>(bytes, bytes + size);
    }
    VstIntPtr restore(std::vector<unsigned char> block) {
        return plugin->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(block.size()), block.data());
    }
    std::string databaseEntry(VstInt32 id) {
        auto value = library::ConfigFile(manager->settings().scanDatabasePath).read(std::to_string(id));
        return value ? *value : std::string("<none>");
    }

    platform::ScriptedUserServices script;
    platform::ScopedUserServices installed{script};
    TempFolder folder;
    library::ConfigFile store;
    host::HostContext context;
    std::unique_ptr<host::Plugin> plugin;
    TestManager* manager = nullptr;
    std::vector<float> left, right, inLeft, inRight;
    std::vector<host::MidiEvent> sent;

private:
    static std::string joinPath(const std::string& folderPath, const std::string& name) {
        return folderPath + platform::pathSeparator() + name;
    }
    static const library::ConfigFile*& pendingStore() {
        static const library::ConfigFile* store = nullptr;
        return store;
    }
    int blockSize;
    std::vector<char> storage;
};

// Another thread holds the gate, as a change in progress does, until this object goes.
class ChangeOnAnotherThread {
public:
    explicit ChangeOnAnotherThread(manager::AudioGate& gate)
        : thread_([this, &gate] {
              manager::GateHold hold(gate, manager::GateHold::wait);
              holding_ = true;
              while (!done_) platform::sleepMs(1);
          }) {
        while (!holding_) platform::sleepMs(1);
    }
    ~ChangeOnAnotherThread() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> holding_{false}, done_{false};
    std::thread thread_;
};

// deltaFrames << 16 | status << 8 | data1, as the probe reports received events.
inline int probeEvent(int deltaFrames, int status, int note) { return (deltaFrames << 16) | (status << 8) | note; }

}  // namespace vexlo::test
