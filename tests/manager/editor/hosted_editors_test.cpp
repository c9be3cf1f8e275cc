// The hosted plug-ins' editors in Vexlo VM's editor, offscreen: the test instrument's editor
// below the top bar, following its size, and the test MIDI effect's editor in a window of its
// own. Both test editors count every editor request they get.
#include "tests/plugins/test_editor.h"
#include "tests/support/editor_rig.h"

using namespace vexlo;
using namespace vexlo::toolkit;
using manager::VstManagerEditor;
using test::EditorRig;
using test::sep;

namespace {

VstIntPtr ask(AEffect* effect, int question, VstIntPtr value = 0) {
    return effect->dispatcher(effect, effVendorSpecific, question, value, nullptr, 0.0f);
}

void resizeEditor(AEffect* effect, int width, int height) { ask(effect, kEditorResize, width << 16 | height); }

// A 24-bit Windows bitmap of one colour.
std::string bitmapFile(int width, int height) {
    auto le32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t pixels = stride * static_cast<std::uint32_t>(height);
    std::string bmp = "BM" + le32(54 + pixels) + le32(0) + le32(54) + le32(40) + le32(static_cast<std::uint32_t>(width)) +
                      le32(static_cast<std::uint32_t>(height)) + std::string{1, 0, 24, 0} + le32(0) + le32(pixels) +
                      le32(0) + le32(0) + le32(0) + le32(0);
    return bmp + std::string(pixels, '\x40');
}

// The skin of the worked example: 600 wide, a top bar of 40, a background 140 high.
struct HostedRig : EditorRig {
    explicit HostedRig(const std::string& settingsFolder = "") : EditorRig(settingsFolder) {
        const std::string skin = skins + "Example" + sep();
        std::filesystem::create_directories(skin);
        test::writeFile(skin + "Background.bmp", bitmapFile(600, 140));
        test::writeFile(skin + "Background-End.bmp", bitmapFile(8, 140));
        test::writeFile(skin + "MinWidth.txt", "600");
        test::writeFile(skin + "MidiHeight.txt", "40");
        std::filesystem::copy_file(skins + "Default" + sep() + "Positions.txt", skin + "Positions.txt");
        test::writeFile(skins + "Current.txt", "Example");
        rig.store.write("Auto GUI", "Yes", false);
    }
    AEffect* instrument() { return rig.instrument(); }
    AEffect* slot(int n) { return rig.manager->getMidiSlot(n); }
    CRect windowBounds() { return editor->hostedWindow() ? editor->hostedWindow()->bounds() : CRect{-1, -1, -1, -1}; }
    // MIDI slot buttons lie in the MIDI section: it shows first.
    void showMidiSection() {
        click(editor->buttonOf(VstManagerEditor::kMidiSectionTag));
        idle();
    }
};

}  // namespace

