// vexlo-host: loads VST 2.4 plug-ins from the command line.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "host/editor_window.h"
#include "host/midi_input.h"
#include "host/render.h"
#include "host/validate/validate_command.h"
#include "host/vm_setup.h"
#include "host/wav_writer.h"
#include "hosting/probe.h"
#include "manager/library/scan_database.h"
#include "manager/library/settings.h"
#include "platform/platform.h"

using namespace vexlo::host;

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  vexlo-host info PLUGIN\n"
    "  vexlo-host render INSTRUMENT [--midi-fx PLUGIN]... [--notes LIST | --midi-file FILE]\n"
    "             [--tempo BPM] [--rate HZ] [--block FRAMES] [--length SECONDS]\n"
    "             [--param STAGE:INDEX=VALUE]... [-o OUT.wav] [--events]\n"
    "             [--state FILE] [--save-state FILE] [--preset [STAGE:]FILE]... [--save-preset FILE]\n"
    "             [--vm-instrument PLUGIN] [--vm-midi SLOT:PLUGIN]... [--vm-factor 1|2|4|6|8]\n"
    "             [--vm-quality classic|high] [--vm-auto-gui on|off] [--vm-sandbox on|off]\n"
    "             [--vm-presets FOLDER] [--vm-preset FILE]\n"
    "  vexlo-host scan VEXLO_VM [FOLDER] [--only-new] [--probes 1-8]\n"
    "  vexlo-host edit PLUGIN [--seconds S] [--until FILE] [--state FILE] [--save-state FILE] [--vm-*]...\n"
    "  vexlo-host validate PLUGIN [--level 1-10] [--instrument PLUGIN [--vm-sandbox on|off]] [--json]\n"
    "             [--no-editor] [--in-process]\n"
    "  vexlo-host COMMAND --help\n"
    "  vexlo-host --version\n"
    "  LIST is NOTE[:START[:LENGTH[:VELOCITY]]],... with START and LENGTH in beats.\n"
    "  STAGE 0 is the instrument, 1 the first --midi-fx, 2 the second, ...\n"
    "  --vm-* set up Vexlo VM (the instrument) to host the given plug-ins; --vm-preset has it load\n"
    "  an FXP, FXB or .fxplnk file as its Load Preset and Load Bank commands do, the instrument\n"
    "  the file was made for first; --vm-sandbox on runs the plug-ins it names each in a process of\n"
    "  its own (a plug-in that crashes there leaves the song silent in its place, its state kept).\n";

int usage() {
    std::cerr << kUsage;
    return 2;
}

// Plug-in paths are made absolute: libraries are loaded by path, and Vexlo VM keeps the paths.
std::string absolute(const std::string& path) { return std::filesystem::absolute(path).string(); }

bool number(const char* text, double* out) {
    char* end = nullptr;
    *out = std::strtod(text, &end);
    return *text && !*end;
}

// An option's number: finite, within its range and, where it counts things, whole. Otherwise
// one line says what the option takes.
bool numberIn(const std::string& option, const char* text, double lowest, double highest, bool whole, double* out) {
    if (number(text, out) && std::isfinite(*out) && *out >= lowest && *out <= highest &&
        (!whole || *out == std::floor(*out)))
        return true;
    std::cerr << "vexlo-host: " << option << " takes " << (whole ? "a whole number" : "a number") << " from " << lowest
              << " to " << highest << ", not " << text << "\n";
    return false;
}

struct NumberOption {
    const char* name;
    double lowest, highest;
    bool whole;
};
constexpr NumberOption kRenderNumbers[] = {
    {"--tempo", 1, 999, false},
    {"--rate", 8000, 768000, false},
    {"--block", 1, 65536, true},
    {"--length", 0, 600, false},
};


int info(const std::string& path) {
    HostContext context;
    std::string error;
    auto plugin = Plugin::load(absolute(path), context, &error);
    if (!plugin) {
        std::cerr << "vexlo-host: " << error << "\n";
        return 1;
    }
    plugin->open();
    describe(*plugin, std::cout);
    return 0;
}

