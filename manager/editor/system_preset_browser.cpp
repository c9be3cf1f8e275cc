// The preset browser as the system's file-open dialog, on the dialog's own thread. It tells the
// manager of each selected file from that thread (the pending path is safe to share); where it
// is on the screen reaches the manager on the editor's thread, at idle and when it goes.
#include "manager/core/vst_manager.h"
#include "manager/editor/preset_browser.h"
#include "toolkit/system_dialogs.h"

namespace vexlo::manager {

namespace {

class SystemPresetBrowser : public PresetBrowserWindow, public toolkit::FileBrowserListener {
public:
    explicit SystemPresetBrowser(VstManager& manager) : manager_(manager) {}
    ~SystemPresetBrowser() override {
        if (!browser_) return;
        browser_->close();  // its thread joined, so the place is where it ended
        rememberPlace();
    }

    bool start(toolkit::CFrame& owner) {
        toolkit::FileBrowserRequest request;
        request.title = "Vexlo VM";
        request.filterName = "FXP Files";
        request.patterns = "*.FXP;*.FXPLNK";
        request.folder = manager_.browserFolder();
        request.place = browserPlace(manager_.browserRectangle());
        browser_ = owner.createFileBrowser(request, *this);
        return browser_ != nullptr;
    }

    void idle() override {
        if (browser_) rememberPlace();
    }
    bool closeRequested() const override { return browser_->ended(); }

    void fileSelected(const std::string& path) override { offerSelectedPreset(manager_, path); }

private:
    void rememberPlace() {
        if (!browser_) return;
        const toolkit::CRect now = browser_->place();
        if (now.width() > 0 && now.height() > 0) manager_.browserRectangle() = {now.left, now.top, now.right, now.bottom};
    }

    VstManager& manager_;
    std::unique_ptr<toolkit::FileBrowser> browser_;
};

}  // namespace

std::unique_ptr<PresetBrowserWindow> openPresetBrowser(toolkit::CFrame& owner, VstManager& manager) {
    auto system = std::make_unique<SystemPresetBrowser>(manager);
    if (system->start(owner)) return system;
    return PresetBrowser::open(owner, manager);
}

}  // namespace vexlo::manager
