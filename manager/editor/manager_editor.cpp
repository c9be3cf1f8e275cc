// The editor's life: construction with the skin's sizes, open and close with the views, idle in
// its steps, the controls' values turned into calls, and what the manager tells.
#include "manager/editor/manager_editor.h"

#include <algorithm>

#include "manager/core/vst_manager.h"
#include "manager/library/path_utils.h"

namespace vexlo::manager {

using namespace toolkit;

VstManagerEditor::VstManagerEditor(VstManager* manager, std::string skins)
    : AEffGUIEditor(manager),
      context_(*manager, frame, rect, skins.empty() ? skinsFolder(VstManager::pluginDirectory()) : std::move(skins)) {
    rect = ERect{0, 0, static_cast<VstInt16>(context_.skin.barHeight()), static_cast<VstInt16>(context_.skin.minWidth())};
    if (auto size = hosted_.rememberedSize(commands_.autoGuiOn()))
        rect = ERect{0, 0, static_cast<VstInt16>(size->second), static_cast<VstInt16>(size->first)};
    manager->setObserver(this);
}

VstManagerEditor::~VstManagerEditor() {
    if (context_.open || frame) close();
    manager()->setObserver(nullptr);
}

VstManager* VstManagerEditor::manager() const { return static_cast<VstManager*>(effect); }

bool VstManagerEditor::open(void* parentWindow) {
    context_.building = true;
    context_.midiSectionShown = false;
    midiSectionToggle_ = false;
    skinReload_ = true;
    systemWindow = parentWindow;
    context_.editorThread = std::this_thread::get_id();
    hosted_.setWanted(commands_.autoGuiOn());

    const EditorSkin& skin = context_.skin;
    frame = std::make_unique<CFrame>(CRect{0, 0, 3000, skin.sectionBottom()}, parentWindow, this);
    frame->setBackground(&skin.background());
    context_.views.buildBar(*frame, this, skin.background().width(), skin.barHeight(), VstManager::oversamplerBypassed(),
                            hosted_.wanted(), &skin.endBitmap());
    commands_.showSwitches();
    context_.building = false;
    context_.open = true;
    std::array<std::string, kSlots> labels;
    for (int slot = 0; slot < kSlots; ++slot) labels[static_cast<std::size_t>(slot)] = manager()->getMidiSlotName(slot);
    context_.views.buildSlots(this, labels);
    mailbox_.take();
    context_.views.name->setText(hostedInstrument() ? instrumentTitle() : std::string());
    // Some hosts read the editor's size only once, right after opening it (LMMS sizes its
    // embedding window then and never again), so what the first idle would show is settled now:
    // the skin, and the hosted editor when it is to show.
    settleSkin();
    hosted_.tendInstrumentEditor();
    if (!hosted_.instrumentEditorOpen()) {
        if (auto size = hosted_.rememberedSize(commands_.autoGuiOn())) {
            frame->setSize(size->first, size->second);
            hosted_.holdPlaceholderSize();
        }
    }
    return true;
}

void VstManagerEditor::close() {
    // The children's editors and our own tool windows go before the frame, whose connection
    // their windows live on.
    hosted_.shutAll();
    finding_.closeAll();
    context_.open = false;
    frame.reset();
    context_.views.clear();
    context_.midiSectionShown = false;
    systemWindow = nullptr;
}

void VstManagerEditor::idle() {
    if (hosted_.closing() || !frame) return;
    hosted_.destroyStaleWindows();
    settleSkin();
    finding_.tend();
    if (!hosted_.tendInstrumentEditor()) return;
    // A plug-in whose process died took its windows with it: its place in ours goes too.
    for (int position : manager()->tellFailures()) hosted_.letGoOfFailed(position);
    commands_.showSwitches();
    showPending();
    if (const auto ended = mailbox_.takeScanEnd()) commands_.scanEnded(*ended);
    AEffGUIEditor::idle();
    if (midiSectionToggle_) {
        midiSectionToggle_ = false;
        showMidiSection(!context_.midiSectionShown);
    }
    hosted_.tendMidiSlotEditors();
}

void VstManagerEditor::applySkin() {
    if (frame) context_.skin.apply(context_.views, *frame, rect);
}

void VstManagerEditor::settleSkin() {
    if (!skinReload_) return;
    skinReload_ = false;
    applySkin();
    frame->setDirty();
}

void VstManagerEditor::showMidiSection(bool shown) {
    if (shown == context_.midiSectionShown || !frame) return;
    const int band = context_.skin.sectionBottom() - context_.skin.barHeight();
    const int width = context_.width();
    // The hosted editor's window keeps the width it was given.
    int windowWidth = width;
    EditorRect hosted;
    if (hostedInstrument() && manager()->instrumentChild().editorRect(hosted))
        windowWidth = std::max(context_.skin.minWidth(), hosted.right);
    context_.midiSectionShown = shown;
    if (shown) {
        frame->setSize(width, context_.height() + band);
        context_.views.attachSlots(*frame);
    } else {
        context_.views.detachSlots(*frame);
        frame->setSize(width, context_.height() - band);
    }
    hosted_.placeInstrumentWindow(windowWidth);
}

void VstManagerEditor::setParameter(VstInt32 index, float value) {
    if (!frame) return;
    if (index == 0) {
        if (std::this_thread::get_id() == context_.editorThread) commands_.showSwitches();
        return;
    }
    switch (index) {
    case kOversamplingTag: commands_.chooseOversampling(static_cast<int>(value)); break;
    case kSearchTag: finding_.openSearchWindow(); break;
    case kBrowserTag: finding_.togglePresetBrowser(); break;
    case kMidiSectionTag: midiSectionToggle_ = true; break;
    case kCommandTag:
        if (value >= 0.0f && value < static_cast<float>(kCommands)) commands_.run(static_cast<int>(value));
        break;
    case kHostedEditorTag:
        hosted_.setWanted(!hosted_.wanted());
        if (!hosted_.wanted()) hosted_.closeInstrumentEditor(false);
        break;
    default:
        if (index >= kSlotLoadTag && index < kSlotLoadTag + kSlots) {
            manager()->loadMidiEffect(nullptr, index - kSlotLoadTag);
            hosted_.toggleMidiSlotEditor(index - kSlotLoadTag);
        } else if (index >= kSlotEditorTag && index < kSlotEditorTag + kSlots) {
            hosted_.toggleMidiSlotEditor(index - kSlotEditorTag);
        }
        break;
    }
}

void VstManagerEditor::valueChanged(CControl* control) {
    setParameter(control->getTag(), control->getValue());
    control->setDirty();
}

// ---- What the manager tells, from any thread ----

void VstManagerEditor::instrumentChanged(AEffect* instrument) {
    if (!instrument) hosted_.letGoOfInstrument();
    hosted_.setInstrument(instrument);
    mailbox_.leaveTitle();
    redrawIfOnEditorThread();
}

void VstManagerEditor::midiSlotChanged(int slot, AEffect* effect, const std::string& label) {
    if (slot < 0 || slot >= kSlots) return;
    if (!effect) hosted_.letGoOfMidiSlot(slot);
    mailbox_.leaveSlotLabel(slot, EditorViews::slotLabel(label));
    redrawIfOnEditorThread();
}

void VstManagerEditor::statusChanged(const std::string& text) {
    mailbox_.leaveStatus(text);
    redrawIfOnEditorThread();
}

void VstManagerEditor::scanProgress(const library::ScanStep& step) {
    if (!step.name.empty())
        return statusChanged("Scanning " + std::to_string(step.number) + " of " + std::to_string(step.total) + ": " + step.name);
    mailbox_.leaveScanEnd(step.completed);
    mailbox_.leaveTitle();
    redrawIfOnEditorThread();
}

void VstManagerEditor::redrawIfOnEditorThread() {
    if (!context_.onEditorThread() || !frame) return;
    showPending();
    frame->redrawDirty();
}

void VstManagerEditor::showPending() {
    EditorMailbox::Mail mail = mailbox_.take();
    EditorViews& views = context_.views;
    if (!views.name) return;
    if (mail.status) views.name->setText(*mail.status);
    else if (mail.title) views.name->setText(hostedInstrument() ? instrumentTitle() : std::string());
    for (int slot = 0; slot < kSlots; ++slot) {
        const auto& label = mail.slotLabels[static_cast<std::size_t>(slot)];
        if (label && views.slots[static_cast<std::size_t>(slot)].label)
            views.slots[static_cast<std::size_t>(slot)].label->setText(*label);
    }
}

std::string VstManagerEditor::instrumentTitle() const {
    char program[kVstMaxProgNameLen + 1] = {};
    manager()->getProgramName(program);
    return "VST: " + library::baseName(manager()->getInstrumentPath()) + " - " + program;
}

}  // namespace vexlo::manager
