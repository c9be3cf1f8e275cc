// What other threads tell Vexlo VM's editor (a status, the instrument's title, a slot's label),
// left under a small lock for the editor's thread to show.
#pragma once

#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "manager/editor/editor_views.h"

namespace vexlo::manager {

class EditorMailbox {
public:
    struct Mail {
        std::optional<std::string> status;
        bool title = false;  // the instrument and its program, when no status is left
        std::array<std::optional<std::string>, EditorTags::kSlots> slotLabels;
    };

    void leaveStatus(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        mail_.status = text;
        mail_.title = false;
    }
    void leaveTitle() {
        std::lock_guard<std::mutex> lock(mutex_);
        mail_.title = true;
        mail_.status.reset();
    }
    void leaveSlotLabel(int slot, const std::string& label) {
        std::lock_guard<std::mutex> lock(mutex_);
        mail_.slotLabels[static_cast<std::size_t>(slot)] = label;
    }
    // The scan ended (completed, or stopped or failed): told once, at the editor's idle.
    void leaveScanEnd(bool completed) {
        std::lock_guard<std::mutex> lock(mutex_);
        scanEnd_ = completed;
    }
    std::optional<bool> takeScanEnd() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(scanEnd_, std::nullopt);
    }
    // Everything left, taken; the box is empty after.
    Mail take() {
        std::lock_guard<std::mutex> lock(mutex_);
        Mail taken = std::move(mail_);
        mail_ = Mail();
        return taken;
    }

private:
    std::mutex mutex_;
    Mail mail_;
    std::optional<bool> scanEnd_;
};

}  // namespace vexlo::manager
