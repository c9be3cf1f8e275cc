#include "manager/editor/search_dialog.h"

#include <algorithm>

#include "manager/library/path_utils.h"
#include "manager/library/preset_search.h"

namespace vexlo::manager {

using namespace toolkit;

namespace {

// A dialog unit is a quarter of the average character's width and an eighth of the height of
// the dialog's 8-point font.
CRect units(int x, int y, int width, int height) {
    auto across = [](int u) { return u * 3 / 2; };
    auto down = [](int u) { return u * 13 / 8; };
    return {across(x), down(y), across(x + width), down(y + height)};
}

constexpr int kWidthUnits = 239, kHeightUnits = 294;

}  // namespace

std::unique_ptr<ToolkitSearchDialog> ToolkitSearchDialog::open(CFrame& owner, DialogListener& listener) {
    const CRect inside = units(0, 0, kWidthUnits, kHeightUnits);
    const CRect screen = owner.workArea();
    const int left = screen.left + std::max(0, (screen.width() - inside.width()) / 2);
    const int top = screen.top + std::max(0, (screen.height() - inside.height()) / 2);
    auto tool = ToolWindow::create(owner, "Vexlo VM - Search FXP Files",
                                   {left, top, left + inside.width(), top + inside.height()});
    if (!tool) return nullptr;
    return std::unique_ptr<ToolkitSearchDialog>(new ToolkitSearchDialog(std::move(tool), listener));
}

ToolkitSearchDialog::ToolkitSearchDialog(std::unique_ptr<ToolWindow> tool, DialogListener& listener)
    : tool_(std::move(tool)), listener_(listener) {
    CFrame& frame = tool_->frame();
    folderBox_ = frame.addView(std::make_unique<CTextEdit>(units(7, 7, 162, 13), this, VEXLO_SEARCH_FOLDER));
    folderBox_->setReadOnly(true);
    folderBox_->setMaxLength(library::kPathBufferSize);
    folderButton_ = frame.addView(
        std::make_unique<CTextButton>(units(175, 7, 57, 14), this, VEXLO_SEARCH_FOLDER_BUTTON, "Change &Folder"));
    results_ = frame.addView(std::make_unique<CListBox>(units(7, 26, 225, 244), this, VEXLO_SEARCH_RESULTS));
    results_->setSorted(true);
    textBox_ = frame.addView(std::make_unique<CTextEdit>(units(7, 274, 159, 13), this, VEXLO_SEARCH_TEXT));
    textBox_->setMaxLength(library::kMaxSearchText);
    searchButton_ = frame.addView(std::make_unique<CTextButton>(units(172, 273, 60, 14), this, VEXLO_SEARCH_BUTTON, "&Search"));
}

void ToolkitSearchDialog::setText(int control, const std::string& text) {
    switch (control) {
    case VEXLO_SEARCH_FOLDER: folderBox_->setText(text); break;
    case VEXLO_SEARCH_TEXT: textBox_->setText(text); break;
    case VEXLO_SEARCH_BUTTON: searchButton_->setTitle(text); break;
    case VEXLO_SEARCH_FOLDER_BUTTON: folderButton_->setTitle(text); break;
    default: break;
    }
}

std::string ToolkitSearchDialog::text(int control) const {
    switch (control) {
    case VEXLO_SEARCH_FOLDER: return folderBox_->getText();
    case VEXLO_SEARCH_TEXT: return textBox_->getText();
    case VEXLO_SEARCH_BUTTON: return searchButton_->getTitle();
    case VEXLO_SEARCH_FOLDER_BUTTON: return folderButton_->getTitle();
    default: return {};
    }
}

long ToolkitSearchDialog::selectedData(int) const {
    const int line = results_->selected();
    return line < 0 ? kNoData : results_->itemData(line);
}

void ToolkitSearchDialog::focus(int control) {
    if (control == VEXLO_SEARCH_TEXT) tool_->frame().setFocusView(textBox_);
    else if (control == VEXLO_SEARCH_FOLDER) tool_->frame().setFocusView(folderBox_);
}

void ToolkitSearchDialog::valueChanged(CControl* control) {
    // Enter in the text box is the dialog's Enter, which searches as the default button would.
    listener_.dialogCommand(control->getTag() == VEXLO_SEARCH_TEXT ? Dialog::kEnter : control->getTag());
}

}  // namespace vexlo::manager
