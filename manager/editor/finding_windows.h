// The editor's side of the preset browser and the search window: they leave a path in the
// manager, and the editor's idle loads it, so loading always happens on the editor's thread
// and never from inside one of their clicks.
#pragma once

#include <memory>

#include "manager/editor/editor_context.h"
#include "manager/editor/preset_browser.h"
#include "manager/editor/search_window.h"

namespace vexlo::manager {

class FindingWindows {
public:
    explicit FindingWindows(EditorContext& context) : context_(context) {}

    // The search window, opened or brought to the top; the preset browser, opened, or closed
    // and opened afresh.
    void openSearchWindow();
    void togglePresetBrowser();
    // Idle's work: the search window to the top after a load, the path they left loaded, their
    // own events, and the ones closed destroyed.
    void tend();
    void closeAll();

    SearchWindow* searchWindow() const { return search_.get(); }
    // The toolkit's browser, or null (none open, or the system's).
    PresetBrowser* presetBrowser() const { return dynamic_cast<PresetBrowser*>(browser_.get()); }

private:
    EditorContext& context_;
    std::unique_ptr<SearchWindow> search_;
    std::unique_ptr<PresetBrowserWindow> browser_;
    bool searchToTop_ = false;
};

}  // namespace vexlo::manager
