#include "host/render.h"

#include "host/editor_window.h"
#include "host/vm_setup.h"
#include "hosting/preset_transfer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace vexlo::host {

bool render(const RenderOptions& options, RenderResult* result, std::string* error) {
    if (options.blockSize < 1 || options.sampleRate < 1 || options.tempo <= 0 || options.seconds < 0) {
        if (error) *error = "block size, sample rate, tempo and length must be positive";
        return false;
    }
    HostContext context(options.sampleRate, options.blockSize, options.tempo);
    std::vector<std::unique_ptr<Plugin>> effects;
    Chain chain(context);
    for (const std::string& path : options.midiEffects) {
        auto effect = Plugin::load(path, context, error);
        if (!effect) return false;
        chain.addMidiEffect(effect.get());
        effects.push_back(std::move(effect));
    }
    auto instrument = Plugin::load(options.instrument, context, error);
    if (!instrument) return false;
    chain.setInstrument(instrument.get());
    if (!options.instrumentState.empty()) {
        instrument->open();
        std::vector<unsigned char> state = options.instrumentState;
        instrument->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(state.size()), state.data());
    }
    chain.start();
    auto stage = [&](int number, const char* what) -> Plugin* {
        if (number >= 0 && number <= static_cast<int>(effects.size()))
            return number == 0 ? instrument.get() : effects[static_cast<std::size_t>(number - 1)].get();
        if (error) *error = "no stage " + std::to_string(number) + " to " + what;
        return nullptr;
    };
    if (!options.vmPresetFile.empty() && !loadVmPreset(*instrument, options.vmPresetFile, options.vmPresetIsBank)) {
        if (error) *error = options.instrument + " did not take " + options.vmPresetFile;
        result->fileRefused = true;
        return false;
    }
    for (const PresetSetting& setting : options.presets) {
        Plugin* plugin = stage(setting.stage, "apply a preset to");
        if (!plugin) return false;
        if (!hosting::applyPreset(plugin->child(), setting.file, error)) {
            result->fileRefused = true;
            return false;
        }
    }
    for (const ParameterSetting& setting : options.parameters) {
        Plugin* plugin = stage(setting.stage, "set a parameter on");
        if (!plugin) return false;
        AEffect* effect = plugin->effect();
        effect->setParameter(effect, setting.index, setting.value);
    }

    std::vector<TimedMidi> notes = options.notes;
    sortEvents(notes);
    const long long total = std::llround(options.seconds * options.sampleRate);
    result->channels.assign(2, std::vector<float>(static_cast<std::size_t>(total), 0.0f));
    result->events.clear();

    std::vector<float> left(static_cast<std::size_t>(options.blockSize)), right(left.size());
    float* outputs[2] = {left.data(), right.data()};
    std::size_t next = 0;
    std::vector<MidiEvent> blockEvents;
    for (long long start = 0; start < total; start += options.blockSize) {
        int frames = static_cast<int>(std::min<long long>(options.blockSize, total - start));
        blockEvents.clear();
        while (next < notes.size()) {
            long long position = std::llround(notes[next].seconds * options.sampleRate);
            if (position >= start + frames) break;
            const TimedMidi& n = notes[next++];
            blockEvents.push_back(
                makeMidiEvent(static_cast<int>(std::max(position - start, 0LL)), n.bytes[0], n.bytes[1], n.bytes[2]));
        }
        chain.processBlock(blockEvents, frames, outputs);
        const auto& stages = chain.stageEvents();
        for (std::size_t stage = 0; stage < stages.size(); ++stage) {
            for (const MidiEvent& e : stages[stage]) {
                result->events.push_back({static_cast<int>(stage), start + e.deltaFrames,
                                          {static_cast<unsigned char>(e.midiData[0]),
                                           static_cast<unsigned char>(e.midiData[1]),
                                           static_cast<unsigned char>(e.midiData[2])}});
            }
        }
        std::copy(left.begin(), left.begin() + frames, result->channels[0].begin() + start);
        std::copy(right.begin(), right.begin() + frames, result->channels[1].begin() + start);
    }
    if (options.keepInstrumentState) {
        void* data = nullptr;
        VstIntPtr size = instrument->dispatch(effGetChunk, 0, 0, &data);
        if (data && size > 0) {
            const auto* bytes = static_cast<const unsigned char*>(data);
            result->instrumentState.assign(bytes, bytes + size);
        }
    }
    if (options.keepPreset != RenderOptions::Keep::nothing) {
        const bool bank = options.keepPreset == RenderOptions::Keep::bank;
        result->preset = files::encodePresetFile(hosting::capturePreset(instrument->child(), bank));
    }
    chain.stop();
    return true;
}

