// The editor's life: construction with the skin's sizes, open and close with the views, idle in
// its steps, and the controls' values turned into calls.
#include "manager/editor/manager_editor.h"

#include <algorithm>

#include "manager/core/vst_manager.h"
#include "manager/library/path_utils.h"

namespace vexlo::manager {

using namespace toolkit;

namespace {

// Before a skin says otherwise: the Default skin's sizes.
constexpr int kFallbackWidth = 640;
constexpr int kFallbackBarHeight = 28;
constexpr std::size_t kMaxSlotLabel = 99;

const CRect kUnplaced{0, 0, 10, 10};
// Out of sight until the skin places it.
const CRect kEndPieceUnplaced{2000, 2000, 2200, 2200};

std::string slotLabel(const std::string& name) { return name.empty() ? "Bypass" : name.substr(0, kMaxSlotLabel); }

}  // namespace

VstManagerEditor::VstManagerEditor(VstManager* manager, std::string skins)
    : AEffGUIEditor(manager), skins_(skins.empty() ? skinsFolder(VstManager::pluginDirectory()) : std::move(skins)) {
    const SkinSettings skin = readCurrentSkin(skins_);
    minWidth_ = skin.minWidth.value_or(kFallbackWidth);
    barHeight_ = skin.barHeight.value_or(kFallbackBarHeight);
    background_.load(skin.backgroundPath());
    rect = ERect{0, 0, static_cast<VstInt16>(barHeight_), static_cast<VstInt16>(minWidth_)};
    if (auto size = rememberedHostedSize())
        rect = ERect{0, 0, static_cast<VstInt16>(size->second), static_cast<VstInt16>(size->first)};
    manager->setObserver(this);
}

VstManagerEditor::~VstManagerEditor() {
    if (open_ || frame) close();
    manager()->setObserver(nullptr);
}

VstManager* VstManagerEditor::manager() const { return static_cast<VstManager*>(effect); }

CView* VstManagerEditor::buttonOf(int tag) const {
    switch (tag) {
    case kSearchTag: return buttons_[0];
    case kBrowserTag: return buttons_[1];
    case kMidiSectionTag: return buttons_[2];
    case kHostedEditorTag: return buttons_[3];
    default: return nullptr;
    }
}

bool VstManagerEditor::open(void* parentWindow) {
    building_ = true;
    midiSectionShown_ = false;
    midiSectionToggle_ = false;
    skinReload_ = true;
    systemWindow = parentWindow;
    editorThread_ = std::this_thread::get_id();
    showHostedEditor_ = autoGuiOn();

    frame = std::make_unique<CFrame>(CRect{0, 0, 3000, background_.height()}, parentWindow, this);
    frame->setBackground(&background_);
    buildViews();
    building_ = false;
    open_ = true;
    buildSlotViews();
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        pendingStatus_.reset();
        pendingTitle_ = false;
        for (auto& label : pendingSlotLabels_) label.reset();
    }
    nameLabel_->setText(hostedInstrument() ? instrumentTitle() : std::string());
    // Some hosts read the editor's size only once, right after opening it (LMMS sizes its
    // embedding window then and never again), so what the first idle would show is settled now:
    // the skin, and the hosted editor when it is to show.
    settleSkin();
    tendHostedEditor();
    if (!hostedEditorOpen_) {
        if (auto size = rememberedHostedSize()) {
            frame->setSize(size->first, size->second);
            placeholderSize_ = true;
        }
    }
    return true;
}

