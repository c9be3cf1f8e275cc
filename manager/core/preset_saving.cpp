// Vexlo VM writing its instrument's programs and bank as FXP and FXB files, and links to them.
// Dialogs and questions come first; the instrument is asked for its state only while no change
// runs.
#include <cstdio>

#include "hosting/preset_transfer.h"
#include "manager/core/preset_files.h"
#include "manager/library/path_utils.h"
#include "platform/user_services.h"

namespace vexlo::manager {

namespace {

// A program name made fit to name a file: each of \ / ? * : | " < > becomes a blank.
std::string cleanFileName(std::string name) {
    for (char& c : name)
        if (std::string("\\/?*:|\"<>").find(c) != std::string::npos) c = ' ';
    return name;
}

std::string chooseSavePath(const std::string& title, const char* typeName, const char* extension,
                           const std::string& folder, const std::string& proposed) {
    platform::FileRequest request;
    request.save = true;
    request.title = title;
    request.typeName = typeName;
    request.extension = extension;
    request.initialFolder = folder;
    request.proposedName = proposed;
    return platform::userServices().chooseFile(request);
}

void writeAndClose(std::FILE* file, const void* data, std::size_t size) {
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

// The path with the folder setting's characters cut from its front.
std::string relativeTo(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() ? path.substr(folder.size()) : std::string();
}

std::string programTitle(VstInt32 program) { return "Program #" + std::to_string(program) + " - Select Filename"; }

}  // namespace

bool PresetFiles::saveProgram(bool ask) {
    HostedChild& instrument = rack_.instrument();
    if (!instrument.isLoaded()) return false;
    std::string name;
    {
        GatePass pass(gate_, GatePass::waitForChange);
        if (!pass || !instrument.isLoaded()) return false;
        name = cleanFileName(instrument.programName().substr(0, kVstMaxProgNameLen));
    }
    const std::string path = ask ? chooseSavePath(programTitle(front_.currentProgram()), "FXP Preset", "fxp", settings_.lastPresetFolder, name)
                                 : settings_.lastPresetFolder + name + ".fxp";
    if (path.size() <= 2) return false;
    settings_.lastPresetFolder = library::folder(path);
    currentPath_ = path;
    std::FILE* file = library::createFile(path, "wb");
    if (!file) return true;
    std::vector<unsigned char> bytes;
    {
        GatePass pass(gate_, GatePass::waitForChange);
        if (pass && instrument.isLoaded()) bytes = files::encodePresetFile(capturePreset(instrument, false));
    }
    writeAndClose(file, bytes.data(), bytes.size());
    return true;
}

bool PresetFiles::writeBankLink(bool ask) {
    HostedChild& instrument = rack_.instrument();
    if (!instrument.isLoaded()) return false;
    std::string name;
    VstInt32 id = 0;
    {
        GatePass pass(gate_, GatePass::waitForChange);
        if (!pass || !instrument.isLoaded()) return false;
        name = cleanFileName(instrument.programName().substr(0, kVstMaxProgNameLen));
        id = instrument.uniqueId();
    }
    const std::string path = ask ? chooseSavePath(programTitle(front_.currentProgram()), "FXB Link Preset", "fxplnk",
                                                  settings_.lastPresetFolder, name)
                                 : settings_.lastPresetFolder + name + ".fxplnk";
    if (path.size() <= 2) return false;
    settings_.lastPresetFolder = library::folder(path);
    std::FILE* file = library::createFile(path, "w");
    if (!file) return true;
    const std::string text = files::encodePresetLink({relativeTo(lastBankPath_, settings_.fxbFolder), id, front_.currentProgram()});
    writeAndClose(file, text.data(), text.size());
    return true;
}

void PresetFiles::writeEveryProgram(bool (PresetFiles::*write)(bool)) {
    HostedChild& instrument = rack_.instrument();
    const VstInt32 programs = instrument.numPrograms();
    bool ask = true;
    for (VstInt32 p = 0; p < programs; ++p) {
        selectProgram(p);
        if (!(this->*write)(ask)) break;
        if (p == 0 && !library::ask("Continue asking filenames?", "Question")) ask = false;
        front_.tellStatus(std::to_string(p) + "/" + std::to_string(programs));
    }
    front_.tellStatus("");
}

void PresetFiles::extractPrograms() {
    HostedChild& instrument = rack_.instrument();
    if (instrument.isLoaded()) writeEveryProgram(&PresetFiles::saveProgram);
}

void PresetFiles::saveBankAndLinks() {
    HostedChild& instrument = rack_.instrument();
    if (!instrument.isLoaded()) return;
    if (!instrument.hasFlag(effFlagsProgramChunks)) {
        library::report("VST doesn't save Bank of Chunks.\nUse the FXP Extract option instead!", "Error!");
        return;
    }
    const std::string path =
        chooseSavePath("Select FXB Filename", "FXB Bank", "fxb", settings_.fxbFolder, library::baseName(rack_.instrumentPath()));
    if (path.size() <= 2) return;
    lastBankPath_ = path;
    if (std::FILE* file = library::createFile(path, "wb")) {
        std::vector<unsigned char> bytes;
        {
            GatePass pass(gate_, GatePass::waitForChange);
            if (pass && instrument.isLoaded()) {
                files::PresetFile bank = capturePreset(instrument, true);
                bank.formatVersion = 1;  // the layout without the current program
                bank.currentProgram = 0;
                bytes = files::encodePresetFile(bank);
            }
        }
        writeAndClose(file, bytes.data(), bytes.size());
    }
    // The links are written whether or not the bank was.
    writeEveryProgram(&PresetFiles::writeBankLink);
}

void PresetFiles::linkProgram() {
    HostedChild& instrument = rack_.instrument();
    if (!instrument.isLoaded()) return;
    if (currentPath_.size() < 2) {
        library::report("Load/Save a FXP file first!", "Error!");
        return;
    }
    const std::string path = chooseSavePath("Link to FXP file.", "FXP Preset Link", "fxplnk", library::folder(currentPath_),
                                            "Link " + library::baseName(currentPath_));
    if (path.size() <= 2) return;
    std::FILE* file = library::createFile(path, "w");
    if (!file) return;
    const std::string text = files::encodePresetLink({relativeTo(currentPath_, settings_.fxpFolder), instrument.uniqueId(), {}});
    writeAndClose(file, text.data(), text.size());
}

void PresetFiles::selectProgram(VstInt32 program) {
    GatePass pass(gate_);
    if (pass) front_.forwardProgram(program);
    else front_.setCurrentProgram(program);
}

}  // namespace vexlo::manager
