// What the editor's menus do: the command menu's entries and the oversampling menu. Every entry
// that asks the person something asks before the manager starts its change, so no dialog is
// ever open while the manager holds its gate.
#pragma once

#include "manager/editor/editor_context.h"
#include "manager/editor/hosted_editors.h"

namespace vexlo::manager {

class EditorCommands {
public:
    EditorCommands(EditorContext& context, HostedEditors& hosted) : context_(context), hosted_(hosted) {}

    void run(int entry);
    void chooseOversampling(int entry);
    // Brings the oversampling menu to the factor and quality in force, and the command menu's
    // switches (the bypass, the instrument's own process) to theirs.
    void showSwitches();
    // Auto GUI: the instrument's editor opens by itself (a switch kept in the settings).
    bool autoGuiOn() const;

    // The scan ended: the entry reads "Scan VSTs" again, and the person is told.
    void scanEnded(bool completed);

private:
    // Starts a scan, or stops the one running (the entry reads "Stop Scan" meanwhile).
    void scan();
    void toggleAutoGui();

    EditorContext& context_;
    HostedEditors& hosted_;
};

}  // namespace vexlo::manager