TEST(HostedEditors, TheInstrumentsEditorOpensBelowTheBarAndTheMidiSectionPushesItDown) {
    HostedRig e;
    e.rig.loadInstrument("test-synth");
    resizeEditor(e.instrument(), 500, 300);
    // Already on opening, without an idle: a host may size its window by the first answer.
    e.open();
    ASSERT_TRUE(e.editor->hostedEditorOpen());
    EXPECT_EQ(ask(e.instrument(), kEditorOpens), 1);
    EXPECT_EQ(reinterpret_cast<void*>(ask(e.instrument(), kEditorWindow)), e.editor->hostedWindow()->handle());
    EXPECT_TRUE(static_cast<OffscreenWindow*>(e.editor->hostedWindow())->child);
    EXPECT_EQ(e.size().right, 600);  // the skin's width: the hosted editor is narrower
    EXPECT_EQ(e.size().bottom, 340);
    EXPECT_EQ(e.windowBounds().left, 0);
    EXPECT_EQ(e.windowBounds().top, 40);
    EXPECT_EQ(e.windowBounds().width(), 600);
    EXPECT_EQ(e.screen->width(), 600);
    EXPECT_EQ(e.screen->height(), 340);
    EXPECT_EQ(e.editor->endPiece()->getViewSize().right, 600);
    EXPECT_EQ(e.editor->endPiece()->getViewSize().bottom, 340);

    e.showMidiSection();
    EXPECT_EQ(e.size().right, 600);
    EXPECT_EQ(e.size().bottom, 440);
    EXPECT_EQ(e.windowBounds().top, 140);

    // Every idle passes the hosted editor its idle and follows its size, without the minimum.
    const VstIntPtr idles = ask(e.instrument(), kEditorIdles);
    resizeEditor(e.instrument(), 520, 300);
    e.idle();
    EXPECT_GT(ask(e.instrument(), kEditorIdles), idles);
    EXPECT_EQ(e.size().right, 520);
    EXPECT_EQ(e.windowBounds().width(), 600);
    resizeEditor(e.instrument(), 700, 250);
    e.idle();
    EXPECT_EQ(e.size().right, 700);
    EXPECT_EQ(e.size().bottom, 390);
    EXPECT_EQ(e.windowBounds().width(), 700);
}

TEST(HostedEditors, TheHostedEditorButtonClosesItKeepingTheWidthAndOpensItAgain) {
    HostedRig e;
    e.rig.loadInstrument("test-synth");
    resizeEditor(e.instrument(), 700, 300);
    e.openAndIdle();
    ASSERT_TRUE(e.editor->hostedEditorOpen());
    e.click(e.editor->buttonOf(VstManagerEditor::kHostedEditorTag));
    EXPECT_FALSE(e.editor->hostedEditorOpen());
    EXPECT_EQ(ask(e.instrument(), kEditorCloses), 1);
    EXPECT_EQ(e.editor->hostedWindow(), nullptr);
    EXPECT_EQ(e.size().right, 700);
    EXPECT_EQ(e.size().bottom, 40);
    e.idle();
    EXPECT_FALSE(e.editor->hostedEditorOpen()) << "the person asked not to see it";
    e.click(e.editor->buttonOf(VstManagerEditor::kHostedEditorTag));
    e.idle();
    EXPECT_TRUE(e.editor->hostedEditorOpen());
    EXPECT_EQ(ask(e.instrument(), kEditorOpens), 2);
}

TEST(HostedEditors, WithAutoGuiANewInstrumentsEditorOpensOneIdleAfterItsLoad) {
    HostedRig e;
    e.rig.loadInstrument("test-synth");
    e.openAndIdle();
    AEffect* first = e.instrument();
    ASSERT_EQ(ask(first, kEditorOpens), 1);
    e.services.files.push_back(test::pluginPath("test-synth"));
    e.command(VstManagerEditor::kLoadVst);
    ASSERT_NE(e.instrument(), nullptr);
    EXPECT_FALSE(e.editor->hostedEditorOpen());
    EXPECT_EQ(e.editor->hostedWindow(), nullptr) << "the old editor's window went with it";
    e.idle();
    EXPECT_TRUE(e.editor->hostedEditorOpen());
    EXPECT_EQ(ask(e.instrument(), kEditorOpens), 1);
    // Without Auto GUI the editor waits for its button.
    e.rig.store.write("Auto GUI", "No", false);
    e.rig.plugin->dispatch(effEditClose);
    EXPECT_EQ(ask(e.instrument(), kEditorCloses), 1);
    e.openAndIdle();
    EXPECT_FALSE(e.editor->hostedEditorOpen());
}