void VstManagerEditor::buildViews() {
    auto command = std::make_unique<COptionMenu>(CRect{0, 0, background_.width(), barHeight_}, this, kCommandTag);
    command->setShowsText(false);
    command->setCheckStyle(false);
    const char* entries[kCommands] = {"About",         "-", "Load Bank",          "Load Preset", "-",
                                      "Scan VSTs",     "Load &VST",                "-",
                                      "&Extract FXPs", "Extract FX&B+Links",       "&Save FXP",
                                      "&Link FXP",     "-",
                                      bypassText(VstManager::oversamplerBypassed()), autoGuiText(showHostedEditor_)};
    for (const char* entry : entries) command->addEntry(entry);
    command_ = frame->addView(std::move(command));

    buttons_[1] = frame->addView(std::make_unique<CInvisibleButton>(kUnplaced, this, kBrowserTag));
    buttons_[0] = frame->addView(std::make_unique<CInvisibleButton>(kUnplaced, this, kSearchTag));

    auto oversampling = std::make_unique<COptionMenu>(kUnplaced, this, kOversamplingTag);
    for (const char* entry : {"Oversample: Off", "Oversample: 2x", "Oversample: 4x", "Oversample: 6x",
                              "Oversample: 8x", "-", "Quality: Classic", "Quality: High"})
        oversampling->addEntry(entry);
    oversampling->setFont(kNormalFontSmall);
    oversampling->setFontColor(kWhite);
    oversampling_ = frame->addView(std::move(oversampling));
    showOversampling();

    buttons_[2] = frame->addView(std::make_unique<CInvisibleButton>(kUnplaced, this, kMidiSectionTag));
    buttons_[3] = frame->addView(std::make_unique<CInvisibleButton>(kUnplaced, this, kHostedEditorTag));
    nameLabel_ = frame->addView(std::make_unique<CTextLabel>(kUnplaced, ""));
    nameLabel_->setFont(kNormalFontSmall);
    nameLabel_->setFontColor(kWhite);
    auto end = std::make_unique<COnOffPicture>(kEndPieceUnplaced, this, kEndPieceTag, &endBitmap_);
    end->setMouseEnabled(false);
    endPiece_ = frame->addView(std::move(end));
}

void VstManagerEditor::buildSlotViews() {
    detachedSlotViews_.clear();
    for (int slot = 0; slot < kSlots; ++slot) {
        auto label = std::make_unique<CTextLabel>(kUnplaced, slotLabel(manager()->getMidiSlotName(slot)));
        label->setAlign(Align::left);
        label->setFont(kNormalFontSmall);
        label->setFontColor(kWhite);
        auto load = std::make_unique<CInvisibleButton>(kUnplaced, this, kSlotLoadTag + slot);
        auto editor = std::make_unique<CInvisibleButton>(kUnplaced, this, kSlotEditorTag + slot);
        slots_[static_cast<std::size_t>(slot)] = {label.get(), load.get(), editor.get()};
        detachedSlotViews_.push_back(std::move(label));
        detachedSlotViews_.push_back(std::move(load));
        detachedSlotViews_.push_back(std::move(editor));
    }
}

void VstManagerEditor::close() {
    // The children's editors and our own tool windows go before the frame, whose connection
    // their windows live on.
    shutChildEditors();
    closeFindingWindows();
    open_ = false;
    frame.reset();
    detachedSlotViews_.clear();
    command_ = oversampling_ = nullptr;
    nameLabel_ = nullptr;
    endPiece_ = nullptr;
    buttons_ = {};
    slots_ = {};
    midiSectionShown_ = false;
    systemWindow = nullptr;
}

void VstManagerEditor::idle() {
    if (closing_ || !frame) return;
    destroyStaleWindows();
    settleSkin();
    tendFindingWindows();
    if (!tendHostedEditor()) return;
    command_->setEntry(kBypass, bypassText(VstManager::oversamplerBypassed()));
    showOversampling();
    showPending();
    AEffGUIEditor::idle();
    if (midiSectionToggle_) {
        midiSectionToggle_ = false;
        showMidiSection(!midiSectionShown_);
    }
    tendMidiSlotEditors();
}

void VstManagerEditor::settleSkin() {
    if (!skinReload_) return;
    skinReload_ = false;
    applySkin();
    frame->setDirty();
}

void VstManagerEditor::showMidiSection(bool shown) {
    if (shown == midiSectionShown_ || !frame) return;
    const int band = background_.height() - barHeight_;
    const int width = editorWidth();
    // The hosted editor's window keeps the width it was given.
    int windowWidth = width;
    EditorRect hosted;
    if (hostedInstrument() && manager()->instrumentChild().editorRect(hosted))
        windowWidth = std::max(minWidth_, hosted.right);
    midiSectionShown_ = shown;
    if (shown) {
        frame->setSize(width, editorHeight() + band);
        for (auto& view : detachedSlotViews_) frame->addView(std::move(view));
        detachedSlotViews_.clear();
    } else {
        for (const SlotViews& slot : slots_)
            for (CView* view : {static_cast<CView*>(slot.label), static_cast<CView*>(slot.load),
                                static_cast<CView*>(slot.editor)})
                if (auto removed = frame->removeView(view)) detachedSlotViews_.push_back(std::move(removed));
        frame->setSize(width, editorHeight() - band);
    }
    if (hostedWindow_) {
        hostedWindow_->setBounds({0, hostedTop(), windowWidth, hostedTop() + editorHeight()});
        hostedWindow_->raise();
    }
}

