// Vexlo VM's editor: a skinned top bar with the command menu, the oversampling menu, the
// hosted instrument's name and invisible buttons over the skin's artwork for the preset
// browser, the search window, the MIDI section and the hosted instrument's editor. Below it
// the MIDI section's four slots. The skin lays everything out; the editor turns clicks into
// calls of the manager's operations and owns no audio or file logic.
//
// This is the front: open, close, idle, the controls and what the manager tells. Its parts keep
// their own state: the skin and the views (EditorContext), the hosted plug-ins' editors
// (HostedEditors), the preset windows (FindingWindows) and the menus' commands (EditorCommands).
#pragma once

#include <string>

#include "manager/core/manager_observer.h"
#include "manager/editor/editor_commands.h"
#include "manager/editor/editor_mailbox.h"
#include "manager/editor/finding_windows.h"
#include "manager/editor/hosted_editors.h"
#include "toolkit/gui_editor.h"
#include "toolkit/window_class.h"

namespace vexlo::manager {

class VstManagerEditor : public toolkit::AEffGUIEditor,
                         public toolkit::CControlListener,
                         public ManagerObserver,
                         public EditorTags {
public:
    // skins: the skins folder; the one beside the library when empty.
    explicit VstManagerEditor(VstManager* manager, std::string skins = {});
    ~VstManagerEditor() override;

    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void setParameter(VstInt32 index, float value) override;
    void valueChanged(CControl* control) override;

    // ---- What the manager tells ----
    void instrumentChanged(AEffect* instrument) override;
    void midiSlotChanged(int slot, AEffect* effect, const std::string& label) override;
    void statusChanged(const std::string& text) override;
    void scanProgress(const library::ScanStep& step) override;

    // ---- The parts' operations ----
    // Closes the hosted instrument's editor; forget: the instrument is about to go as well.
    void closeHostedEditor(bool forget) { hosted_.closeInstrumentEditor(forget); }
    void toggleMidiSlotEditor(int slot) { hosted_.toggleMidiSlotEditor(slot); }
    void closeMidiSlotEditor(int slot) { hosted_.closeMidiSlotEditor(slot); }
    void openSearchWindow() { finding_.openSearchWindow(); }
    void togglePresetBrowser() { finding_.togglePresetBrowser(); }
    SearchWindow* searchWindow() const { return finding_.searchWindow(); }
    PresetBrowser* presetBrowser() const { return finding_.presetBrowser(); }
    // Reads the current skin's files and lays the views out by them.
    void applySkin();
    std::string currentSkinName() const { return context_.skin.currentName(); }

    // ---- For whoever looks at the editor ----
    bool isEditorOpen() const { return context_.open; }
    COptionMenu* commandMenu() const { return context_.views.command; }
    COptionMenu* oversamplingMenu() const { return context_.views.oversampling; }
    CTextLabel* nameLabel() const { return context_.views.name; }
    COnOffPicture* endPiece() const { return context_.views.endPiece; }
    CView* buttonOf(int tag) const { return context_.views.buttonOf(tag); }
    const SlotViews& slotViews(int slot) const { return context_.views.slots[static_cast<std::size_t>(slot)]; }
    bool midiSectionShown() const { return context_.midiSectionShown; }
    bool showsHostedEditor() const { return hosted_.wanted(); }
    int minimumWidth() const { return context_.skin.minWidth(); }
    int barHeight() const { return context_.skin.barHeight(); }
    const SkinBitmap& background() const { return context_.skin.background(); }
    const SkinBitmap& endBitmap() const { return context_.skin.endBitmap(); }
    AEffect* hostedInstrument() const { return hosted_.instrument(); }
    bool hostedEditorOpen() const { return hosted_.instrumentEditorOpen(); }
    toolkit::NativeWindow* hostedWindow() const { return hosted_.instrumentWindow(); }
    toolkit::NativeWindow* slotWindow(int slot) const { return hosted_.slotWindow(slot); }
    bool slotEditorOpen(int slot) const { return hosted_.slotEditorOpen(slot); }

private:
    VstManager* manager() const;
    void settleSkin();  // reads the skin again when it is due
    void showMidiSection(bool shown);
    // The name label's text when no status is shown: the instrument and its program.
    std::string instrumentTitle() const;
    // What other threads left for the views, shown now (on the editor's thread).
    void showPending();
    // Draws the name label at once when the editor's own thread tells it something (a scan
    // runs there and idle does not come until it ends); other threads wait for idle.
    void redrawIfOnEditorThread();

    toolkit::SharedWindowClass windowClass_;
    EditorContext context_;
    HostedEditors hosted_{context_};
    FindingWindows finding_{context_};
    EditorCommands commands_{context_, hosted_};
    EditorMailbox mailbox_;
    bool skinReload_ = false;
    bool midiSectionToggle_ = false;
};

}  // namespace vexlo::manager