const char* eventName(unsigned char status) {
    switch (status & 0xF0) {
    case 0x80: return "note-off";
    case 0x90: return "note-on";
    case 0xA0: return "aftertouch";
    case 0xB0: return "controller";
    case 0xC0: return "program";
    case 0xD0: return "pressure";
    case 0xE0: return "pitch-bend";
    default: return "other";
    }
}

// A file to write is a regular file or a new one: a pipe waits for a reader that may never come,
// and a device or a folder keeps no state.
bool writablePlace(const char* option, const std::string& path) {
    const vexlo::platform::PathKind kind = vexlo::platform::pathInfo(path).kind;
    if (kind == vexlo::platform::PathKind::missing || kind == vexlo::platform::PathKind::regularFile) return true;
    std::cerr << "vexlo-host: " << option << ": " << path << " is no regular file\n";
    return false;
}

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// Scans a folder of plug-ins into Vexlo VM's scan database, as its "Scan VSTs" command does.
int scanCommand(int argc, char** argv) {
    std::string vm = absolute(argv[0]), folder;
    bool onlyNew = false;
    vexlo::library::ScanOptions options;
    options.probesAtOnce = vexlo::hosting::probesAtOnce();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        int probes = 0;
        char tail = 0;
        if (arg == "--only-new") onlyNew = true;
        else if (arg == "--probes" && i + 1 < argc && std::sscanf(argv[++i], "%d%c", &probes, &tail) == 1 &&
                 probes >= 1 && probes <= 8)
            options.probesAtOnce = probes;
        else if (folder.empty() && arg[0] != '-') folder = absolute(arg);
        else return usage();
    }
    const std::string databasePath = prepareVmSettings(vm, folder);
    vexlo::library::ConfigFile settings(vmSettingsPath(vm));
    const std::string scanned = settings.read(vexlo::library::settingKeys::vstFolder).value_or("");
    vexlo::library::ScanDatabase database(databasePath);
    // On a terminal one line that follows the scan; elsewhere (a log) a line for each library.
    const bool terminal = vexlo::platform::standardOutputIsTerminal();
    const auto began = std::chrono::steady_clock::now();
    const vexlo::library::ScanSummary summary =
        database.scan(scanned, onlyNew, vexlo::hosting::probeLibrary, [&](const vexlo::library::ScanStep& step) {
            if (!step.name.empty()) std::printf(terminal ? "\rScanning %d of %d: %s\033[K" : "Scanning %d of %d: %s\n",
                                                step.number, step.total, step.name.c_str());
            else if (terminal) std::printf("\r\033[K");
            std::fflush(stdout);
        }, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("scanned %s: %d found, %d new, %d changed, %d unchanged, %d ignored; %d probed in %.1f s%s\n"
                "database %s\n",
                scanned.c_str(), summary.found, summary.fresh, summary.changed, summary.unchanged, summary.ignored,
                summary.probed, seconds, summary.completed ? "" : " (not completed)", databasePath.c_str());
    return 0;
}