void VstManagerEditor::setParameter(VstInt32 index, float value) {
    if (!frame) return;
    if (index == 0) {
        if (std::this_thread::get_id() == editorThread_) showOversampling();
        return;
    }
    switch (index) {
    case kOversamplingTag: chooseOversampling(static_cast<int>(value)); break;
    case kSearchTag: openSearchWindow(); break;
    case kBrowserTag: togglePresetBrowser(); break;
    case kMidiSectionTag: midiSectionToggle_ = true; break;
    case kCommandTag:
        if (value >= 0.0f && value < static_cast<float>(kCommands)) runCommand(static_cast<int>(value));
        break;
    case kHostedEditorTag:
        showHostedEditor_ = !showHostedEditor_;
        if (!showHostedEditor_) closeHostedEditor(false);
        break;
    default:
        if (index >= kSlotLoadTag && index < kSlotLoadTag + kSlots) {
            manager()->loadMidiEffect(nullptr, index - kSlotLoadTag);
            toggleMidiSlotEditor(index - kSlotLoadTag);
        } else if (index >= kSlotEditorTag && index < kSlotEditorTag + kSlots) {
            toggleMidiSlotEditor(index - kSlotEditorTag);
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
    if (!instrument) letGoOfInstrument();
    hostedInstrument_ = instrument;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        pendingTitle_ = true;
        pendingStatus_.reset();
    }
    redrawIfOnEditorThread();
}

void VstManagerEditor::midiSlotChanged(int slot, AEffect* effect, const std::string& label) {
    if (slot < 0 || slot >= kSlots) return;
    if (!effect) letGoOfMidiSlot(slot);
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        pendingSlotLabels_[static_cast<std::size_t>(slot)] = slotLabel(label);
    }
    redrawIfOnEditorThread();
}

void VstManagerEditor::statusChanged(const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        pendingStatus_ = text;
        pendingTitle_ = false;
    }
    redrawIfOnEditorThread();
}

void VstManagerEditor::scanProgress(const std::string& libraryName) {
    if (libraryName.empty()) {
        {
            std::lock_guard<std::mutex> lock(pendingMutex_);
            pendingTitle_ = true;
            pendingStatus_.reset();
        }
        redrawIfOnEditorThread();
        return;
    }
    statusChanged(libraryName);
}

void VstManagerEditor::redrawIfOnEditorThread() {
    if (!open_ || !frame || std::this_thread::get_id() != editorThread_) return;
    showPending();
    frame->redrawDirty();
}

void VstManagerEditor::showPending() {
    std::optional<std::string> status;
    bool title = false;
    std::array<std::optional<std::string>, kSlots> slotLabels;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        status = std::move(pendingStatus_);
        pendingStatus_.reset();
        title = pendingTitle_;
        pendingTitle_ = false;
        slotLabels = std::move(pendingSlotLabels_);
        for (auto& label : pendingSlotLabels_) label.reset();
    }
    if (!nameLabel_) return;
    if (status) nameLabel_->setText(*status);
    else if (title) nameLabel_->setText(hostedInstrument() ? instrumentTitle() : std::string());
    for (int slot = 0; slot < kSlots; ++slot)
        if (slotLabels[static_cast<std::size_t>(slot)] && slots_[static_cast<std::size_t>(slot)].label)
            slots_[static_cast<std::size_t>(slot)].label->setText(*slotLabels[static_cast<std::size_t>(slot)]);
}

std::string VstManagerEditor::instrumentTitle() const {
    char program[kVstMaxProgNameLen + 1] = {};
    manager()->getProgramName(program);
    return "VST: " + library::baseName(manager()->getInstrumentPath()) + " - " + program;
}

}  // namespace vexlo::manager
