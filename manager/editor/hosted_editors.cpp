// The editors of the hosted plug-ins: the instrument's inside the editor, below the top bar
// (and below the MIDI section when it shows), and each MIDI slot's in a window of its own.
// Everything here runs on the editor's thread, from idle and from the buttons, except letting
// go of a child that another thread unloads.
#include <algorithm>

#include "manager/core/vst_manager.h"
#include "manager/editor/manager_editor.h"

namespace vexlo::manager {

using namespace toolkit;

namespace {
// Where a MIDI slot's window opens on the screen.
constexpr int kSlotWindowX = 250, kSlotWindowY = 250;
constexpr const char* kHostedWidthKey = library::settingKeys::hostedGuiWidth;
constexpr const char* kHostedHeightKey = library::settingKeys::hostedGuiHeight;
}  // namespace

std::optional<std::pair<int, int>> VstManagerEditor::rememberedHostedSize() const {
    if (manager()->getInstrument() || !autoGuiOn()) return std::nullopt;
    const library::ConfigFile& store = manager()->settingsStore();
    const auto width = store.readNumber(kHostedWidthKey), height = store.readNumber(kHostedHeightKey);
    // Within what an editor's rectangle can say, and no narrower than the skin.
    if (!width || !height || *width < 1 || *width > 32767 || *height <= barHeight_ || *height > 32767)
        return std::nullopt;
    return std::make_pair(std::max(minWidth_, static_cast<int>(*width)), static_cast<int>(*height));
}

void VstManagerEditor::rememberHostedSize(int width, int height) {
    const library::ConfigFile& store = manager()->settingsStore();
    if (store.readNumber(kHostedWidthKey) == width && store.readNumber(kHostedHeightKey) == height) return;
    store.write(kHostedWidthKey, width, false);
    store.write(kHostedHeightKey, height, false);
}

void VstManagerEditor::dropPlaceholderSize() {
    if (!placeholderSize_ || !hostedInstrument()) return;
    placeholderSize_ = false;
    if (!hostedEditorOpen_) frame->setSize(minWidth_, midiSectionShown_ ? background_.height() : barHeight_);
}

bool VstManagerEditor::tendHostedEditor() {
    std::unique_lock<std::recursive_mutex> lock(childEditors_, std::try_to_lock);
    if (!lock) return true;  // another thread is letting go of the instrument: next idle
    HostedChild& instrument = manager()->instrumentChild();
    const bool hosted = hostedInstrument() && instrument.effect() == hostedInstrument();
    if (showHostedEditor_ && hosted && !hostedEditorOpen_ && instrument.hasFlag(effFlagsHasEditor)) {
        if (building_) return false;
        building_ = true;
        openHostedEditor();
        building_ = false;
    } else if (hosted && hostedEditorOpen_) {
        followHostedEditor();
    }
    dropPlaceholderSize();
    return true;
}

void VstManagerEditor::openHostedEditor() {
    HostedChild& instrument = manager()->instrumentChild();
    hostedWindow_.reset();
    const int backgroundHeight = background_.height();
    hostedWindow_ = frame->createChildWindow({0, backgroundHeight, 10, backgroundHeight + 10});
    // No window, no editor: the plug-in never gets editor-open without one.
    if (!hostedWindow_ || !instrument.openEditor(hostedWindow_->handle())) {
        if (hostedWindow_) instrument.closeEditor();
        hostedWindow_.reset();
        showHostedEditor_ = false;
        return;
    }
    EditorRect hosted;
    instrument.editorRect(hosted);
    const int height = hosted.bottom + hostedTop();
    const int width = std::max(minWidth_, hosted.right);
    lastHostedWidth_ = hosted.right;
    lastHostedHeight_ = hosted.bottom;
    frame->setSize(width, height);
    placeholderSize_ = false;
    if (!midiSectionShown_) rememberHostedSize(width, height);
    endPiece_->setViewSize({width - endBitmap_.width(), 0, width, height});
    endPiece_->setMouseableArea(endPiece_->getViewSize());
    hostedWindow_->setBounds({0, hostedTop(), width, hostedTop() + height});
    hostedWindow_->raise();
    hostedEditorOpen_ = true;
}

void VstManagerEditor::followHostedEditor() {
    HostedChild& instrument = manager()->instrumentChild();
    EditorRect hosted;
    if (instrument.editorRect(hosted) && (hosted.right != lastHostedWidth_ || hosted.bottom != lastHostedHeight_)) {
        // Following a size change, the editor takes the hosted width as it is; only its window
        // keeps at least the skin's width.
        const int height = hosted.bottom + hostedTop();
        lastHostedWidth_ = hosted.right;
        lastHostedHeight_ = hosted.bottom;
        frame->setSize(hosted.right, height);
        if (hostedWindow_) {
            hostedWindow_->setBounds({0, hostedTop(), std::max(minWidth_, hosted.right), hostedTop() + height});
            hostedWindow_->raise();
        }
    }
    instrument.editorIdle();
}

void VstManagerEditor::closeHostedEditor(bool forget) {
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    if (forget) hostedInstrument_ = nullptr;
    if (!hostedEditorOpen_) return;
    closing_ = true;
    hostedEditorOpen_ = false;
    manager()->instrumentChild().closeEditor();
    if (frame) frame->setSize(editorWidth(), midiSectionShown_ ? background_.height() : barHeight_);
    hostedWindow_.reset();
    closing_ = false;
}

void VstManagerEditor::toggleMidiSlotEditor(int slot) {
    if (slot < 0 || slot >= kSlots || !frame) return;
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    HostedChild& child = manager()->midiSlotChild(slot);
    if (!child.isLoaded()) return;
    auto& window = slotWindows_[static_cast<std::size_t>(slot)];
    bool& open = slotOpen_[static_cast<std::size_t>(slot)];
    if (window) {
        child.closeEditor();
        window.reset();
        open = false;
        return;
    }
    if (open) child.closeEditor();
    open = false;
    EditorRect size;
    if (!child.editorRect(size)) return;
    const std::string title = slots_[static_cast<std::size_t>(slot)].label->getText();
    window = frame->createOwnedWindow(title, {kSlotWindowX, kSlotWindowY, kSlotWindowX + size.right,
                                              kSlotWindowY + size.bottom});
    if (!window) return;
    // The close box closes the plug-in's editor at once; its idle stops with it.
    window->setCloseHandler([this, slot] { closeMidiSlotEditor(slot); });
    if (!child.openEditor(window->handle())) {
        child.closeEditor();
        window.reset();
        return;
    }
    open = true;
}

void VstManagerEditor::closeMidiSlotEditor(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    bool& open = slotOpen_[static_cast<std::size_t>(slot)];
    if (open) {
        open = false;
        manager()->midiSlotChild(slot).closeEditor();
    }
    slotWindows_[static_cast<std::size_t>(slot)].reset();
}

void VstManagerEditor::tendMidiSlotEditors() {
    std::unique_lock<std::recursive_mutex> lock(childEditors_, std::try_to_lock);
    if (!lock) return;
    for (int slot = 0; slot < kSlots; ++slot)
        if (slotOpen_[static_cast<std::size_t>(slot)] && slotWindows_[static_cast<std::size_t>(slot)])
            manager()->midiSlotChild(slot).editorIdle();
}

void VstManagerEditor::letGoOfInstrument() {
    if (onEditorThread()) {
        closeHostedEditor(true);
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    if (!hostedEditorOpen_) return;
    hostedEditorOpen_ = false;
    manager()->instrumentChild().closeEditor();
    hostedWindowStale_ = true;
}

void VstManagerEditor::letGoOfMidiSlot(int slot) {
    if (onEditorThread()) {
        closeMidiSlotEditor(slot);
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    bool& open = slotOpen_[static_cast<std::size_t>(slot)];
    if (!open) return;
    open = false;
    manager()->midiSlotChild(slot).closeEditor();
    slotWindowStale_[static_cast<std::size_t>(slot)] = true;
}

void VstManagerEditor::destroyStaleWindows() {
    std::unique_lock<std::recursive_mutex> lock(childEditors_, std::try_to_lock);
    if (!lock) return;
    if (hostedWindowStale_) {
        hostedWindowStale_ = false;
        hostedWindow_.reset();
        frame->setSize(editorWidth(), midiSectionShown_ ? background_.height() : barHeight_);
    }
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!slotWindowStale_[static_cast<std::size_t>(slot)]) continue;
        slotWindowStale_[static_cast<std::size_t>(slot)] = false;
        slotWindows_[static_cast<std::size_t>(slot)].reset();
    }
}

void VstManagerEditor::shutChildEditors() {
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    if (hostedEditorOpen_) {
        hostedEditorOpen_ = false;
        manager()->instrumentChild().closeEditor();
    }
    hostedWindow_.reset();
    hostedWindowStale_ = false;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slotOpen_[static_cast<std::size_t>(slot)]) manager()->midiSlotChild(slot).closeEditor();
        slotOpen_[static_cast<std::size_t>(slot)] = false;
        slotWindows_[static_cast<std::size_t>(slot)].reset();
        slotWindowStale_[static_cast<std::size_t>(slot)] = false;
    }
}

}  // namespace vexlo::manager