// One of the --vm-* options at argv[i], taken into the setup: 1 when taken (i then points at
// its value), 0 when argv[i] is none of them, -1 when its value is wrong (said in one line).
int vmOption(int argc, char** argv, int& i, VmSetup& vm) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return 0;
    if (arg == "--vm-instrument") {
        vm.instrument = absolute(argv[++i]);
    } else if (arg == "--vm-midi") {
        std::string value = argv[++i];
        std::size_t colon = value.find(':');
        if (colon == std::string::npos || colon == 0) {
            std::cerr << "vexlo-host: --vm-midi takes SLOT:PLUGIN, not " << value << "\n";
            return -1;
        }
        double slot = 0;
        if (!numberIn("--vm-midi's slot", value.substr(0, colon).c_str(), 0, 3, true, &slot)) return -1;
        vm.midi.emplace_back(static_cast<int>(slot), absolute(value.substr(colon + 1)));
    } else if (arg == "--vm-factor") {
        const std::string factor = argv[++i];
        if (factor != "1" && factor != "2" && factor != "4" && factor != "6" && factor != "8") {
            std::cerr << "vexlo-host: --vm-factor takes 1, 2, 4, 6 or 8, not " << factor << "\n";
            return -1;
        }
        vm.factor = std::atoi(factor.c_str());
    } else if (arg == "--vm-auto-gui" || arg == "--vm-sandbox") {
        const std::string value = argv[++i];
        if (value != "on" && value != "off") {
            std::cerr << "vexlo-host: " << arg << " takes on or off, not " << value << "\n";
            return -1;
        }
        (arg == "--vm-auto-gui" ? vm.autoGui : vm.ownProcess) = value == "on";
    } else if (arg == "--vm-presets") {
        vm.presetFolder = absolute(argv[++i]);
    } else if (arg == "--vm-preset") {
        vm.presetFile = absolute(argv[++i]);
    } else if (arg == "--vm-quality") {
        const std::string quality = argv[++i];
        if (quality != "classic" && quality != "high") {
            std::cerr << "vexlo-host: --vm-quality takes classic or high, not " << quality << "\n";
            return -1;
        }
        vm.highQuality = quality == "high";
    } else {
        return 0;
    }
    return 1;
}

// Opens a plug-in's editor in a window for a while, idling it as a host does.
int editCommand(int argc, char** argv) {
    std::string path = absolute(argv[0]), statePath, saveStatePath, untilFile;
    double seconds = 5.0;
    VmSetup vm;
    bool vmSetup = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            if (!numberIn(arg, argv[++i], 0, 3600, false, &seconds)) return 2;
        } else if (arg == "--until" && i + 1 < argc) {
            untilFile = argv[++i];
        } else if (arg == "--state" && i + 1 < argc) {
            statePath = argv[++i];
        } else if (arg == "--save-state" && i + 1 < argc) {
            saveStatePath = argv[++i];
        } else if (int taken = vmOption(argc, argv, i, vm); taken != 0) {
            if (taken < 0) return 2;
            vmSetup = true;
        } else {
            return usage();
        }
    }
    if (!saveStatePath.empty() && !writablePlace("--save-state", saveStatePath)) return 2;
    std::string error;
    std::vector<unsigned char> state;
    if (!statePath.empty() && !readInputFile(statePath, &state, &error)) {
        std::cerr << "vexlo-host: --state: " << error << "\n";
        return 2;
    }
    // As render does: Vexlo VM gets a state that names the plug-ins it is to host.
    if (vmSetup && !buildVmState(path, vm, &state, &error)) {
        std::cerr << "vexlo-host: " << error << "\n";
        return 2;
    }
    bool presetIsBank = false;
    if (!vm.presetFile.empty() && !checkVmPreset(path, vm.presetFile, &presetIsBank, &error)) {
        std::cerr << "vexlo-host: --vm-preset: " << error << "\n";
        return 2;
    }
    HostContext context;
    auto plugin = Plugin::load(path, context, &error);
    if (!plugin) {
        std::cerr << "vexlo-host: " << error << "\n";
        return 1;
    }
    plugin->open();
    if (!state.empty()) plugin->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(state.size()), state.data());
    plugin->start();
    if (!vm.presetFile.empty() && !loadVmPreset(*plugin, vm.presetFile, presetIsBank)) {
        std::cerr << "vexlo-host: " << path << " did not take " << vm.presetFile << "\n";
        return 2;
    }
    if (!runEditor(*plugin, seconds, untilFile, &error)) {
        std::cerr << "vexlo-host: " << error << "\n";
        return 1;
    }
    if (!saveStatePath.empty()) {
        void* data = nullptr;
        VstIntPtr size = plugin->dispatch(effGetChunk, 0, 0, &data);
        const auto* bytes = static_cast<const unsigned char*>(data);
        if (!data || size <= 0 || !writeBytes(saveStatePath, std::vector<unsigned char>(bytes, bytes + size))) {
            std::cerr << "vexlo-host: cannot save the plug-in's state\n";
            return 1;
        }
    }
    return 0;
}


