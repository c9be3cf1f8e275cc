// Vexlo VM's preset, bank and link files: loaded into the instrument (the one each file was
// made for, loaded first), and the instrument's programs and bank written as files, with the
// dialogs and questions these take. And the path the preset browser or the search window
// leaves for the editor's idle to load.
#pragma once

#include <mutex>
#include <string>

#include "hosting/preset_file.h"
#include "manager/files/preset_link.h"
#include "manager/core/child_rack.h"

namespace vexlo::manager {

class PresetFiles {
public:
    PresetFiles(ChildRack& rack, AudioGate& gate, library::ManagerSettings& settings, ManagerFront& front)
        : rack_(rack), gate_(gate), settings_(settings), front_(front) {}

    // ---- Loading ----
    // An FXP, FXB or .fxplnk file, the instrument it was made for loaded first. A null path
    // asks for a file (bank: the dialog offers banks). A path from the browser names the
    // program after the file; one a person chose (asChosen) does not.
    void load(bool bank, const char* path, bool asChosen);

    // ---- Saving ----
    // The current program as an FXP; ask: through a dialog, else named after the program in the
    // last preset folder. False only when no file name was had.
    bool saveProgram(bool ask);
    // Every program as an FXP of its own.
    void extractPrograms();
    // The bank as one FXB chunk file, then a link into it for every program.
    void saveBankAndLinks();
    // A link to the current program of the last bank saved; the same answer as saveProgram.
    bool writeBankLink(bool ask);
    // A link to the last preset loaded or saved.
    void linkProgram();
    // The last preset loaded or saved (a link: the link itself).
    const std::string& currentPath() const { return currentPath_; }

    // ---- What the browser and the search leave for the editor's idle ----
    // Refused (false, nothing left) while another path waits or a change holds the gate.
    bool offerPath(const std::string& path);
    // The waiting path, taken; empty when none waits.
    std::string takePendingPath();
    bool pathPending() const;
    // Where the browser and the search start: the preset folder, until the search window
    // changes it (for this instance, not in the settings). The editor's thread only.
    std::string& browserFolder() { return browserFolder_; }

private:
    void apply(const files::PresetFile& file);
    // The status after a load, the instrument suspended and resumed, the held notes again.
    void finishLoad(const std::string& loadedPath);
    // Runs a writer for every program of the instrument, asking after the first whether to go
    // on asking for names.
    void writeEveryProgram(bool (PresetFiles::*write)(bool));
    void selectProgram(VstInt32 program);

    ChildRack& rack_;
    AudioGate& gate_;
    library::ManagerSettings& settings_;
    ManagerFront& front_;
    mutable std::mutex pendingMutex_;  // the windows and the idle may run on different threads
    std::string pendingPath_;
    std::string browserFolder_;
    std::string currentPath_;
    std::string lastBankPath_;  // the last bank file chosen
};

}  // namespace vexlo::manager
