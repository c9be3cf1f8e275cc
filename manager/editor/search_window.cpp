#include "manager/editor/search_window.h"

#include "manager/core/vst_manager.h"
#include "platform/platform.h"
#include "platform/user_services.h"

namespace vexlo::manager {

using toolkit::Dialog;

std::unique_ptr<SearchWindow> SearchWindow::open(toolkit::CFrame& owner, VstManager& manager) {
    std::unique_ptr<SearchWindow> window(new SearchWindow(manager));
    if (auto system = owner.createDialog(VEXLO_SEARCH_DIALOG, *window)) {
        window->show(std::move(system));
    } else if (auto drawn = ToolkitSearchDialog::open(owner, *window)) {
        window->toolkitDialog_ = drawn.get();
        window->show(std::move(drawn));
    } else {
        return nullptr;
    }
    return window;
}

void SearchWindow::show(std::unique_ptr<Dialog> dialog) {
    dialog_ = std::move(dialog);
    for (const char* line : {"Click Search to start searching", "Change the folder above, if you want",
                             "Enter the text to search in the box below"})
        dialog_->addLine(kResultList, line, Dialog::kNoData);
    dialog_->setText(kFolderBox, manager_.browserFolder());
    dialog_->focus(kTextBox);
}

SearchWindow::~SearchWindow() {
    runner_.stopAndWait();
    dialog_.reset();
}

void SearchWindow::dialogCommand(int control) {
    switch (control) {
    case kSearchButton:
    case Dialog::kEnter:
        if (runner_.running()) runner_.requestStop();
        else startSearch();
        break;
    case kFolderButton: changeFolder(); break;
    case kResultList: choose(); break;
    default: break;
    }
}

void SearchWindow::startSearch() {
    dialog_->setText(kSearchButton, "Stop Searching");
    dialog_->clearList(kResultList);
    runner_.start(manager_.browserFolder(), dialog_->text(kTextBox));
}

void SearchWindow::changeFolder() {
    std::string chosen =
        platform::userServices().chooseFolder("Select the folder to start searching", manager_.browserFolder());
    if (!chosen.empty()) {
        if (chosen.back() != '\\' && chosen.back() != '/') chosen += platform::pathSeparator();
        manager_.browserFolder() = chosen;
    }
    dialog_->setText(kFolderBox, manager_.browserFolder());
    // The worker never needs this thread, so waiting for it here cannot hang.
    runner_.stopAndWait();
    takeLines();
    startSearch();
}

void SearchWindow::choose() {
    const long index = dialog_->selectedData(kResultList);
    runner_.stopAndWait();
    takeLines();
    if (index == Dialog::kNoData) return;
    const std::string path = runner_.result(static_cast<std::size_t>(index));
    // Refused while another path waits or the manager is busy: the person selects it again later.
    if (!path.empty()) manager_.offerPresetPath(path);
}

void SearchWindow::takeLines() {
    const bool ended = runner_.takeEnded();  // before the lines: every line of an ended search is queued
    for (const auto& line : runner_.takeLines()) dialog_->addLine(kResultList, line.name, static_cast<long>(line.index));
    if (ended) dialog_->setText(kSearchButton, "Search");
}

void SearchWindow::idle() {
    takeLines();
    dialog_->idle();
}

}  // namespace vexlo::manager
