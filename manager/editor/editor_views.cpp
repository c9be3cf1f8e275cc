#include "manager/editor/editor_views.h"

namespace vexlo::manager {

using namespace toolkit;

namespace {

constexpr std::size_t kMaxSlotLabel = 99;
const CRect kUnplaced{0, 0, 10, 10};
// Out of sight until the skin places it.
const CRect kEndPieceUnplaced{2000, 2000, 2200, 2200};

}  // namespace

std::string EditorViews::slotLabel(const std::string& name) {
    return name.empty() ? "Bypass" : name.substr(0, kMaxSlotLabel);
}

CView* EditorViews::buttonOf(int tag) const {
    switch (tag) {
    case kSearchTag: return buttons[0];
    case kBrowserTag: return buttons[1];
    case kMidiSectionTag: return buttons[2];
    case kHostedEditorTag: return buttons[3];
    default: return nullptr;
    }
}

void EditorViews::buildBar(CFrame& frame, CControlListener* listener, int barWidth, int barHeight, bool bypassOn,
                           bool autoGuiOn, const CBitmap* endBitmap) {
    auto menu = std::make_unique<COptionMenu>(CRect{0, 0, barWidth, barHeight}, listener, kCommandTag);
    menu->setShowsText(false);
    menu->setCheckStyle(false);
    const char* entries[kCommands] = {"About",         "-", "Load Bank",          "Load Preset", "-",
                                      "Scan VSTs",     "Load &VST",                "-",
                                      "&Extract FXPs", "Extract FX&B+Links",       "&Save FXP",
                                      "&Link FXP",     "-",
                                      bypassText(bypassOn), autoGuiText(autoGuiOn), "Own Process",
                                      "Own Process: MIDI 1", "Own Process: MIDI 2", "Own Process: MIDI 3",
                                      "Own Process: MIDI 4", "Reload"};
    for (const char* entry : entries) menu->addEntry(entry);
    command = frame.addView(std::move(menu));

    buttons[1] = frame.addView(std::make_unique<CInvisibleButton>(kUnplaced, listener, kBrowserTag));
    buttons[0] = frame.addView(std::make_unique<CInvisibleButton>(kUnplaced, listener, kSearchTag));

    auto factors = std::make_unique<COptionMenu>(kUnplaced, listener, kOversamplingTag);
    for (const char* entry : {"Oversample: Off", "Oversample: 2x", "Oversample: 4x", "Oversample: 6x",
                              "Oversample: 8x", "-", "Quality: Classic", "Quality: High"})
        factors->addEntry(entry);
    factors->setFont(kNormalFontSmall);
    factors->setFontColor(kWhite);
    oversampling = frame.addView(std::move(factors));

    buttons[2] = frame.addView(std::make_unique<CInvisibleButton>(kUnplaced, listener, kMidiSectionTag));
    buttons[3] = frame.addView(std::make_unique<CInvisibleButton>(kUnplaced, listener, kHostedEditorTag));
    name = frame.addView(std::make_unique<CTextLabel>(kUnplaced, ""));
    name->setFont(kNormalFontSmall);
    name->setFontColor(kWhite);
    auto end = std::make_unique<COnOffPicture>(kEndPieceUnplaced, listener, kEndPieceTag, endBitmap);
    end->setMouseEnabled(false);
    endPiece = frame.addView(std::move(end));
}

void EditorViews::buildSlots(CControlListener* listener, const std::array<std::string, kSlots>& labels) {
    detachedSlotViews.clear();
    for (int slot = 0; slot < kSlots; ++slot) {
        auto label = std::make_unique<CTextLabel>(kUnplaced, slotLabel(labels[static_cast<std::size_t>(slot)]));
        label->setAlign(Align::left);
        label->setFont(kNormalFontSmall);
        label->setFontColor(kWhite);
        auto load = std::make_unique<CInvisibleButton>(kUnplaced, listener, kSlotLoadTag + slot);
        auto editor = std::make_unique<CInvisibleButton>(kUnplaced, listener, kSlotEditorTag + slot);
        slots[static_cast<std::size_t>(slot)] = {label.get(), load.get(), editor.get()};
        detachedSlotViews.push_back(std::move(label));
        detachedSlotViews.push_back(std::move(load));
        detachedSlotViews.push_back(std::move(editor));
    }
}

void EditorViews::attachSlots(CFrame& frame) {
    for (auto& view : detachedSlotViews) frame.addView(std::move(view));
    detachedSlotViews.clear();
}

void EditorViews::detachSlots(CFrame& frame) {
    for (const SlotViews& slot : slots)
        for (CView* view : {static_cast<CView*>(slot.label), static_cast<CView*>(slot.load), static_cast<CView*>(slot.editor)})
            if (auto removed = frame.removeView(view)) detachedSlotViews.push_back(std::move(removed));
}

}  // namespace vexlo::manager
