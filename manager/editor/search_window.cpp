#include "manager/editor/search_window.h"

#include <algorithm>

#include "manager/core/vst_manager.h"
#include "manager/library/path_utils.h"
#include "platform/platform.h"
#include "platform/user_services.h"

namespace vexlo::manager {

using namespace toolkit;

namespace {

// The window is laid out in the units of a dialog in an 8-point system font: a unit is a
// quarter of its average character's width and an eighth of its height.
CRect units(int x, int y, int width, int height) {
    auto across = [](int u) { return u * 3 / 2; };
    auto down = [](int u) { return u * 13 / 8; };
    return {across(x), down(y), across(x + width), down(y + height)};
}

constexpr int kWidthUnits = 239, kHeightUnits = 294;
// No result behind a line (the opening lines).
constexpr long kNoResult = -1;

}  // namespace

std::unique_ptr<SearchWindow> SearchWindow::open(CFrame& owner, VstManager& manager) {
    // Centred on the screen, as the dialog it stands for.
    const CRect inside = units(0, 0, kWidthUnits, kHeightUnits);
    const CRect screen = owner.workArea();
    const int left = screen.left + std::max(0, (screen.width() - inside.width()) / 2);
    const int top = screen.top + std::max(0, (screen.height() - inside.height()) / 2);
    auto tool = ToolWindow::create(owner, "Vexlo VM - Search FXP Files",
                                   {left, top, left + inside.width(), top + inside.height()});
    if (!tool) return nullptr;
    return std::unique_ptr<SearchWindow>(new SearchWindow(std::move(tool), manager));
}

SearchWindow::SearchWindow(std::unique_ptr<ToolWindow> tool, VstManager& manager)
    : tool_(std::move(tool)), manager_(manager) {
    CFrame& frame = tool_->frame();
    folderBox_ = frame.addView(std::make_unique<CTextEdit>(units(7, 7, 162, 13), this, kFolderBox));
    folderBox_->setReadOnly(true);
    folderBox_->setMaxLength(library::kPathBufferSize);
    folderButton_ = frame.addView(std::make_unique<CTextButton>(units(175, 7, 57, 14), this, kFolderButton, "Change &Folder"));
    results_ = frame.addView(std::make_unique<CListBox>(units(7, 26, 225, 244), this, kResultList));
    results_->setSorted(true);
    textBox_ = frame.addView(std::make_unique<CTextEdit>(units(7, 274, 159, 13), this, kTextBox));
    textBox_->setMaxLength(library::kMaxSearchText);
    searchButton_ = frame.addView(std::make_unique<CTextButton>(units(172, 273, 60, 14), this, kSearchButton, "&Search"));
    for (const char* line : {"Click Search to start searching", "Change the folder above, if you want",
                             "Enter the text to search in the box below"})
        results_->addItem(line, kNoResult);
    folderBox_->setText(manager_.browserFolder());
    frame.setFocusView(textBox_);
}

SearchWindow::~SearchWindow() { runner_.stopAndWait(); }

void SearchWindow::valueChanged(CControl* control) {
    switch (control->getTag()) {
    case kSearchButton:
    case kTextBox:  // Enter in the text box searches, as the default button would
        if (runner_.running()) runner_.requestStop();
        else startSearch();
        break;
    case kFolderButton: changeFolder(); break;
    case kResultList: choose(results_->selected()); break;
    default: break;
    }
}

void SearchWindow::startSearch() {
    searchButton_->setTitle("Stop Searching");
    results_->clear();
    runner_.start(manager_.browserFolder(), textBox_->getText());
}

void SearchWindow::changeFolder() {
    std::string chosen =
        platform::userServices().chooseFolder("Select the folder to start searching", manager_.browserFolder());
    if (!chosen.empty()) {
        if (chosen.back() != '\\' && chosen.back() != '/') chosen += platform::pathSeparator();
        manager_.browserFolder() = chosen;
    }
    folderBox_->setText(manager_.browserFolder());
    // The worker never needs this thread, so waiting for it here cannot hang.
    runner_.stopAndWait();
    takeLines();
    startSearch();
}

void SearchWindow::choose(int line) {
    if (line < 0) return;
    const long index = results_->itemData(line);
    runner_.stopAndWait();
    takeLines();
    if (index == kNoResult) return;
    const std::string path = runner_.result(static_cast<std::size_t>(index));
    // Refused while another path waits or the manager is busy: the person selects it again later.
    if (!path.empty()) manager_.offerPresetPath(path);
}

void SearchWindow::takeLines() {
    const bool ended = runner_.takeEnded();  // before the lines: every line of an ended search is queued
    for (const auto& line : runner_.takeLines()) results_->addItem(line.name, static_cast<long>(line.index));
    if (ended) searchButton_->setTitle("Search");
}

void SearchWindow::idle() {
    takeLines();
    tool_->idle();
}

}  // namespace vexlo::manager
