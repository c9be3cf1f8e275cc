#include "manager/editor/finding_windows.h"

#include "manager/core/vst_manager.h"

namespace vexlo::manager {

void FindingWindows::openSearchWindow() {
    if (!context_.frame) return;
    if (search_) {
        search_->raise();
        return;
    }
    search_ = SearchWindow::open(*context_.frame, context_.manager);
}

void FindingWindows::togglePresetBrowser() {
    if (!context_.frame) return;
    browser_.reset();  // a browser open already is closed and opened afresh
    browser_ = openPresetBrowser(*context_.frame, context_.manager);
}

void FindingWindows::tend() {
    if (searchToTop_) {
        searchToTop_ = false;
        if (search_) search_->raise();
    }
    const std::string path = context_.manager.takePendingPresetPath();
    if (!path.empty()) {
        context_.manager.loadPresetOrBank(false, path.c_str());
        searchToTop_ = search_ != nullptr;
    }
    if (search_) {
        search_->idle();
        if (search_->closeRequested()) search_.reset();
    }
    if (browser_) {
        browser_->idle();
        if (browser_->closeRequested()) browser_.reset();
    }
}

void FindingWindows::closeAll() {
    search_.reset();
    browser_.reset();
    searchToTop_ = false;
}

}  // namespace vexlo::manager
