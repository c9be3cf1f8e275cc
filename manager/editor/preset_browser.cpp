#include "manager/editor/preset_browser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "manager/core/vst_manager.h"
#include "manager/library/path_utils.h"
#include "manager/library/preset_search.h"
#include "platform/platform.h"

namespace vexlo::manager {

using namespace toolkit;

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string withSeparator(std::string folder) {
    if (!folder.empty() && !isSeparator(folder.back())) folder += platform::pathSeparator();
    return folder;
}

// The folder above, with its separator; empty at the top.
std::string parentOf(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && isSeparator(path.back())) path.pop_back();
    const std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos || cut + 1 >= path.size()) return {};
    return path.substr(0, cut + 1);
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    return library::upperCase(a) < library::upperCase(b);
}

bool readable(const std::string& path) {
    if (platform::pathInfo(path).kind != platform::PathKind::regularFile) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

}  // namespace

CRect browserPlace(const library::BrowserRectangle& r) {
    return {r.left, r.top, std::max(r.right, r.left + PresetBrowser::kMinWidth),
            std::max(r.bottom, r.top + PresetBrowser::kMinHeight)};
}

std::unique_ptr<PresetBrowser> PresetBrowser::open(CFrame& owner, VstManager& manager) {
    auto tool = ToolWindow::create(owner, "Vexlo VM", browserPlace(manager.browserRectangle()));
    if (!tool) return nullptr;
    return std::unique_ptr<PresetBrowser>(new PresetBrowser(std::move(tool), manager));
}

PresetBrowser::PresetBrowser(std::unique_ptr<ToolWindow> tool, VstManager& manager)
    : tool_(std::move(tool)), manager_(manager) {
    CFrame& frame = tool_->frame();
    const CRect inside = frame.getViewSize();
    entries_ = frame.addView(std::make_unique<CListBox>(CRect{6, 6, inside.right - 6, inside.bottom - 36}, this, kEntryList));
    closeButton_ = frame.addView(std::make_unique<CTextButton>(
        CRect{inside.right - 86, inside.bottom - 30, inside.right - 6, inside.bottom - 6}, this, kCloseButton, "Close"));
    frame.setFocusView(entries_);
    showFolder(manager_.browserFolder());
}

PresetBrowser::~PresetBrowser() { rememberPlace(); }

void PresetBrowser::rememberPlace() {
    const CRect now = tool_->window().screenBounds();
    if (now.width() > 0 && now.height() > 0) manager_.browserRectangle() = {now.left, now.top, now.right, now.bottom};
}

int PresetBrowser::lineOf(const std::string& name) const {
    for (int line = 0; line < entries_->count(); ++line)
        if (entries_->itemText(line) == name) return line;
    return -1;
}

void PresetBrowser::showFolder(const std::string& folder) {
    folder_ = withSeparator(folder);
    std::vector<Entry> folders, files;
    for (const auto& entry : platform::listDirectory(folder_.empty() ? std::string(".") : folder_, "*")) {
        if (entry.name[0] == '.') continue;
        if (entry.isFolder) folders.push_back({entry.name, true});
        else if (library::isPresetOrLinkName(entry.name)) files.push_back({entry.name, false});
    }
    auto byName = [](const Entry& a, const Entry& b) { return lessIgnoringCase(a.name, b.name); };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    shown_.clear();
    if (!parentOf(folder_).empty()) shown_.push_back({"..", true});
    shown_.insert(shown_.end(), folders.begin(), folders.end());
    shown_.insert(shown_.end(), files.begin(), files.end());
    entries_->clear();
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const Entry& entry = shown_[i];
        entries_->addItem(entry.isFolder && entry.name != ".." ? "[" + entry.name + "]" : entry.name, static_cast<long>(i));
    }
    const std::string title = "Vexlo VM - [" + folder_ + "]";
    tool_->window().setTitle(title.substr(0, std::min(title.size(), kMaxTitle)));
}

void PresetBrowser::valueChanged(CControl* control) {
    if (control->getTag() == kCloseButton) tool_->requestClose();
    else if (control->getTag() == kEntryList) choose(entries_->selected());
}

void PresetBrowser::choose(int line) {
    if (line < 0) return;
    const Entry entry = shown_[static_cast<std::size_t>(entries_->itemData(line))];
    if (entry.isFolder) {
        showFolder(entry.name == ".." ? parentOf(folder_) : folder_ + entry.name);
        return;
    }
    // While a path waits or the manager is busy the choice is ignored; the person clicks again.
    if (manager_.presetPathPending()) return;
    rememberPlace();
    offerSelectedPreset(manager_, folder_ + entry.name);
}

bool offerSelectedPreset(VstManager& manager, const std::string& path) {
    if (!library::hasExtension(library::fileName(path))) return false;
    if (manager.presetPathPending() || !readable(path)) return false;
    return manager.offerPresetPath(path);
}

}  // namespace vexlo::manager
