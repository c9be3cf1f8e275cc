// What Vexlo VM tells whoever shows it (its editor): the children coming and going, a status
// text and the scan's progress. Called on the thread that made the change; an observer stores
// what it is told and draws it later, on its own thread.
#pragma once

#include <string>

#include "frame/vst_records.h"
#include "manager/library/folder_scan.h"

namespace vexlo::manager {

class ManagerObserver {
public:
    virtual ~ManagerObserver() = default;
    // The instrument is about to go (null: anything showing it must let go of it now) or has
    // come.
    virtual void instrumentChanged(AEffect* instrument) = 0;
    // The same for a MIDI slot, with the slot's label ("Bypass" when it is empty).
    virtual void midiSlotChanged(int slot, AEffect* effect, const std::string& label) = 0;
    virtual void statusChanged(const std::string& text) = 0;
    // The library being probed, the n-th of N, and a step without a name when the scan ends.
    // Called on the thread that scans.
    virtual void scanProgress(const library::ScanStep& step) = 0;
};

}  // namespace vexlo::manager