namespace {

struct FlagName {
    VstInt32 bit;
    const char* name;
};
constexpr FlagName kFlagNames[] = {
    {effFlagsHasEditor, "HasEditor"},       {effFlagsHasClip, "HasClip"},
    {effFlagsHasVu, "HasVu"},               {effFlagsCanMono, "CanMono"},
    {effFlagsCanReplacing, "CanReplacing"}, {effFlagsProgramChunks, "ProgramChunks"},
    {effFlagsIsSynth, "IsSynth"},           {effFlagsNoSoundInStop, "NoSoundInStop"},
    {effFlagsExtIsAsync, "ExtIsAsync"},     {effFlagsExtHasBuffer, "ExtHasBuffer"},
    {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
};

constexpr const char* kCanDoAsked[] = {
    canDoWords::receiveVstEvents, canDoWords::receiveVstMidiEvent, "receiveVstMidiEvents",
    canDoWords::sendVstEvents,    canDoWords::sendVstMidiEvent,    canDoWords::receiveVstTimeInfo,
    canDoWords::offline,          canDoWords::bypass,
};

}  // namespace

const ERect* editorRect(Plugin& plugin, std::string* error) {
    ERect* rect = nullptr;
    if (!(plugin.effect()->flags & effFlagsHasEditor) || !plugin.dispatch(effEditGetRect, 0, 0, &rect) || !rect) {
        if (error) *error = "the plug-in has no editor";
        return nullptr;
    }
    return rect;
}

void describe(Plugin& plugin, std::ostream& out) {
    AEffect* e = plugin.effect();
    out << "effect:    " << plugin.effectName() << "\n";
    out << "vendor:    " << plugin.vendorString() << " (version " << plugin.vendorVersion() << ")\n";
    out << "product:   " << plugin.productString() << "\n";
    out << "unique ID: " << e->uniqueID << " '" << fourCharacters(e->uniqueID) << "'\n";
    out << "version:   " << e->version << ", VST " << plugin.dispatch(effGetVstVersion) << "\n";
    out << "inputs:    " << e->numInputs << "\noutputs:   " << e->numOutputs << "\n";
    out << "programs:  " << e->numPrograms << "\nparams:    " << e->numParams << "\n";
    out << "flags:    ";
    for (const FlagName& flag : kFlagNames)
        if (e->flags & flag.bit) out << " " << flag.name;
    out << "\ncategory:  " << plugin.dispatch(effGetPlugCategory) << "\n";
    char line[256];
    for (const char* word : kCanDoAsked) {
        std::snprintf(line, sizeof(line), "canDo %-22s%d\n", word, plugin.canDo(word));
        out << line;
    }
    VstInt32 shown = std::min<VstInt32>(e->numParams, 64);
    for (VstInt32 i = 0; i < shown; ++i) {
        std::snprintf(line, sizeof(line), "param %3d %-10s = %s %s\n", i, plugin.parameterName(i).c_str(),
                      plugin.parameterDisplay(i).c_str(), plugin.parameterLabel(i).c_str());
        out << line;
    }
    if (shown < e->numParams) out << "(" << e->numParams - shown << " more parameters)\n";
}

}  // namespace vexlo::host
