// Vexlo VM's search window: a folder tree searched for presets and preset links by name, the
// results in a list, and the one the person selects left in the manager for the editor's idle
// to load. It lives on the editor's thread; the walk runs on a worker that only queues lines.
#pragma once

#include <memory>

#include "manager/library/preset_search.h"
#include "toolkit/text_controls.h"
#include "toolkit/tool_window.h"

namespace vexlo::manager {

class VstManager;

class SearchWindow : public toolkit::CControlListener {
public:
    // The controls, by their numbers.
    enum Controls {
        kTextBox = 1004,
        kSearchButton = 1005,
        kFolderBox = 1006,
        kFolderButton = 1007,
        kResultList = 1010,
    };

    // Null when no window could be made.
    static std::unique_ptr<SearchWindow> open(toolkit::CFrame& owner, VstManager& manager);
    // Stops a running search and waits for it; the window goes after it.
    ~SearchWindow() override;

    // From the editor's idle: the window's events, the lines found since, the button's text.
    void idle();
    void raise() { tool_->window().raise(); }
    bool closeRequested() const { return tool_->closeRequested(); }
    bool searching() const { return runner_.running(); }

    toolkit::ToolWindow& tool() { return *tool_; }
    toolkit::CTextEdit* folderBox() const { return folderBox_; }
    toolkit::CTextEdit* textBox() const { return textBox_; }
    toolkit::CListBox* results() const { return results_; }
    toolkit::CTextButton* searchButton() const { return searchButton_; }
    toolkit::CTextButton* folderButton() const { return folderButton_; }

    void valueChanged(toolkit::CControl* control) override;

private:
    SearchWindow(std::unique_ptr<toolkit::ToolWindow> tool, VstManager& manager);
    void startSearch();
    void changeFolder();
    void choose(int line);
    void takeLines();

    std::unique_ptr<toolkit::ToolWindow> tool_;
    VstManager& manager_;
    library::PresetSearchRunner runner_;
    toolkit::CTextEdit* folderBox_ = nullptr;
    toolkit::CTextEdit* textBox_ = nullptr;
    toolkit::CListBox* results_ = nullptr;
    toolkit::CTextButton* searchButton_ = nullptr;
    toolkit::CTextButton* folderButton_ = nullptr;
};

}  // namespace vexlo::manager
