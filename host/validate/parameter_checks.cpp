// Parameters and programs as hosts use them: their texts, values set and read back, values set
// from another thread while the audio thread runs, every program chosen in turn.
#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "host/validate/checks.h"

namespace vexlo::host::validate {

namespace {

constexpr int kMostParameters = 2000;
constexpr int kMostPrograms = 1000;

int parameterCount(Plugin& plugin) { return std::min(std::max(plugin.effect()->numParams, 0), kMostParameters); }

}  // namespace

void parameterStrings(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.instance(&error);
    if (!plugin) return result.fail(error);
    const int count = parameterCount(*plugin);
    if (count == 0) return result.skip("no parameters");
    const struct {
        const char* what;
        VstInt32 opcode;
    } fields[] = {{"name", effGetParamName}, {"label", effGetParamLabel}, {"display", effGetParamDisplay}};
    int faults = 0;
    for (int index = 0; index < count; ++index) {
        const float original = plugin->child().getParameter(index);
        // The display is read at both ends of the range as well: its text changes with the value.
        for (float value : {original, 0.0f, 1.0f}) {
            plugin->child().setParameter(index, value);
            for (const auto& field : fields) {
                const std::string fault = fieldFault(*plugin, field.opcode, index, kVstMaxParamStrLen);
                if (fault.empty()) continue;
                ++faults;
                result.fail("parameter " + std::to_string(index) + " " + field.what + " (value " +
                            std::to_string(value) + "): " + fault);
            }
        }
        plugin->child().setParameter(index, original);
    }
    result.figure("parameters", count);
    result.figure("faulty fields", faults);
}

void parameterValues(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    const int count = parameterCount(*plugin);
    if (count == 0) return result.skip("no parameters");
    std::mt19937 random(17);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Rig rig(*plugin, subject.watch());
    const int rounds = subject.times(20);
    int outside = 0;
    for (int index = 0; index < count; ++index) {
        const float original = plugin->child().getParameter(index);
        for (int round = 0; round < rounds; ++round) {
            const float value = unit(random);
            plugin->child().setParameter(index, value);
            const float back = plugin->child().getParameter(index);
            if (!std::isfinite(back) || back < 0.0f || back > 1.0f) {
                ++outside;
                result.fail("parameter " + std::to_string(index) + " set to " + std::to_string(value) + " reads back " +
                            std::to_string(back));
            }
        }
        // Hosts and controllers send values outside the range too: the plug-in copes and stays sane.
        for (float wild : {-0.5f, 1.5f, -1000.0f, 1000.0f}) {
            plugin->child().setParameter(index, wild);
            const float back = plugin->child().getParameter(index);
            if (!std::isfinite(back))
                result.fail("parameter " + std::to_string(index) + " set to " + std::to_string(wild) + " reads back " +
                            std::to_string(back));
        }
        plugin->child().setParameter(index, original);
        if (index % 16 == 0) rig.process(kBlock);
    }
    result.figure("parameters", count);
    result.figure("values each", rounds + 4);
    result.figure("read back outside 0..1", outside);
}

void parameterAutomation(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    const int count = parameterCount(*plugin);
    if (count == 0) return result.skip("no parameters");
    Rig rig(*plugin, subject.watch());
    std::atomic<bool> done{false};
    const int changes = subject.times(5000);
    // The automating thread plays a host's automation lane or a controller; the values stay in
    // the range so that what it makes of them is still music.
    std::thread automation([&] {
        std::mt19937 random(29);
        std::uniform_int_distribution<int> which(0, count - 1);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (int i = 0; i < changes; ++i) {
            plugin->child().setParameter(which(random), unit(random));
            if (i % 64 == 0) std::this_thread::yield();
        }
        done = true;
    });
    long blocks = 0;
    while (!done.load() || blocks < 50) {
        chordCycle(rig, blocks, 20, 10);
        rig.process(kBlock);
        ++blocks;
    }
    automation.join();
    result.figure("changes", changes);
    result.figure("blocks meanwhile", static_cast<double>(blocks));
}

void programNames(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.instance(&error);
    if (!plugin) return result.fail(error);
    const int count = std::min(std::max(plugin->effect()->numPrograms, 0), kMostPrograms);
    if (count == 0) return result.skip("no programs");
    const VstInt32 original = plugin->child().program();
    // A plug-in may stay within fewer programs than its record names (a host of plug-ins
    // follows the one it hosts): that is counted, not failed; its answer must still be a program.
    int elsewhere = 0;
    for (int program = 0; program < count; ++program) {
        plugin->dispatch(effBeginSetProgram);
        plugin->child().setProgram(program);
        plugin->dispatch(effEndSetProgram);
        const VstInt32 now = plugin->child().program();
        if (now != program) ++elsewhere;
        if (now < 0 || now >= plugin->effect()->numPrograms)
            result.fail("program " + std::to_string(program) + " set, effGetProgram answers " + std::to_string(now));
        std::string fault = fieldFault(*plugin, effGetProgramName, 0, kVstMaxProgNameLen);
        if (!fault.empty()) result.fail("program " + std::to_string(program) + " name: " + fault);
        fault = fieldFault(*plugin, effGetProgramNameIndexed, program, kVstMaxProgNameLen);
        if (!fault.empty()) result.fail("program " + std::to_string(program) + " indexed name: " + fault);
    }
    plugin->child().setProgram(original);
    result.figure("programs", count);
    result.figure("read back as another program", elsewhere);
}

}  // namespace vexlo::host::validate