TEST(HostedEditors, AnInstrumentWithoutAnEditorOrWithoutAWindowNeverHearsEditorOpen) {
    HostedRig e;
    e.rig.loadInstrument("test-mono");  // no editor
    e.openAndIdle();
    EXPECT_FALSE(e.editor->hostedEditorOpen());
    EXPECT_TRUE(OffscreenWindow::live().empty());
    e.rig.plugin->dispatch(effEditClose);
    e.rig.loadInstrument("test-synth");
    e.rig.store.write("Auto GUI", "No", false);
    e.openAndIdle();
    e.screen->refuseWindows = true;
    e.click(e.editor->buttonOf(VstManagerEditor::kHostedEditorTag));
    e.idle();
    EXPECT_FALSE(e.editor->hostedEditorOpen());
    EXPECT_EQ(ask(e.instrument(), kEditorOpens), 0);
    EXPECT_EQ(ask(e.instrument(), kEditorOpensWithoutWindow), 0);
}

TEST(HostedEditors, ASlotsEditorButtonOpensAndClosesItsWindowAndTheCloseBoxClosesItAtOnce) {
    HostedRig e;
    e.rig.loadMidi("test-midi-fx", 2);
    e.openAndIdle();
    e.showMidiSection();
    const auto* button = e.editor->slotViews(2).editor;
    e.click(button);
    ASSERT_NE(e.editor->slotWindow(2), nullptr);
    auto* window = static_cast<OffscreenWindow*>(e.editor->slotWindow(2));
    EXPECT_FALSE(window->child);
    EXPECT_EQ(window->title, "test-midi-fx");
    EXPECT_EQ(window->bounds().left, 250);
    EXPECT_EQ(window->bounds().top, 250);
    EXPECT_EQ(window->bounds().width(), 300);
    EXPECT_EQ(window->bounds().height(), 40);
    EXPECT_EQ(ask(e.slot(2), kEditorOpens), 1);
    EXPECT_EQ(reinterpret_cast<void*>(ask(e.slot(2), kEditorWindow)), window->handle());
    e.idle();
    EXPECT_GT(ask(e.slot(2), kEditorIdles), 0);
    e.click(button);
    EXPECT_EQ(e.editor->slotWindow(2), nullptr);
    EXPECT_EQ(ask(e.slot(2), kEditorCloses), 1);

    // The close box: editor-close at once, and no more idle for it.
    e.click(button);
    static_cast<OffscreenWindow*>(e.editor->slotWindow(2))->closeBoxClicked();
    EXPECT_EQ(e.editor->slotWindow(2), nullptr);
    EXPECT_FALSE(e.editor->slotEditorOpen(2));
    EXPECT_EQ(ask(e.slot(2), kEditorCloses), 2);
    const VstIntPtr idles = ask(e.slot(2), kEditorIdles);
    e.idle();
    EXPECT_EQ(ask(e.slot(2), kEditorIdles), idles);
    e.click(button);
    EXPECT_NE(e.editor->slotWindow(2), nullptr);
    EXPECT_EQ(ask(e.slot(2), kEditorOpens), 3);
    EXPECT_EQ(ask(e.slot(2), kEditorCloses), 2);
    // An empty slot's button does nothing.
    e.click(e.editor->slotViews(0).editor);
    EXPECT_EQ(e.editor->slotWindow(0), nullptr);
}

TEST(HostedEditors, ASlotsLoadButtonAsksForAPlugInAndOpensItsEditor) {
    HostedRig e;
    e.openAndIdle();
    e.showMidiSection();
    e.services.files.push_back(test::pluginPath("test-midi-fx"));
    e.click(e.editor->slotViews(1).load);
    ASSERT_NE(e.slot(1), nullptr);
    ASSERT_NE(e.editor->slotWindow(1), nullptr);
    EXPECT_EQ(ask(e.slot(1), kEditorOpens), 1);
    e.idle();
    EXPECT_EQ(e.editor->slotViews(1).label->getText(), "test-midi-fx");
    // Loading again replaces the plug-in: the old one's editor closes before it goes.
    e.services.files.push_back(test::pluginPath("test-midi-fx"));
    e.click(e.editor->slotViews(1).load);
    ASSERT_NE(e.editor->slotWindow(1), nullptr);
    EXPECT_EQ(ask(e.slot(1), kEditorOpens), 1);
    EXPECT_EQ(OffscreenWindow::live().size(), 1u);
}

