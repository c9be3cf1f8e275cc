// What a host reads before it uses a plug-in: its names, counts and answers.
#include <cstring>
#include <sstream>

#include "host/validate/checks.h"

namespace vexlo::host::validate {

namespace {

constexpr VstInt32 kIdentifyAnswer = 0x4E764566;  // 'NvEf'
constexpr unsigned char kFieldPattern = 0xA5;
constexpr std::size_t kFieldBuffer = 1024;

std::unique_ptr<Plugin> firstInstance(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.instance(&error);
    if (!plugin) result.fail(error);
    return plugin;
}

}  // namespace

std::string fieldFault(Plugin& plugin, VstInt32 opcode, VstInt32 index, int limit) {
    std::vector<char> buffer(kFieldBuffer, static_cast<char>(kFieldPattern));
    buffer[0] = 0;
    plugin.dispatch(opcode, index, 0, buffer.data());
    const void* end = std::memchr(buffer.data(), 0, static_cast<std::size_t>(limit) + 1);
    if (!end) {
        const void* late = std::memchr(buffer.data(), 0, buffer.size());
        return late ? "no terminator within " + std::to_string(limit) + " characters (" +
                          std::to_string(static_cast<const char*>(late) - buffer.data()) + " written)"
                    : "no terminator at all";
    }
    for (std::size_t i = static_cast<std::size_t>(limit) + 1; i < buffer.size(); ++i)
        if (static_cast<unsigned char>(buffer[i]) != kFieldPattern)
            return "wrote " + std::to_string(i + 1) + " bytes into a field of " + std::to_string(limit + 1);
    return {};
}

void identityStrings(Subject& subject, CheckResult& result) {
    auto plugin = firstInstance(subject, result);
    if (!plugin) return;
    const struct {
        const char* what;
        VstInt32 opcode;
        int limit;
    } fields[] = {{"effect name", effGetEffectName, kVstMaxEffectNameLen},
                  {"vendor", effGetVendorString, kVstMaxVendorStrLen},
                  {"product", effGetProductString, kVstMaxProductStrLen}};
    for (const auto& field : fields) {
        const std::string fault = fieldFault(*plugin, field.opcode, 0, field.limit);
        if (!fault.empty()) result.fail(std::string(field.what) + ": " + fault);
    }
    result.figure("effect name", plugin->effectName());
    result.figure("vendor", plugin->vendorString());
    result.figure("product", plugin->productString());
}

void identityCounts(Subject& subject, CheckResult& result) {
    auto plugin = firstInstance(subject, result);
    if (!plugin) return;
    const AEffect* e = plugin->effect();
    if (e->magic != kEffectMagic) result.fail("the record's magic is not 'VstP'");
    const struct {
        const char* what;
        VstInt32 value, highest;
    } counts[] = {{"programs", e->numPrograms, 1 << 16}, {"parameters", e->numParams, 1 << 16},
                  {"inputs", e->numInputs, 256},         {"outputs", e->numOutputs, 256},
                  {"initial delay", e->initialDelay, 1 << 20}};
    for (const auto& count : counts) {
        result.figure(count.what, count.value);
        if (count.value < 0 || count.value > count.highest)
            result.fail(std::string(count.what) + " is " + std::to_string(count.value));
    }
    const VstIntPtr category = plugin->dispatch(effGetPlugCategory);
    result.figure("category", static_cast<double>(category));
    if (category < 0 || category > 11) result.fail("effGetPlugCategory answers " + std::to_string(category));
    result.figure("unique ID", fourCharacters(e->uniqueID));
    if (e->uniqueID == 0) result.fail("the unique ID is 0");
    result.figure("VST version", static_cast<double>(plugin->dispatch(effGetVstVersion)));
    result.figure("MIDI effect", subject.isMidiEffect() ? "yes" : "no");
}

void identityIdentify(Subject& subject, CheckResult& result) {
    auto plugin = firstInstance(subject, result);
    if (!plugin) return;
    const VstIntPtr answer = plugin->dispatch(effIdentify);
    result.figure("answer", static_cast<double>(answer));
    if (answer != 0 && answer != kIdentifyAnswer) result.fail("effIdentify answers " + std::to_string(answer));
}

void identityCanDo(Subject& subject, CheckResult& result) {
    auto plugin = firstInstance(subject, result);
    if (!plugin) return;
    const char* words[] = {"sendVstEvents",    "sendVstMidiEvent", "receiveVstEvents",  "receiveVstMidiEvent",
                           "receiveVstTimeInfo", "offline",        "midiProgramNames",  "bypass",
                           "plugAsChannelInsert", "plugAsSend",    "mixDryWet",         "noRealTime",
                           "multipass",        "metapass",         "1in1out",           "2in2out",
                           "",                 "no such word at all, surely"};
    std::ostringstream yes;
    for (const char* word : words) {
        const VstInt32 answer = plugin->canDo(word);
        if (answer < -1 || answer > 1) result.fail(std::string("canDo \"") + word + "\" answers " + std::to_string(answer));
        if (answer == 1) yes << (yes.tellp() > 0 ? " " : "") << word;
    }
    result.figure("can do", yes.str());
}

}  // namespace vexlo::host::validate
