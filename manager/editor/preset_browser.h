// Vexlo VM's preset browser: a folder's presets and preset links, its sub-folders and the way
// up, in a window of its own. A click on a file leaves its path in the manager for the
// editor's idle to load (so trying sounds is one click each); a click on a folder opens it.
// The window opens where it was last, and that place survives the manager in the settings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "manager/library/settings.h"
#include "toolkit/text_controls.h"
#include "toolkit/tool_window.h"

namespace vexlo::manager {

class VstManager;

// What the editor keeps of a browser, whoever draws it.
class PresetBrowserWindow {
public:
    virtual ~PresetBrowserWindow() = default;
    virtual void idle() = 0;
    virtual bool closeRequested() const = 0;
};

// The system's browser where the platform has one, the toolkit's otherwise; null when no window
// could be made.
std::unique_ptr<PresetBrowserWindow> openPresetBrowser(toolkit::CFrame& owner, VstManager& manager);

// A selected file goes to the manager when it is a file with an extension that can be read and
// no other path waits (the person selects it again later). Safe from any thread.
bool offerSelectedPreset(VstManager& manager, const std::string& path);
// Where a browser opens: the remembered rectangle, at least the smallest size a browser takes.
toolkit::CRect browserPlace(const library::BrowserRectangle& remembered);

// The browser drawn by the toolkit.
class PresetBrowser : public PresetBrowserWindow, public toolkit::CControlListener {
public:
    enum Controls { kEntryList = 1, kCloseButton = 2 };
    static constexpr int kMinWidth = 240, kMinHeight = 180;
    // The longest title the window takes.
    static constexpr std::size_t kMaxTitle = 323;

    // At the manager's remembered rectangle, showing the browser folder. Null when no window
    // could be made.
    static std::unique_ptr<PresetBrowser> open(toolkit::CFrame& owner, VstManager& manager);
    // Remembers where the window is in the manager.
    ~PresetBrowser() override;

    void idle() override { tool_->idle(); }
    bool closeRequested() const override { return tool_->closeRequested(); }

    toolkit::ToolWindow& tool() { return *tool_; }
    toolkit::CListBox* entries() const { return entries_; }
    toolkit::CTextButton* closeButton() const { return closeButton_; }
    const std::string& folder() const { return folder_; }
    // The line that shows a name, or -1.
    int lineOf(const std::string& name) const;

    void valueChanged(toolkit::CControl* control) override;

private:
    PresetBrowser(std::unique_ptr<toolkit::ToolWindow> tool, VstManager& manager);
    void showFolder(const std::string& folder);
    void choose(int line);
    void rememberPlace();

    struct Entry {
        std::string name;
        bool isFolder;
    };
    std::unique_ptr<toolkit::ToolWindow> tool_;
    VstManager& manager_;
    std::string folder_;
    std::vector<Entry> shown_;
    toolkit::CListBox* entries_ = nullptr;
    toolkit::CTextButton* closeButton_ = nullptr;
};

}  // namespace vexlo::manager