int renderCommand(int argc, char** argv) {
    RenderOptions options;
    options.instrument = absolute(argv[0]);
    std::string output = "out.wav", noteList, midiFile, statePath, saveStatePath, savePresetPath;
    std::vector<std::pair<int, std::string>> presetPaths;
    bool printEvents = false;
    VmSetup vm;
    bool vmSetup = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        double value = 0;
        if (arg == "--events") {
            printEvents = true;
        } else if (arg == "--midi-fx" && hasValue) {
            options.midiEffects.push_back(absolute(argv[++i]));
        } else if (arg == "--notes" && hasValue) {
            noteList = argv[++i];
        } else if (arg == "--midi-file" && hasValue) {
            midiFile = argv[++i];
        } else if (arg == "--param" && hasValue) {
            ParameterSetting setting{};
            char tail = 0;
            if (std::sscanf(argv[++i], "%d:%d=%f%c", &setting.stage, &setting.index, &setting.value, &tail) != 3) {
                std::cerr << "vexlo-host: --param takes STAGE:INDEX=VALUE, not " << argv[i] << "\n";
                return usage();
            }
            options.parameters.push_back(setting);
        } else if (arg == "-o" && hasValue) {
            output = argv[++i];
        } else if (arg == "--state" && hasValue) {
            statePath = argv[++i];
        } else if (arg == "--save-state" && hasValue) {
            saveStatePath = argv[++i];
        } else if (arg == "--preset" && hasValue) {
            // [STAGE:]FILE; a stage is digits only, so "C:\..." is a file.
            const std::string value = argv[++i];
            const std::size_t colon = value.find(':');
            const bool staged = colon != std::string::npos && colon > 0 &&
                                value.find_first_not_of("0123456789") == colon;
            double stage = 0;
            if (staged && !numberIn("--preset's stage", value.substr(0, colon).c_str(), 0, 64, true, &stage)) return 2;
            presetPaths.emplace_back(static_cast<int>(stage), staged ? value.substr(colon + 1) : value);
        } else if (arg == "--save-preset" && hasValue) {
            savePresetPath = argv[++i];
        } else if (int taken = vmOption(argc, argv, i, vm); taken != 0) {
            if (taken < 0) return 2;
            vmSetup = true;
        } else if (const NumberOption* o = std::find_if(std::begin(kRenderNumbers), std::end(kRenderNumbers),
                                                        [&](const NumberOption& n) { return arg == n.name; });
                   o != std::end(kRenderNumbers) && hasValue) {
            if (!numberIn(arg, argv[++i], o->lowest, o->highest, o->whole, &value)) return 2;
            if (arg == "--tempo") options.tempo = value;
            if (arg == "--rate") options.sampleRate = value;
            if (arg == "--block") options.blockSize = static_cast<int>(value);
            if (arg == "--length") options.seconds = value;
        } else {
            std::cerr << "vexlo-host: unexpected argument " << arg << "\n";
            return usage();
        }
    }
    std::string error;
    // What the command line names is checked before anything plays: each fault is one line and
    // status 2.
    if (!saveStatePath.empty() && !writablePlace("--save-state", saveStatePath)) return 2;
    if (!savePresetPath.empty() && !writablePlace("--save-preset", savePresetPath)) return 2;
    if (!midiFile.empty() && !readMidiFile(midiFile, options.tempo, &options.notes, &error)) {
        std::cerr << "vexlo-host: " << midiFile << ": " << error << "\n";
        return 2;
    }
    if (!noteList.empty() && !parseNoteList(noteList, options.tempo, options.seconds, &options.notes, &error)) {
        std::cerr << "vexlo-host: " << error << "\n";
        return 2;
    }
    if (!statePath.empty() && !readInputFile(statePath, &options.instrumentState, &error)) {
        std::cerr << "vexlo-host: --state: " << error << "\n";
        return 2;
    }
    if (vmSetup && !buildVmState(options.instrument, vm, &options.instrumentState, &error)) {
        std::cerr << "vexlo-host: " << error << "\n";
        return 2;
    }
    options.vmPresetFile = vm.presetFile;
    if (!vm.presetFile.empty() && !checkVmPreset(options.instrument, vm.presetFile, &options.vmPresetIsBank, &error)) {
        std::cerr << "vexlo-host: --vm-preset: " << error << "\n";
        return 2;
    }
    for (const auto& [stage, path] : presetPaths) {
        std::vector<unsigned char> bytes;
        if (!readInputFile(path, &bytes, &error)) {
            std::cerr << "vexlo-host: --preset: " << error << "\n";
            return 2;
        }
        auto file = vexlo::files::decodePresetFile(bytes.data(), bytes.size());
        if (!file) {
            std::cerr << "vexlo-host: --preset: " << path << ": " << file.refusal << "\n";
            return 2;
        }
        options.presets.push_back({stage, std::move(*file.value)});
    }
    if (!savePresetPath.empty()) {
        std::string extension = savePresetPath.size() >= 4 ? savePresetPath.substr(savePresetPath.size() - 4) : "";
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        options.keepPreset = extension == ".fxb" ? RenderOptions::Keep::bank : RenderOptions::Keep::program;
    }
    options.keepInstrumentState = !saveStatePath.empty();
    RenderResult result;
    if (!render(options, &result, &error)) {
        std::cerr << "vexlo-host: " << error << "\n";
        return result.fileRefused ? 2 : 1;
    }
    if (printEvents) {
        for (const StageEvent& e : result.events) {
            std::printf("stage %d  sample %8lld  %-10s %3u %3u  (%02X %02X %02X)\n", e.stage, e.samplePosition,
                        eventName(e.bytes[0]), e.bytes[1], e.bytes[2], e.bytes[0], e.bytes[1], e.bytes[2]);
        }
    }
    if (!saveStatePath.empty() && !writeBytes(saveStatePath, result.instrumentState)) {
        std::cerr << "vexlo-host: cannot write " << saveStatePath << "\n";
        return 1;
    }
    if (!savePresetPath.empty() && !writeBytes(savePresetPath, result.preset)) {
        std::cerr << "vexlo-host: cannot write " << savePresetPath << "\n";
        return 1;
    }
    if (!writeWav(output, result.channels, static_cast<int>(options.sampleRate))) {
        std::cerr << "vexlo-host: cannot write " << output << "\n";
        return 1;
    }
    bool finite = true;
    for (std::size_t c = 0; c < result.channels.size(); ++c) {
        ChannelLevels levels = measure(result.channels[c]);
        finite = finite && levels.finite;
        std::printf("channel %zu: peak %.6f rms %.6f%s\n", c, levels.peak, levels.rms,
                    levels.finite ? "" : " (NaN or infinity!)");
    }
    std::printf("wrote %s\n", output.c_str());
    std::fflush(stdout);
    return finite ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Every command answers --help and -h with the usage, before it reads anything else.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vexlo-host %s\n", VEXLO_VERSION);
        return 0;
    }
    if (argc < 3) return usage();
    std::string command = argv[1];
    if (command == "info" && argc == 3) return info(argv[2]);
    if (command == "render") return renderCommand(argc - 2, argv + 2);
    if (command == "scan") return scanCommand(argc - 2, argv + 2);
    if (command == "edit") return editCommand(argc - 2, argv + 2);
    if (command == "validate") return vexlo::host::validate::validateCommand(argc - 2, argv + 2);
    return usage();
}
