// The editors of the plug-ins Vexlo VM hosts: the instrument's inside the editor, below the top
// bar (and below the MIDI section when it shows), and each MIDI slot's in a window of its own.
// Everything here runs on the editor's thread, from idle and from the buttons, except letting
// go of a child that another thread unloads.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "manager/editor/editor_context.h"

namespace vexlo::manager {

class HostedEditors {
public:
    static constexpr int kSlots = EditorTags::kSlots;

    explicit HostedEditors(EditorContext& context) : context_(context) {}

    // Idle's work on the instrument's editor: open it when wanted, follow its size, pass it its
    // idle. False when idle must end here (the editor is being built).
    bool tendInstrumentEditor();
    void tendMidiSlotEditors();
    // Closes the instrument's editor; forget: the instrument is about to go as well.
    void closeInstrumentEditor(bool forget);
    void toggleMidiSlotEditor(int slot);
    void closeMidiSlotEditor(int slot);
    // The child there (0 the instrument, 1 + slot) died with its process: its editor closes,
    // and the instrument's does not open again until it is reloaded.
    void letGoOfFailed(int position);
    // Every child's editor closed and its window destroyed, as the editor closes.
    void shutAll();
    // A child that is about to go, told to close its editor on whatever thread unloads it; its
    // window is the editor's thread's and goes at that thread's next idle.
    void letGoOfInstrument();
    void letGoOfMidiSlot(int slot);
    void destroyStaleWindows();
    // The editor keeps its size while the window it follows is remade, until it is whole again.
    bool closing() const { return closing_; }

    // Whether the instrument's editor is wanted (Auto GUI, or the person's button).
    bool wanted() const { return wanted_; }
    void setWanted(bool wanted) { wanted_ = wanted; }
    // The instrument the editor shows; null while none is loaded.
    AEffect* instrument() const { return instrument_.load(); }
    void setInstrument(AEffect* instrument) { instrument_ = instrument; }

    // The size the editor last had with the instrument's editor inside, from the settings: what
    // it answers a host's first size question with while no instrument is loaded yet. Some hosts
    // (LMMS) size their window only once, before they hand over the state that loads the
    // instrument. Nothing when it never had one, or Auto GUI is off.
    std::optional<std::pair<int, int>> rememberedSize(bool autoGuiOn) const;
    // Taken as the editor's size until the instrument's own editor shows.
    void holdPlaceholderSize() { placeholderSize_ = true; }

    bool instrumentEditorOpen() const { return instrumentEditorOpen_; }
    toolkit::NativeWindow* instrumentWindow() const { return instrumentWindow_.get(); }
    toolkit::NativeWindow* slotWindow(int slot) const { return slotWindows_[static_cast<std::size_t>(slot)].get(); }
    bool slotEditorOpen(int slot) const { return slotOpen_[static_cast<std::size_t>(slot)]; }
    // Where the instrument's window goes when the MIDI section shows or hides.
    void placeInstrumentWindow(int windowWidth);

private:
    void openInstrumentEditor();
    void followInstrumentEditor();
    void rememberSize(int width, int height);
    // A size kept for an instrument that turned out to show no editor goes back to the bar's.
    void dropPlaceholderSize();

    EditorContext& context_;
    bool wanted_ = false;
    bool closing_ = false;
    std::atomic<AEffect*> instrument_{nullptr};
    // What calls into the children's editors take: idle, and a thread that unloads a child
    // while the editor is open.
    std::recursive_mutex childEditors_;
    std::unique_ptr<toolkit::NativeWindow> instrumentWindow_;
    bool instrumentEditorOpen_ = false;
    bool instrumentWindowStale_ = false;
    int lastWidth_ = 0, lastHeight_ = 0;
    bool placeholderSize_ = false;  // the remembered size stands in for an editor still to come
    std::array<std::unique_ptr<toolkit::NativeWindow>, kSlots> slotWindows_;
    std::array<bool, kSlots> slotOpen_{};
    std::array<bool, kSlots> slotWindowStale_{};
};

}  // namespace vexlo::manager
