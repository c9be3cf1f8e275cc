#include "hosting/preset_transfer.h"

#include <algorithm>

namespace vexlo::hosting {

using files::PresetFile;
using files::PresetMagic;

namespace {

std::string programName(HostedChild& child) { return child.programName().substr(0, PresetFile::kNameField - 1); }

}  // namespace

void applyParameterValues(HostedChild& child, const std::vector<float>& values) {
    const std::size_t count = std::min(values.size(), static_cast<std::size_t>(child.numParams()));
    for (std::size_t i = 0; i < count; ++i) child.restoreParameter(static_cast<VstInt32>(i), values[i]);
}

bool applyPreset(HostedChild& child, const PresetFile& file, std::string* error) {
    auto refuse = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    if (!child.isLoaded()) return refuse("no plug-in to apply the file to");
    if (file.pluginId != child.uniqueId())
        return refuse("the file is for the plug-in with ID " + std::to_string(file.pluginId) + ", not for " +
                      std::to_string(child.uniqueId()));
    const bool chunk = file.magic == PresetMagic::programChunk || file.magic == PresetMagic::bankChunk;
    if (chunk && !child.hasFlag(effFlagsProgramChunks)) return refuse("the file holds a chunk and the plug-in takes none");
    switch (file.magic) {
    case PresetMagic::programParameters:
        child.setProgramName(file.name);
        applyParameterValues(child, file.parameters);
        break;
    case PresetMagic::programChunk: {
        const bool running = child.isResumed();
        child.suspend();
        child.setChunk(file.chunk, 1);
        child.setProgramName(file.name);
        if (running) child.resume();
        break;
    }
    case PresetMagic::bankPrograms: {
        const VstInt32 playing = child.program();
        const std::size_t count = std::min(file.programs.size(), static_cast<std::size_t>(child.numPrograms()));
        for (std::size_t p = 0; p < count; ++p) {
            child.setProgram(static_cast<VstInt32>(p));
            child.setProgramName(file.programs[p].name);
            applyParameterValues(child, file.programs[p].parameters);
        }
        const VstInt32 wanted = file.formatVersion >= 2 ? file.currentProgram : playing;
        child.setProgram(std::clamp(wanted, 0, std::max(child.numPrograms() - 1, 0)));
        break;
    }
    case PresetMagic::bankChunk: {
        const bool running = child.isResumed();
        child.suspend();
        child.setChunk(file.chunk, 0);
        if (running) child.resume();
        // A plug-in already on the bank's program keeps the sound the chunk gave it: telling it
        // the program again would load the bank's copy over it.
        if (file.formatVersion >= 2 && file.currentProgram >= 0 && file.currentProgram < child.numPrograms() &&
            child.program() != file.currentProgram)
            child.setProgram(file.currentProgram);
        break;
    }
    }
    return true;
}

PresetFile capturePreset(HostedChild& child, bool bank) {
    PresetFile file;
    file.pluginId = child.uniqueId();
    file.pluginVersion = child.isLoaded() ? child.effect()->version : 0;
    file.numParams = child.numParams();
    file.numPrograms = child.numPrograms();
    const bool chunks = child.hasFlag(effFlagsProgramChunks);
    if (!bank) {
        file.magic = chunks ? PresetMagic::programChunk : PresetMagic::programParameters;
        file.name = programName(child);
        if (chunks) {
            const HostedChild::Bytes bytes = child.getChunk(1);
            file.chunk.assign(bytes.data, bytes.data + bytes.size);
        } else {
            for (VstInt32 i = 0; i < file.numParams; ++i) file.parameters.push_back(child.getParameter(i));
        }
        return file;
    }
    file.formatVersion = 2;
    file.currentProgram = child.program();
    if (chunks) {
        file.magic = PresetMagic::bankChunk;
        const HostedChild::Bytes bytes = child.getChunk(0);
        file.chunk.assign(bytes.data, bytes.data + bytes.size);
        return file;
    }
    file.magic = PresetMagic::bankPrograms;
    for (VstInt32 p = 0; p < file.numPrograms; ++p) {
        child.setProgram(p);
        files::ProgramRecord record{programName(child), {}};
        for (VstInt32 i = 0; i < file.numParams; ++i) record.parameters.push_back(child.getParameter(i));
        file.programs.push_back(std::move(record));
    }
    child.setProgram(file.currentProgram);
    return file;
}

}  // namespace vexlo::hosting
