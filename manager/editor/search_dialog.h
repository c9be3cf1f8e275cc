// The search window drawn by the toolkit, where the system has no dialog of its own to build it
// from (X11, and the offscreen frames of tests): the same five controls in a tool window, laid
// out from the dialog's units.
#pragma once

#include <memory>
#include <string>

#include "manager/editor/search_dialog_ids.h"
#include "toolkit/system_dialogs.h"
#include "toolkit/text_controls.h"
#include "toolkit/tool_window.h"

namespace vexlo::manager {

class ToolkitSearchDialog : public toolkit::Dialog, public toolkit::CControlListener {
public:
    // Centred on the owner's screen. Null when no window could be made.
    static std::unique_ptr<ToolkitSearchDialog> open(toolkit::CFrame& owner, toolkit::DialogListener& listener);

    void setText(int control, const std::string& text) override;
    std::string text(int control) const override;
    void clearList(int) override { results_->clear(); }
    void addLine(int, const std::string& line, long data) override { results_->addItem(line, data); }
    long selectedData(int) const override;
    void focus(int control) override;
    void raise() override { tool_->window().raise(); }
    void idle() override { tool_->idle(); }
    bool closeRequested() const override { return tool_->closeRequested(); }

    toolkit::ToolWindow& tool() { return *tool_; }
    toolkit::CTextEdit* folderBox() const { return folderBox_; }
    toolkit::CTextEdit* textBox() const { return textBox_; }
    toolkit::CListBox* results() const { return results_; }
    toolkit::CTextButton* searchButton() const { return searchButton_; }
    toolkit::CTextButton* folderButton() const { return folderButton_; }

    void valueChanged(toolkit::CControl* control) override;

private:
    ToolkitSearchDialog(std::unique_ptr<toolkit::ToolWindow> tool, toolkit::DialogListener& listener);

    std::unique_ptr<toolkit::ToolWindow> tool_;
    toolkit::DialogListener& listener_;
    toolkit::CTextEdit* folderBox_ = nullptr;
    toolkit::CTextEdit* textBox_ = nullptr;
    toolkit::CListBox* results_ = nullptr;
    toolkit::CTextButton* searchButton_ = nullptr;
    toolkit::CTextButton* folderButton_ = nullptr;
};

}  // namespace vexlo::manager
