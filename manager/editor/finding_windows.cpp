// The editor's side of the preset browser and the search window: they leave a path in the
// manager, and the editor's idle loads it, so loading always happens on the editor's thread
// and never from inside one of their clicks.
#include "manager/core/vst_manager.h"
#include "manager/editor/manager_editor.h"
#include "manager/editor/preset_browser.h"
#include "manager/editor/search_window.h"

namespace vexlo::manager {

void VstManagerEditor::openSearchWindow() {
    if (!frame) return;
    if (search_) {
        search_->raise();
        return;
    }
    search_ = SearchWindow::open(*frame, *manager());
}

void VstManagerEditor::togglePresetBrowser() {
    if (!frame) return;
    browser_.reset();  // a browser open already is closed and opened afresh
    browser_ = openPresetBrowser(*frame, *manager());
}

void VstManagerEditor::tendFindingWindows() {
    if (searchToTop_) {
        searchToTop_ = false;
        if (search_) search_->raise();
    }
    const std::string path = manager()->takePendingPresetPath();
    if (!path.empty()) {
        manager()->loadPresetOrBank(false, path.c_str());
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

void VstManagerEditor::closeFindingWindows() {
    search_.reset();
    browser_.reset();
    searchToTop_ = false;
}

}  // namespace vexlo::manager
