// Vexlo VM's editor: a skinned top bar with the command menu, the oversampling menu, the
// hosted instrument's name and invisible buttons over the skin's artwork for the preset
// browser, the search window, the MIDI section and the hosted instrument's editor. Below it
// the MIDI section's four slots. The skin lays everything out; the editor turns clicks into
// calls of the manager's operations and owns no audio or file logic.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "manager/core/manager_observer.h"
#include "manager/editor/preset_browser.h"
#include "manager/editor/search_window.h"
#include "manager/editor/skin.h"
#include "manager/editor/skin_bitmap.h"
#include "toolkit/gui_editor.h"
#include "toolkit/window_class.h"

namespace vexlo::manager {

class VstManager;

using toolkit::CControl;
using toolkit::COnOffPicture;
using toolkit::COptionMenu;
using toolkit::CTextLabel;
using toolkit::CView;

class VstManagerEditor : public toolkit::AEffGUIEditor,
                         public toolkit::CControlListener,
                         public ManagerObserver {
public:
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
    // The command menu's entries by index.
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
        kCommands = 15,
    };
    // The oversampling menu: a factor entry for every value of parameter 0, then the quality.
    static constexpr int kFactorEntries = 5;
    static constexpr int kClassicEntry = 6, kHighEntry = 7;
    static constexpr int kSlots = 4;

    // skins: the skins folder; the one beside the library when empty.
    explicit VstManagerEditor(VstManager* manager, std::string skins = {});
    ~VstManagerEditor() override;

    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void setParameter(VstInt32 index, float value) override;
    void valueChanged(CControl* control) override;

    // Closes the hosted instrument's editor; forget: the instrument is about to go as well.
    virtual void closeHostedEditor(bool forget);
    virtual void toggleMidiSlotEditor(int slot);
    virtual void closeMidiSlotEditor(int slot);
    // The search window, opened or brought to the top; the preset browser, opened, or closed
    // and opened afresh.
    void openSearchWindow();
    void togglePresetBrowser();
    SearchWindow* searchWindow() const { return search_.get(); }
    // The toolkit's browser, or null (none open, or the system's).
    PresetBrowser* presetBrowser() const { return dynamic_cast<PresetBrowser*>(browser_.get()); }
    // Reads the current skin's files and lays the views out by them.
    virtual void applySkin();
    virtual std::string currentSkinName();

    // ---- What the manager tells ----
    void instrumentChanged(AEffect* instrument) override;
    void midiSlotChanged(int slot, AEffect* effect, const std::string& label) override;
    void statusChanged(const std::string& text) override;
    void scanProgress(const std::string& libraryName) override;

