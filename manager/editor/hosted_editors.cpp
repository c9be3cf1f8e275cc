#include "manager/editor/hosted_editors.h"

#include <algorithm>

#include "manager/core/vst_manager.h"

namespace vexlo::manager {

using namespace toolkit;

namespace {
// Where a MIDI slot's window opens on the screen.
constexpr int kSlotWindowX = 250, kSlotWindowY = 250;
constexpr const char* kHostedWidthKey = library::settingKeys::hostedGuiWidth;
constexpr const char* kHostedHeightKey = library::settingKeys::hostedGuiHeight;
}  // namespace

std::optional<std::pair<int, int>> HostedEditors::rememberedSize(bool autoGuiOn) const {
    if (context_.manager.getInstrument() || !autoGuiOn) return std::nullopt;
    const library::ConfigFile& store = context_.manager.settingsStore();
    const auto width = store.readNumber(kHostedWidthKey), height = store.readNumber(kHostedHeightKey);
    // Within what an editor's rectangle can say, and no narrower than the skin.
    if (!width || !height || *width < 1 || *width > 32767 || *height <= context_.skin.barHeight() || *height > 32767)
        return std::nullopt;
    return std::make_pair(std::max(context_.skin.minWidth(), static_cast<int>(*width)), static_cast<int>(*height));
}

void HostedEditors::rememberSize(int width, int height) {
    const library::ConfigFile& store = context_.manager.settingsStore();
    if (store.readNumber(kHostedWidthKey) == width && store.readNumber(kHostedHeightKey) == height) return;
    store.write(kHostedWidthKey, width, false);
    store.write(kHostedHeightKey, height, false);
}

void HostedEditors::dropPlaceholderSize() {
    if (!placeholderSize_ || !instrument()) return;
    placeholderSize_ = false;
    if (!instrumentEditorOpen_) context_.frame->setSize(context_.skin.minWidth(), context_.hostedTop());
}

bool HostedEditors::tendInstrumentEditor() {
    std::unique_lock<std::recursive_mutex> lock(childEditors_, std::try_to_lock);
    if (!lock) return true;  // another thread is letting go of the instrument: next idle
    HostedChild& child = context_.manager.instrumentChild();
    const bool hosted = instrument() && child.effect() == instrument();
    if (wanted_ && hosted && !instrumentEditorOpen_ && child.hasFlag(effFlagsHasEditor) && !child.failed()) {
        if (context_.building) return false;
        context_.building = true;
        openInstrumentEditor();
        context_.building = false;
    } else if (hosted && instrumentEditorOpen_) {
        followInstrumentEditor();
    }
    dropPlaceholderSize();
    return true;
}

void HostedEditors::openInstrumentEditor() {
    HostedChild& child = context_.manager.instrumentChild();
    toolkit::CFrame& frame = *context_.frame;
    instrumentWindow_.reset();
    const int top = context_.skin.sectionBottom();
    instrumentWindow_ = frame.createChildWindow({0, top, 10, top + 10});
    // No window, no editor: the plug-in never gets editor-open without one.
    if (!instrumentWindow_ || !child.openEditor(instrumentWindow_->handle())) {
        if (instrumentWindow_) child.closeEditor();
        instrumentWindow_.reset();
        wanted_ = false;
        return;
    }
    EditorRect hosted;
    child.editorRect(hosted);
    const int height = hosted.bottom + context_.hostedTop();
    const int width = std::max(context_.skin.minWidth(), hosted.right);
    lastWidth_ = hosted.right;
    lastHeight_ = hosted.bottom;
    frame.setSize(width, height);
    placeholderSize_ = false;
    if (!context_.midiSectionShown) rememberSize(width, height);
    COnOffPicture* end = context_.views.endPiece;
    end->setViewSize({width - context_.skin.endBitmap().width(), 0, width, height});
    end->setMouseableArea(end->getViewSize());
    instrumentWindow_->setBounds({0, context_.hostedTop(), width, context_.hostedTop() + height});
    instrumentWindow_->raise();
    instrumentEditorOpen_ = true;
}

void HostedEditors::followInstrumentEditor() {
    HostedChild& child = context_.manager.instrumentChild();
    EditorRect hosted;
    if (child.editorRect(hosted) && (hosted.right != lastWidth_ || hosted.bottom != lastHeight_)) {
        // Following a size change, the editor takes the hosted width as it is; only its window
        // keeps at least the skin's width.
        const int top = context_.hostedTop();
        const int height = hosted.bottom + top;
        lastWidth_ = hosted.right;
        lastHeight_ = hosted.bottom;
        context_.frame->setSize(hosted.right, height);
        if (instrumentWindow_) {
            instrumentWindow_->setBounds({0, top, std::max(context_.skin.minWidth(), hosted.right), top + height});
            instrumentWindow_->raise();
        }
    }
    child.editorIdle();
}

void HostedEditors::placeInstrumentWindow(int windowWidth) {
    if (!instrumentWindow_) return;
    const int top = context_.hostedTop();
    instrumentWindow_->setBounds({0, top, windowWidth, top + context_.height()});
    instrumentWindow_->raise();
}

void HostedEditors::closeInstrumentEditor(bool forget) {
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    if (forget) instrument_ = nullptr;
    if (!instrumentEditorOpen_) return;
    closing_ = true;
    instrumentEditorOpen_ = false;
    context_.manager.instrumentChild().closeEditor();
    if (context_.frame) context_.frame->setSize(context_.width(), context_.hostedTop());
    instrumentWindow_.reset();
    closing_ = false;
}

void HostedEditors::letGoOfFailed(int position) {
    if (position == 0) closeInstrumentEditor(false);
    else closeMidiSlotEditor(position - 1);
}

void HostedEditors::toggleMidiSlotEditor(int slot) {
    if (slot < 0 || slot >= kSlots || !context_.frame) return;
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    HostedChild& child = context_.manager.midiSlotChild(slot);
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
    const std::string title = context_.views.slots[static_cast<std::size_t>(slot)].label->getText();
    window = context_.frame->createOwnedWindow(title, {kSlotWindowX, kSlotWindowY, kSlotWindowX + size.right,
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

void HostedEditors::closeMidiSlotEditor(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    bool& open = slotOpen_[static_cast<std::size_t>(slot)];
    if (open) {
        open = false;
        context_.manager.midiSlotChild(slot).closeEditor();
    }
    slotWindows_[static_cast<std::size_t>(slot)].reset();
}

void HostedEditors::tendMidiSlotEditors() {
    std::unique_lock<std::recursive_mutex> lock(childEditors_, std::try_to_lock);
    if (!lock) return;
    for (int slot = 0; slot < kSlots; ++slot)
        if (slotOpen_[static_cast<std::size_t>(slot)] && slotWindows_[static_cast<std::size_t>(slot)])
            context_.manager.midiSlotChild(slot).editorIdle();
}

void HostedEditors::letGoOfInstrument() {
    if (context_.onEditorThread()) {
        closeInstrumentEditor(true);
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    if (!instrumentEditorOpen_) return;
    instrumentEditorOpen_ = false;
    context_.manager.instrumentChild().closeEditor();
    instrumentWindowStale_ = true;
}

void HostedEditors::letGoOfMidiSlot(int slot) {
    if (context_.onEditorThread()) {
        closeMidiSlotEditor(slot);
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    bool& open = slotOpen_[static_cast<std::size_t>(slot)];
    if (!open) return;
    open = false;
    context_.manager.midiSlotChild(slot).closeEditor();
    slotWindowStale_[static_cast<std::size_t>(slot)] = true;
}

void HostedEditors::destroyStaleWindows() {
    std::unique_lock<std::recursive_mutex> lock(childEditors_, std::try_to_lock);
    if (!lock) return;
    if (instrumentWindowStale_) {
        instrumentWindowStale_ = false;
        instrumentWindow_.reset();
        context_.frame->setSize(context_.width(), context_.hostedTop());
    }
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!slotWindowStale_[static_cast<std::size_t>(slot)]) continue;
        slotWindowStale_[static_cast<std::size_t>(slot)] = false;
        slotWindows_[static_cast<std::size_t>(slot)].reset();
    }
}

void HostedEditors::shutAll() {
    std::lock_guard<std::recursive_mutex> lock(childEditors_);
    if (instrumentEditorOpen_) {
        instrumentEditorOpen_ = false;
        context_.manager.instrumentChild().closeEditor();
    }
    instrumentWindow_.reset();
    instrumentWindowStale_ = false;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slotOpen_[static_cast<std::size_t>(slot)]) context_.manager.midiSlotChild(slot).closeEditor();
        slotOpen_[static_cast<std::size_t>(slot)] = false;
        slotWindows_[static_cast<std::size_t>(slot)].reset();
        slotWindowStale_[static_cast<std::size_t>(slot)] = false;
    }
}

}  // namespace vexlo::manager