TEST(HostedEditors, ClosingTheEditorOrVexloVmClosesEveryHostedEditorAndLeavesNoWindow) {
    HostedRig e;
    e.rig.loadInstrument("test-synth");
    e.rig.loadMidi("test-midi-fx", 0);
    e.openAndIdle();
    e.showMidiSection();
    e.click(e.editor->slotViews(0).editor);
    ASSERT_EQ(OffscreenWindow::live().size(), 2u);
    e.rig.plugin->dispatch(effEditClose);
    EXPECT_TRUE(OffscreenWindow::live().empty());
    EXPECT_EQ(ask(e.instrument(), kEditorCloses), ask(e.instrument(), kEditorOpens));
    EXPECT_EQ(ask(e.slot(0), kEditorCloses), 1);
    // Open again with both editors showing, then the host closes Vexlo VM itself.
    e.openAndIdle();
    e.showMidiSection();
    e.click(e.editor->slotViews(0).editor);
    ASSERT_EQ(OffscreenWindow::live().size(), 2u);
    e.rig.plugin->close();
    EXPECT_TRUE(OffscreenWindow::live().empty());
    EXPECT_EQ(OffscreenFrame::openFrames(), 0);
}

TEST(HostedEditors, AnInstrumentUnloadedByAnotherThreadClosesItsEditorFirst) {
    HostedRig e;
    e.rig.loadInstrument("test-synth");
    e.openAndIdle();
    ASSERT_TRUE(e.editor->hostedEditorOpen());
    // The host restores, from another thread, a song whose instrument has no editor.
    const std::vector<unsigned char> song = [&] {
        test::ManagerRig other(64, e.rig.folder.path());
        other.loadInstrument("test-mono");
        return other.chunk();
    }();
    AEffect* before = e.instrument();
    std::thread host([&] { e.rig.restore(song); });
    host.join();
    ASSERT_NE(e.instrument(), before);
    EXPECT_FALSE(e.editor->hostedEditorOpen());
    EXPECT_EQ(e.editor->hostedInstrument(), e.instrument());
    e.idle();  // its window goes on the editor's thread
    EXPECT_EQ(e.editor->hostedWindow(), nullptr);
    EXPECT_TRUE(OffscreenWindow::live().empty());
    EXPECT_EQ(e.size().bottom, 40);
}

// A host that sizes its window once, before it hands over the state that loads the instrument
// (LMMS), gets the size the editor last had with the instrument's editor inside.
TEST(HostedEditors, BeforeAnInstrumentLoadsTheEditorAnswersWithTheSizeItLastHadWithOne) {
    HostedRig first;
    first.rig.loadInstrument("test-synth");
    resizeEditor(first.instrument(), 500, 300);
    first.open();
    ASSERT_TRUE(first.editor->hostedEditorOpen());
    const auto state = first.rig.chunk();

    HostedRig song(first.rig.folder.path());
    EXPECT_EQ(song.size().bottom, 340);  // asked before it opens
    song.open();
    EXPECT_EQ(song.size().bottom, 340);
    ASSERT_EQ(song.rig.restore(state), 1);
    resizeEditor(song.instrument(), 500, 300);
    song.idle();
    EXPECT_TRUE(song.editor->hostedEditorOpen());
    EXPECT_EQ(song.size().right, 600);
    EXPECT_EQ(song.size().bottom, 340);

    // An instrument that shows no editor gives the place back; Auto GUI off keeps the bar alone.
    HostedRig plain(first.rig.folder.path());
    plain.open();
    plain.rig.loadInstrument("test-mono");
    plain.idle();
    EXPECT_EQ(plain.size().bottom, 40);
    HostedRig off(first.rig.folder.path());
    off.rig.store.write("Auto GUI", "No", false);
    off.open();
    EXPECT_EQ(off.size().bottom, 40);
}
