// Vexlo VM loading preset, bank and link files into its instrument. The file is read and
// understood whole before anything changes; the instrument it was made for is loaded first
// (its dialogs and questions come before the gate is taken); then the file is applied, the
// instrument restarted and the held notes sent again, all with the gate held.
#include "hosting/preset_transfer.h"
#include "manager/core/preset_files.h"
#include "manager/library/path_utils.h"
#include "platform/platform.h"
#include "platform/user_services.h"

namespace vexlo::manager {

namespace {

constexpr std::uint64_t kMaxPresetFile = 256ull << 20;

bool readFile(const std::string& path, std::vector<unsigned char>& bytes) {
    return library::readRegularFile(path, kMaxPresetFile, bytes);
}

void cannotRead(const std::string& path) { library::report("Couldn't read the file!", path); }

}  // namespace

void PresetFiles::load(bool bank, const char* givenPath, bool asChosen) {
    if (gate_.isHeld()) return;  // another change runs: this load is dropped
    front_.tellStatus("Loading...");
    std::string path = givenPath ? givenPath : "";
    if (!givenPath) {
        platform::FileRequest request;
        request.title = "Select the Bank/Preset file";
        request.typeName = bank ? "FXB Bank" : "FXP Preset";
        request.extension = bank ? "fxb" : "fxp";
        request.initialFolder = settings_.lastPresetFolder;
        path = platform::userServices().chooseFile(request);
    }
    if (path.size() <= 2) return finishLoad("");
    settings_.lastPresetFolder = library::folder(path);
    currentPath_ = path;

    // A link names the file to load and, into a bank, the program to end on.
    std::string target = path;
    std::optional<VstInt32> linkedProgram;
    if (library::upperCase(library::extension(path)) == "FXPLNK") {
        std::vector<unsigned char> text;
        if (readFile(path, text)) {
            auto link = files::decodePresetLink(text.data(), text.size());
            if (!link) {
                cannotRead(path);
                return finishLoad(path);
            }
            target = (link.value->namesProgramFile() ? settings_.fxpFolder : settings_.fxbFolder) + link.value->target;
            linkedProgram = link.value->program;
        }
    }
    std::vector<unsigned char> bytes;
    if (!readFile(target, bytes)) {
        cannotRead(target);
        return finishLoad(path);
    }
    auto decoded = files::decodePresetFile(bytes.data(), bytes.size());
    if (!decoded) {
        if (decoded.refusal == files::kUnsupportedPreset) library::report(decoded.refusal, "Error!");
        else cannotRead(target);
        return finishLoad(path);
    }
    const files::PresetFile& file = *decoded.value;

    // The instrument the file was made for, through the scan database or the person. A person
    // who cancels keeps the instrument playing, and it is not given another's file.
    HostedChild& instrument = rack_.instrument();
    const AEffect* before = instrument.effect();
    if (!instrument.isLoaded() || instrument.uniqueId() != file.pluginId) {
        if (auto known = rack_.loader().findInDatabase(file.pluginId)) {
            rack_.loadInstrument(known->c_str(), false, -1);
        } else {
            const std::string chosen = rack_.loader().chooseInstrument();
            if (chosen.size() > 2) rack_.loadInstrument(chosen.c_str(), false, file.pluginId);
        }
    }
    {
        GateHold hold(gate_, GateHold::wait);
        if (!hold) return;
        if (linkedProgram) front_.setCurrentProgram(*linkedProgram);
        const bool madeFor = instrument.uniqueId() == file.pluginId || instrument.effect() != before;
        if (instrument.isLoaded() && madeFor) {
            apply(file);
            // A file the browser gave names the program after itself.
            if (givenPath && !asChosen)
                instrument.setProgramName(library::baseName(path).substr(0, files::PresetFile::kNameField - 1));
            front_.displayChanged();
        }
        // Still with the gate held: the audio thread hears the new sound only once it is whole.
        finishLoad(path);
    }
}

void PresetFiles::apply(const files::PresetFile& file) {
    HostedChild& instrument = rack_.instrument();
    const float rate = front_.instrumentRate(front_.appliedFactor());
    // Many instruments load a program from their own bank whenever they are told one, even the
    // one they are on: after the file is applied, the instrument is told its program only when
    // it is on another, or the file's sound would be lost.
    auto endOn = [&](VstInt32 program) {
        if (instrument.program() != program) front_.forwardProgram(program);
        else front_.setCurrentProgram(program);
    };
    // A preset always lands in program 0.
    switch (file.magic) {
    case files::PresetMagic::programParameters:
        if (front_.currentProgram() != 0) front_.forwardProgram(0);
        instrument.setProgramName(file.name);
        applyParameterValues(instrument, file.parameters);
        endOn(0);
        break;
    case files::PresetMagic::programChunk:
        if (front_.currentProgram() != 0) front_.forwardProgram(0);
        instrument.suspend();
        instrument.setChunk(file.chunk, 1);
        instrument.setSampleRate(rate);
        instrument.resume();
        endOn(0);
        instrument.setProgramName(file.name);
        break;
    case files::PresetMagic::bankPrograms: {
        const std::size_t count = std::min(file.programs.size(), static_cast<std::size_t>(instrument.numPrograms()));
        for (std::size_t p = 0; p < count; ++p) {
            instrument.setProgram(static_cast<VstInt32>(p));
            instrument.setProgramName(file.programs[p].name);
            applyParameterValues(instrument, file.programs[p].parameters);
        }
        endOn(front_.currentProgram());
        break;
    }
    case files::PresetMagic::bankChunk:
        instrument.suspend();
        instrument.setChunk(file.chunk, 0);
        instrument.setSampleRate(rate);
        instrument.resume();
        endOn(front_.currentProgram());
        break;
    }
}

void PresetFiles::finishLoad(const std::string& loadedPath) {
    {
        GateHold hold(gate_, GateHold::wait);
        if (!hold) return;
        HostedChild& instrument = rack_.instrument();
        if (instrument.isLoaded()) {
            front_.tellStatus("VST: " + library::baseName(rack_.instrumentPath()) + " - " +
                              (loadedPath.empty() ? std::string() : library::baseName(loadedPath)));
            instrument.suspend();
            instrument.resume();
            front_.instrumentRestarted();
        } else {
            front_.tellStatus("");
        }
    }
    front_.stateChanged();
}

bool PresetFiles::offerPath(const std::string& path) {
    if (path.empty() || gate_.isHeld()) return false;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    if (!pendingPath_.empty()) return false;
    pendingPath_ = path;
    return true;
}

std::string PresetFiles::takePendingPath() {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    std::string path;
    path.swap(pendingPath_);
    return path;
}

bool PresetFiles::pathPending() const {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    return !pendingPath_.empty();
}

}  // namespace vexlo::manager
