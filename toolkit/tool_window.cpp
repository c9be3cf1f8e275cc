#include "toolkit/tool_window.h"

#include "toolkit/text_controls.h"

namespace vexlo::toolkit {

std::unique_ptr<ToolWindow> ToolWindow::create(CFrame& owner, const std::string& title, const CRect& where) {
    std::unique_ptr<ToolWindow> tool(new ToolWindow);
    tool->window_ = owner.createOwnedWindow(title, where);
    if (!tool->window_) return nullptr;
    tool->frame_ = std::make_unique<CFrame>(CRect{0, 0, where.width(), where.height()}, tool->window_->handle(), nullptr);
    if (!tool->frame_->isOpen()) return nullptr;
    tool->frame_->setBackgroundColour(kToolFace);
    // A tool window opens to be typed into or stepped through at once.
    if (tool->frame_->platform()) tool->frame_->platform()->takeKeyboard();
    ToolWindow* raw = tool.get();
    tool->window_->setCloseHandler([raw] { raw->closeRequested_ = true; });
    tool->frame_->setKeyListener([raw](const KeyEvent& key) {
        if (key.key != Key::escape) return false;
        raw->closeRequested_ = true;
        return true;
    });
    return tool;
}

ToolWindow::~ToolWindow() {
    frame_.reset();
    window_.reset();
}

}  // namespace vexlo::toolkit
