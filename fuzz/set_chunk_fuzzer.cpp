// Hands Vexlo VM's setChunk whatever bytes the fuzzer makes, with a scan database that knows a
// few test plug-ins, so that loads and state applications are reached too; then saves again.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "manager/core/vst_manager.h"
#include "platform/platform.h"
#include "platform/user_services.h"

using vexlo::manager::VstManager;

namespace {

VstIntPtr VEXLO_CDECL quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstManager& manager() {
    static VstManager* instance = [] {
        static vexlo::platform::ScriptedUserServices nobody;  // messages are recorded, never shown
        vexlo::platform::installUserServices(&nobody);
        namespace fs = std::filesystem;
        // Made anew by each process: a run that ended (as a fuzzer does) without closing Vexlo VM
        // leaves its crash marker there, and the next would put that plug-in in a process of its own.
        const fs::path folder = fs::temp_directory_path() / "vexlo-fuzz-set-chunk";
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        fs::create_directories(folder);
        const std::string sep(1, vexlo::platform::pathSeparator());
        vexlo::library::ConfigFile settings((folder / "Vexlo VM.vIni").string());
        for (const char* key : {"VST Directory", "FXPs Directory", "FXBs Directory", "MIDI VSTs Directory"})
            settings.write(key, folder.string() + sep, true);
        // The plug-ins the seeds name, beside this program.
        std::string own = vexlo::platform::ownLibraryPath();
        const std::string bin = own.substr(0, own.find_last_of("\\/") + 1);
        vexlo::library::ConfigFile database((folder / "Vexlo VST Scan.vIni").string());
        const std::pair<VstInt32, const char*> plugins[] = {
            {0x56745379, "test-synth"}, {0x56744475, "test-dump"}, {0x306C6334, "Vexlo ARP MIDI"}};
        for (const auto& [id, name] : plugins)
            database.write(std::to_string(id), bin + name + vexlo::platform::pluginExtension(), true);
        auto* vm = new VstManager(quietHost, settings);
        vm->dispatcher(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        vm->dispatcher(effSetBlockSize, 0, 64, nullptr, 0.0f);
        vm->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
        return vm;
    }();
    return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact copy: reading one byte past it is an error the sanitizer reports.
    std::vector<std::uint8_t> block(data, data + size);
    manager().setChunk(block.empty() ? nullptr : block.data(), static_cast<VstInt32>(block.size()), false);
    void* saved = nullptr;
    manager().getChunk(&saved, false);
    return 0;
}
