#include "host/validate/validate_command.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <filesystem>
#include <iostream>

#include "host/validate/validator.h"
#include "host/vm_setup.h"
#include "platform/process.h"

namespace vexlo::host::validate {

int validateCommand(int argc, char** argv) {
    if (argc < 1) return 2;
    Options options;
    options.plugin = std::filesystem::absolute(argv[0]).string();
    bool json = false, isolate = true;
    std::string instrument, only;
    std::optional<bool> sandbox;
    // What a child needs to do one check as this run would.
    options.childArguments = {"validate", options.plugin};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg != "--json" && arg != "--in-process" && arg != "--only") {
            options.childArguments.push_back(arg);
            if (i + 1 < argc && (arg == "--level" || arg == "--instrument" || arg == "--vm-sandbox"))
                options.childArguments.push_back(arg == "--instrument" ? std::filesystem::absolute(argv[i + 1]).string()
                                                                        : argv[i + 1]);
        }
        if (arg == "--in-process") {
            isolate = false;
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--no-editor") {
            options.editor = false;
        } else if (arg == "--level" && i + 1 < argc) {
            char* end = nullptr;
            const long level = std::strtol(argv[++i], &end, 10);
            if (*end || level < 1 || level > 10) {
                std::cerr << "vexlo-host: --level takes a whole number from 1 to 10, not " << argv[i] << "\n";
                return 2;
            }
            options.level = static_cast<int>(level);
        } else if (arg == "--instrument" && i + 1 < argc) {
            instrument = std::filesystem::absolute(argv[++i]).string();
        } else if (arg == "--vm-sandbox" && i + 1 < argc &&
                   (!std::strcmp(argv[i + 1], "on") || !std::strcmp(argv[i + 1], "off"))) {
            sandbox = !std::strcmp(argv[++i], "on");
        } else {
            std::cerr << "vexlo-host: validate does not take " << arg << "\n";
            return 2;
        }
    }
    // Vexlo VM gets its folders set first, as render does (it would otherwise ask a person for
    // them); hosting an instrument, every fresh instance is handed the state that names it, as
    // render --vm-instrument does. Any other plug-in is left as it was.
    {
        VmSetup setup;
        setup.instrument = instrument;
        if (!instrument.empty()) setup.autoGui = true;
        setup.ownProcess = sandbox;
        std::string error;
        std::vector<unsigned char> chunk;
        const bool vm = buildVmState(options.plugin, setup, &chunk, &error);
        if (!vm && !instrument.empty()) {
            std::cerr << "vexlo-host: " << error << "\n";
            return 2;
        }
        if (!instrument.empty()) options.setupChunk = chunk;
    }
    if (!only.empty()) return runOnly(options, only, std::cout);
    if (isolate) options.isolateWith = platform::currentProgramPath();
    // The text report grows as the checks end (a plug-in that takes this program down leaves the
    // checks before it on record, and the one that was running on stderr).
    Progress progress;
    progress.started = [](const std::string& name) { std::cerr << "running " << name << "\n"; };
    if (!json)
        progress.ended = [](const CheckResult& result) {
            writeCheck(result, std::cout);
            std::cout.flush();
        };
    const auto results = run(options, progress);
    if (json) writeJson(options.plugin, results, std::cout);
    else writeSummary(results, std::cout);
    return allPassed(results) ? 0 : 1;
}

}  // namespace vexlo::host::validate
