// Vexlo VM loading preset, bank and link files into its instrument. The file is read and
// understood whole before anything changes; the instrument it was made for is loaded first
// (its dialogs and questions come before the gate is taken); then the file is applied, the
// instrument restarted and the held notes sent again, all with the gate held.
#include "hosting/preset_transfer.h"
#include "manager/core/vst_manager.h"
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

void VstManager::loadPresetOrBank(bool bank, const char* givenPath, bool asChosen) {
    if (gate.isHeld()) return;  // another change runs: this load is dropped
    tellStatus("Loading...");
    std::string path = givenPath ? givenPath : "";
    if (!givenPath) {
        platform::FileRequest request;
        request.title = "Select the Bank/Preset file";
        request.typeName = bank ? "FXB Bank" : "FXP Preset";
        request.extension = bank ? "fxb" : "fxp";
        request.initialFolder = settings_.lastPresetFolder;
        path = platform::userServices().chooseFile(request);
    }
    if (path.size() <= 2) return finishPresetLoad("");
    settings_.lastPresetFolder = library::folder(path);
    currentPresetPath_ = path;

    // A link names the file to load and, into a bank, the program to end on.
    std::string target = path;
    std::optional<VstInt32> linkedProgram;
    if (library::upperCase(library::extension(path)) == "FXPLNK") {
        std::vector<unsigned char> text;
        if (readFile(path, text)) {
            auto link = files::decodePresetLink(text.data(), text.size());
            if (!link) {
                cannotRead(path);
                return finishPresetLoad(path);
            }
            target = (link.value->namesProgramFile() ? settings_.fxpFolder : settings_.fxbFolder) + link.value->target;
            linkedProgram = link.value->program;
        }
    }
    std::vector<unsigned char> bytes;
    if (!readFile(target, bytes)) {
        cannotRead(target);
        return finishPresetLoad(path);
    }
    auto decoded = files::decodePresetFile(bytes.data(), bytes.size());
    if (!decoded) {
        if (decoded.refusal == files::kUnsupportedPreset) library::report(decoded.refusal, "Error!");
        else cannotRead(target);
        return finishPresetLoad(path);
    }
    const files::PresetFile& file = *decoded.value;

    // The instrument the file was made for, through the scan database or the person. A person
    // who cancels keeps the instrument playing, and it is not given another's file.
    const AEffect* before = instrument_.effect();
    if (!instrument_.isLoaded() || instrument_.uniqueId() != file.pluginId) {
        if (auto known = loader_.findInDatabase(file.pluginId)) {
            loadInstrument(known->c_str(), false, -1);
        } else {
            const std::string chosen = loader_.chooseInstrument();
            if (chosen.size() > 2) loadInstrument(chosen.c_str(), false, file.pluginId);
        }
    }
    {
        GateHold hold(gate, GateHold::wait);
        if (!hold) return;
        if (linkedProgram) curProgram = *linkedProgram;
        const bool madeFor = instrument_.uniqueId() == file.pluginId || instrument_.effect() != before;
        if (instrument_.isLoaded() && madeFor) {
            applyPresetFile(file);
            // A file the browser gave names the program after itself.
            if (givenPath && !asChosen)
                instrument_.setProgramName(library::baseName(path).substr(0, files::PresetFile::kNameField - 1));
            updateDisplay();
        }
        // Still with the gate held: the audio thread hears the new sound only once it is whole.
        finishPresetLoad(path);
    }
}

void VstManager::applyPresetFile(const files::PresetFile& file) {
    const float rate = instrumentRate(oversampler_.factor());
    // Many instruments load a program from their own bank whenever they are told one, even the
    // one they are on: after the file is applied, the instrument is told its program only when
    // it is on another, or the file's sound would be lost.
    auto endOn = [&](VstInt32 program) {
        if (instrument_.program() != program) forwardProgram(program);
        else curProgram = program;
    };
    // A preset always lands in program 0.
    switch (file.magic) {
    case files::PresetMagic::programParameters:
        if (curProgram != 0) forwardProgram(0);
        instrument_.setProgramName(file.name);
        applyParameterValues(instrument_, file.parameters);
        endOn(0);
        break;
    case files::PresetMagic::programChunk:
        if (curProgram != 0) forwardProgram(0);
        instrument_.suspend();
        instrument_.setChunk(file.chunk, 1);
        instrument_.setSampleRate(rate);
        instrument_.resume();
        endOn(0);
        instrument_.setProgramName(file.name);
        break;
    case files::PresetMagic::bankPrograms: {
        const std::size_t count = std::min(file.programs.size(), static_cast<std::size_t>(instrument_.numPrograms()));
        for (std::size_t p = 0; p < count; ++p) {
            instrument_.setProgram(static_cast<VstInt32>(p));
            instrument_.setProgramName(file.programs[p].name);
            applyParameterValues(instrument_, file.programs[p].parameters);
        }
        endOn(curProgram);
        break;
    }
    case files::PresetMagic::bankChunk:
        instrument_.suspend();
        instrument_.setChunk(file.chunk, 0);
        instrument_.setSampleRate(rate);
        instrument_.resume();
        endOn(curProgram);
        break;
    }
}

void VstManager::finishPresetLoad(const std::string& loadedPath) {
    {
        GateHold hold(gate, GateHold::wait);
        if (!hold) return;
        if (instrument_.isLoaded()) {
            tellStatus("VST: " + library::baseName(instrumentPath_) + " - " +
                       (loadedPath.empty() ? std::string() : library::baseName(loadedPath)));
            instrument_.suspend();
            instrument_.resume();
            resendHeldNotes();
        } else {
            tellStatus("");
        }
    }
    rememberState();
}

}  // namespace vexlo::manager
