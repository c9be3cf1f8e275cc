// Vexlo VM's search window: a folder tree searched for presets and preset links by name, the
// results in a list, and the one the person selects left in the manager for the editor's idle
// to load. It lives on the editor's thread; the walk runs on a worker that only queues lines.
// The window is the system's dialog where the system builds it from the library's template,
// and drawn by the toolkit elsewhere.
#pragma once

#include <memory>

#include "manager/editor/search_dialog.h"
#include "manager/library/preset_search.h"

namespace vexlo::manager {

class VstManager;

class SearchWindow : public toolkit::DialogListener {
public:
    // The controls, by their numbers.
    enum Controls {
        kTextBox = VEXLO_SEARCH_TEXT,
        kSearchButton = VEXLO_SEARCH_BUTTON,
        kFolderBox = VEXLO_SEARCH_FOLDER,
        kFolderButton = VEXLO_SEARCH_FOLDER_BUTTON,
        kResultList = VEXLO_SEARCH_RESULTS,
    };

    // Null when no window could be made.
    static std::unique_ptr<SearchWindow> open(toolkit::CFrame& owner, VstManager& manager);
    // Stops a running search and waits for it; the window goes after it.
    ~SearchWindow() override;

    // From the editor's idle: the window's events, the lines found since, the button's text.
    void idle();
    void raise() { dialog_->raise(); }
    bool closeRequested() const { return dialog_->closeRequested(); }
    bool searching() const { return runner_.running(); }
    // The toolkit's window, or null when the system's dialog shows.
    ToolkitSearchDialog* toolkitDialog() const { return toolkitDialog_; }

    void dialogCommand(int control) override;

private:
    explicit SearchWindow(VstManager& manager) : manager_(manager) {}
    void show(std::unique_ptr<toolkit::Dialog> dialog);
    void startSearch();
    void changeFolder();
    void choose();
    void takeLines();

    VstManager& manager_;
    library::PresetSearchRunner runner_;
    std::unique_ptr<toolkit::Dialog> dialog_;
    ToolkitSearchDialog* toolkitDialog_ = nullptr;
};

}  // namespace vexlo::manager
