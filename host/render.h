// Offline rendering and plug-in descriptions, shared by vexlo-host and the tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/midi_input.h"
#include "hosting/preset_file.h"

namespace vexlo::host {

// A parameter set on one stage after it started: stage 0 is the instrument, k the k-th MIDI effect.
struct ParameterSetting {
    int stage;
    int index;
    float value;
};

// A preset or bank file applied to one stage after it started, before the parameters.
struct PresetSetting {
    int stage;
    files::PresetFile file;
};

struct RenderOptions {
    std::string instrument;
    std::vector<std::string> midiEffects;
    std::vector<TimedMidi> notes;
    double sampleRate = 44100.0;
    int blockSize = 512;
    double tempo = 120.0;
    double seconds = 2.0;
    std::vector<ParameterSetting> parameters;
    std::vector<unsigned char> instrumentState;  // handed to the instrument (effSetChunk) before it starts
    bool keepInstrumentState = false;           // fetch the instrument's state (effGetChunk) after the render
    std::vector<PresetSetting> presets;
    // A file that Vexlo VM, the instrument, loads itself once it started, before the presets.
    std::string vmPresetFile;
    bool vmPresetIsBank = false;
    enum class Keep { nothing, program, bank } keepPreset = Keep::nothing;  // the instrument's, after the render
};

// An event one stage emitted, at its absolute sample position.
struct StageEvent {
    int stage;  // 0: the host's input; k: the k-th MIDI effect's output
    long long samplePosition;
    unsigned char bytes[3];
};

struct RenderResult {
    std::vector<std::vector<float>> channels;  // two channels
    std::vector<StageEvent> events;
    std::vector<unsigned char> instrumentState;
    std::vector<unsigned char> preset;  // an FXP or FXB file's bytes
    bool fileRefused = false;           // the render failed because a plug-in refused a file
};

// Loads the plug-ins, renders, and unloads them. False with a reason on failure.
bool render(const RenderOptions& options, RenderResult* result, std::string* error);

// Identity, counts, flags, category, capabilities and parameters of a loaded plug-in.
void describe(Plugin& plugin, std::ostream& out);

}  // namespace vexlo::host
