// Dialogs the system draws itself, where a backend has them: a dialog of controls built from a
// template in the library's resources, and the system's file-open dialog used as a browser that
// reports each file the person selects. A backend without them makes none, and the caller
// builds the same window from toolkit controls.
#pragma once

#include <string>

#include "toolkit/graphics.h"

namespace vexlo::toolkit {

// What a dialog's controls tell: a button clicked, a list's selection changed, or Enter pressed
// where no control takes it (`Dialog::kEnter`).
class DialogListener {
public:
    virtual ~DialogListener() = default;
    virtual void dialogCommand(int control) = 0;
};

// A modeless dialog on the thread that made it, its controls known by their numbers.
class Dialog {
public:
    static constexpr int kEnter = 1;
    static constexpr long kNoData = -1;

    virtual ~Dialog() = default;
    virtual void setText(int control, const std::string& text) = 0;
    virtual std::string text(int control) const = 0;
    virtual void clearList(int list) = 0;
    // The list sorts its lines itself; `data` stays with the line.
    virtual void addLine(int list, const std::string& line, long data) = 0;
    // The data of the selected line, or kNoData.
    virtual long selectedData(int list) const = 0;
    // The control that takes the keyboard.
    virtual void focus(int control) = 0;
    virtual void raise() = 0;
    // Handles what happened since the last call, from the owner's idle.
    virtual void idle() = 0;
    // The person closed it (close box or Escape); it is hidden, and its owner destroys it.
    virtual bool closeRequested() const = 0;
};

struct FileBrowserRequest {
    std::string title;       // also the start of the title after a folder change
    std::string filterName;  // "FXP Files"
    std::string patterns;    // "*.FXP;*.FXPLNK"
    std::string folder;      // where it starts
    CRect place;             // where it opens, on the screen
};

// Told, on the browser's own thread, of each file the person selects.
class FileBrowserListener {
public:
    virtual ~FileBrowserListener() = default;
    virtual void fileSelected(const std::string& path) = 0;
};

// The system's file-open dialog, trimmed to its folder view and a "Close" button, on a thread of
// its own so that the host's thread never waits for it.
class FileBrowser {
public:
    // Closes the dialog and waits for its thread, keeping this thread's messages flowing; the
    // place stays readable.
    virtual void close() = 0;
    // Closes it first.
    virtual ~FileBrowser() = default;
    // The person closed it.
    virtual bool ended() const = 0;
    // Where it is on the screen now (or was when it closed); empty before it showed.
    virtual CRect place() const = 0;
};

}  // namespace vexlo::toolkit