    // ---- For whoever looks at the editor ----
    struct SlotViews {
        CTextLabel* label = nullptr;
        toolkit::CInvisibleButton* load = nullptr;
        toolkit::CInvisibleButton* editor = nullptr;
    };
    bool isEditorOpen() const { return open_; }
    COptionMenu* commandMenu() const { return command_; }
    COptionMenu* oversamplingMenu() const { return oversampling_; }
    CTextLabel* nameLabel() const { return nameLabel_; }
    COnOffPicture* endPiece() const { return endPiece_; }
    CView* buttonOf(int tag) const;
    const SlotViews& slotViews(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }
    bool midiSectionShown() const { return midiSectionShown_; }
    bool showsHostedEditor() const { return showHostedEditor_; }
    int minimumWidth() const { return minWidth_; }
    int barHeight() const { return barHeight_; }
    const SkinBitmap& background() const { return background_; }
    const SkinBitmap& endBitmap() const { return endBitmap_; }
    AEffect* hostedInstrument() const { return hostedInstrument_.load(); }
    bool hostedEditorOpen() const { return hostedEditorOpen_; }
    toolkit::NativeWindow* hostedWindow() const { return hostedWindow_.get(); }
    toolkit::NativeWindow* slotWindow(int slot) const { return slotWindows_[static_cast<std::size_t>(slot)].get(); }
    bool slotEditorOpen(int slot) const { return slotOpen_[static_cast<std::size_t>(slot)]; }

private:
    VstManager* manager() const;
    void buildViews();
    void buildSlotViews();
    void runCommand(int entry);
    void scan();
    void toggleAutoGui();
    bool autoGuiOn() const;
    void chooseOversampling(int entry);
    // Brings the oversampling menu to the factor and quality in force.
    void showOversampling();
    void settleSkin();  // reads the skin again when it is due
    // Idle's work for the preset windows: the search window to the top after a load, the path
    // they left loaded, their own events, and the ones closed destroyed.
    void tendFindingWindows();
    void closeFindingWindows();
    void showMidiSection(bool shown);
    // Idle's work on the hosted editor: open it when wanted, follow its size, pass it its idle.
    // False when idle must end here (the editor is being built).
    bool tendHostedEditor();
    void openHostedEditor();
    void followHostedEditor();
    // The size the editor last had with the instrument's editor inside, from the settings: what
    // it answers a host's first size question with while no instrument is loaded yet. Some hosts
    // (LMMS) size their window only once, before they hand over the state that loads the
    // instrument. Nothing when it never had one, or Auto GUI is off.
    std::optional<std::pair<int, int>> rememberedHostedSize() const;
    void rememberHostedSize(int width, int height);
    // A size kept for an instrument that turned out to show no editor goes back to the bar's.
    void dropPlaceholderSize();
    void tendMidiSlotEditors();
    // The band the hosted editor starts at: below the MIDI section when it shows.
    int hostedTop() const { return midiSectionShown_ ? background_.height() : barHeight_; }
    int editorWidth() const { return rect.right - rect.left; }
    int editorHeight() const { return rect.bottom - rect.top; }
    bool onEditorThread() const { return open_ && std::this_thread::get_id() == editorThread_; }
    // A child that is about to go, told to close its editor on whatever thread unloads it; its
    // window is the editor's thread's and goes at that thread's next idle.
    void letGoOfInstrument();
    void letGoOfMidiSlot(int slot);
    void destroyStaleWindows();
    // Every child's editor closed and its window destroyed, as the editor closes.
    void shutChildEditors();
    void applyPositions(const files::SkinPositions& positions);
    void applyStyles(const files::SkinColorsFonts& styles);
    // The name label's text when no status is shown: the instrument and its program.
    std::string instrumentTitle() const;
    // What other threads left for the views, shown now (on the editor's thread).
    void showPending();
    // Draws the name label at once when the editor's own thread tells it something (a scan
    // runs there and idle does not come until it ends); other threads wait for idle.
    void redrawIfOnEditorThread();

    static const char* bypassText(bool on);
    static const char* autoGuiText(bool on);

    std::string skins_;
    toolkit::SharedWindowClass windowClass_;
    SkinBitmap background_;
    SkinBitmap endBitmap_;
    int minWidth_ = 640;
    int barHeight_ = 28;

    bool open_ = false;
    bool building_ = true;
    bool skinReload_ = false;
    bool showHostedEditor_ = false;
    bool hostedEditorOpen_ = false;
    bool closing_ = false;
    bool midiSectionShown_ = false;
    bool midiSectionToggle_ = false;
    std::atomic<AEffect*> hostedInstrument_{nullptr};
    std::thread::id editorThread_;

    // The hosted editors' windows, and what calls into those editors take: idle, and a thread
    // that unloads a child while the editor is open.
    std::recursive_mutex childEditors_;
    std::unique_ptr<toolkit::NativeWindow> hostedWindow_;
    int lastHostedWidth_ = 0, lastHostedHeight_ = 0;
    bool placeholderSize_ = false;  // the remembered size stands in for an editor still to come
    std::array<std::unique_ptr<toolkit::NativeWindow>, kSlots> slotWindows_;
    std::array<bool, kSlots> slotOpen_{};
    bool hostedWindowStale_ = false;
    std::array<bool, kSlots> slotWindowStale_{};

    // Views, between open and close. The frame owns those it holds; the MIDI slot views are
    // held here while the MIDI section is hidden.
    COptionMenu* command_ = nullptr;
    COptionMenu* oversampling_ = nullptr;
    CTextLabel* nameLabel_ = nullptr;
    COnOffPicture* endPiece_ = nullptr;
    std::array<CView*, 5> buttons_{};  // browser, search, MIDI section, hosted editor (by tag order)
    std::array<SlotViews, kSlots> slots_{};
    std::vector<std::unique_ptr<CView>> detachedSlotViews_;

    std::unique_ptr<SearchWindow> search_;
    std::unique_ptr<PresetBrowserWindow> browser_;
    bool searchToTop_ = false;

    // Left by other threads for the editor's thread.
    std::mutex pendingMutex_;
    std::optional<std::string> pendingStatus_;
    bool pendingTitle_ = false;
    std::array<std::optional<std::string>, kSlots> pendingSlotLabels_;
};

}  // namespace vexlo::manager
