// The views of Vexlo VM's editor, between open and close: the top bar's menus, name label, end
// piece and invisible buttons, and the MIDI section's four slots. The frame owns those it
// holds; the MIDI slot views are held here while the MIDI section is hidden.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "toolkit/views.h"

namespace vexlo::manager {

using toolkit::CControl;
using toolkit::COnOffPicture;
using toolkit::COptionMenu;
using toolkit::CTextLabel;
using toolkit::CView;

// The tags of the editor's controls, the command menu's entries and the oversampling menu's.
struct EditorTags {
    enum Tags {
        kOversamplingTag = 10000,
        kSearchTag = 10001,
        kBrowserTag = 10002,
        kEndPieceTag = 10003,
        kMidiSectionTag = 10004,
        kSlotLoadTag = 10005,    // + slot
        kSlotEditorTag = 10009,  // + slot
        kCommandTag = 10013,
        kHostedEditorTag = 10014,
    };
    enum Command {
        kAbout = 0,
        kLoadBank = 2,
        kLoadPreset = 3,
        kScan = 5,
        kLoadVst = 6,
        kExtractPresets = 8,
        kExtractBank = 9,
        kSavePreset = 10,
        kLinkPreset = 11,
        kBypass = 13,
        kAutoGui = 14,
        kOwnProcess = 15,      // the instrument's; checked when it runs in a process of its own
        kOwnProcessMidi = 16,  // + slot: the same for each MIDI slot
        kReload = 20,          // children whose process died, started again
        kCommands = 21,
    };
    // The oversampling menu: a factor entry for every value of parameter 0, then the quality.
    static constexpr int kFactorEntries = 5;
    static constexpr int kClassicEntry = 6, kHighEntry = 7;
    static constexpr int kSlots = 4;
};

struct SlotViews {
    CTextLabel* label = nullptr;
    toolkit::CInvisibleButton* load = nullptr;
    toolkit::CInvisibleButton* editor = nullptr;
};

struct EditorViews : EditorTags {
    // The top bar's views, added to the frame; the command menu's bypass and Auto GUI entries
    // show the switches as they stand.
    void buildBar(toolkit::CFrame& frame, toolkit::CControlListener* listener, int barWidth, int barHeight,
                  bool bypassOn, bool autoGuiOn, const toolkit::CBitmap* endBitmap);
    // The slot views, detached until the MIDI section shows, labelled with the slots' names.
    void buildSlots(toolkit::CControlListener* listener, const std::array<std::string, kSlots>& labels);
    // The MIDI section's views into the frame, or out of it.
    void attachSlots(toolkit::CFrame& frame);
    void detachSlots(toolkit::CFrame& frame);
    void clear() { *this = EditorViews(); }
    CView* buttonOf(int tag) const;

    static const char* bypassText(bool on) { return on ? "OverSampler Bypass: On" : "OverSampler Bypass: Off"; }
    static const char* autoGuiText(bool on) { return on ? "Auto Open GUI: On" : "Auto Open GUI: Off"; }
    // A slot's label: its plug-in's name, "Bypass" when it is empty.
    static std::string slotLabel(const std::string& name);

    COptionMenu* command = nullptr;
    COptionMenu* oversampling = nullptr;
    CTextLabel* name = nullptr;
    COnOffPicture* endPiece = nullptr;
    std::array<CView*, 4> buttons{};  // search, browser, MIDI section, hosted editor (by tag order)
    std::array<SlotViews, kSlots> slots{};
    std::vector<std::unique_ptr<CView>> detachedSlotViews;
};

}  // namespace vexlo::manager
