// The settings store and the scan database read a file of whatever bytes the fuzzer makes: they
// stay inside it, what they read is what a write then reads back, and a file they rebuild keeps
// every record that parsed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "manager/library/config_file.h"
#include "manager/library/scan_database.h"
#include "platform/user_services.h"

using vexlo::library::ConfigFile;
using vexlo::library::ScanDatabase;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vexlo::platform::ScriptedUserServices nobody;  // messages are recorded, never shown
    static const std::filesystem::path folder = [] {
        vexlo::platform::installUserServices(&nobody);
        auto path = std::filesystem::temp_directory_path() / "vexlo-fuzz-config";
        std::filesystem::create_directories(path);
        return path;
    }();
    nobody.messages.clear();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "store.vIni").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    const ConfigFile store(path);
    const auto records = store.records();
    for (const auto& record : records) {
        const auto value = store.read(record.key);
        if (!value) std::abort();  // a key listed is a key that reads
    }
    (void)store.readNumber("WinSizeLeft");
    const ScanDatabase database(path);
    (void)database.findPluginPath(1);
    (void)database.isIgnored("a library");

    // A write that is taken reads back, and leaves every other record's value as it was.
    if (store.write("FXPs Directory", "/presets/", true)) {
        if (store.read("FXPs Directory") != std::string("/presets/")) std::abort();
        for (const auto& record : store.records())
            if (record.key != "FXPs Directory" && store.read(record.key) != ConfigFile(path).read(record.key)) std::abort();
    }
    return 0;
}
