// Vexlo VM's editor, opened offscreen on a Vexlo VM linked into the test with its skin copied
// into a temporary folder, and driven through its real menus and buttons with scripted answers
// for the person.
#include <algorithm>
#include <chrono>
#include <thread>

#include "tests/support/editor_rig.h"

using namespace vexlo;
using namespace vexlo::toolkit;
using manager::VstManagerEditor;
using test::EditorRig;
namespace fs = std::filesystem;
using test::sep;

namespace {

bool sameRect(const CRect& r, int left, int top, int right, int bottom) {
    return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

}  // namespace

TEST(ManagerEditor, DeclaresItselfAndTakesItsSizeFromTheSkinBeforeItOpens) {
    EditorRig e;
    EXPECT_TRUE(e.rig.plugin->effect()->flags & effFlagsHasEditor);
    const ERect rect = e.size();
    EXPECT_EQ(rect.right, 640);
    EXPECT_EQ(rect.bottom, 28);
    EXPECT_EQ(e.editor->background().width(), 640);
    EXPECT_EQ(e.editor->background().height(), 112);
}

TEST(ManagerEditor, OpeningLaysEveryViewOutByTheSkinBeforeTheHostAsksItsSize) {
    EditorRig e;
    e.open();
    EXPECT_TRUE(sameRect(e.editor->commandMenu()->getViewSize(), 4, 4, 64, 24));
    EXPECT_TRUE(sameRect(e.editor->buttonOf(VstManagerEditor::kBrowserTag)->getMouseableArea(), 70, 4, 136, 24));
    EXPECT_TRUE(sameRect(e.editor->buttonOf(VstManagerEditor::kSearchTag)->getViewSize(), 142, 4, 208, 24));
    EXPECT_TRUE(sameRect(e.editor->oversamplingMenu()->getViewSize(), 214, 4, 310, 24));
    EXPECT_TRUE(sameRect(e.editor->nameLabel()->getViewSize(), 316, 4, 534, 24));
    EXPECT_TRUE(sameRect(e.editor->buttonOf(VstManagerEditor::kMidiSectionTag)->getViewSize(), 540, 4, 580, 24));
    EXPECT_TRUE(sameRect(e.editor->buttonOf(VstManagerEditor::kHostedEditorTag)->getViewSize(), 586, 4, 626, 24));
    EXPECT_TRUE(sameRect(e.editor->endPiece()->getViewSize(), 632, 0, 640, 28));
    EXPECT_FALSE(e.editor->endPiece()->getMouseEnabled());
    // The slots are placed while the MIDI section is hidden, and are not in the frame.
    EXPECT_TRUE(sameRect(e.editor->slotViews(3).label->getViewSize(), 24, 92, 456, 108));
    EXPECT_TRUE(sameRect(e.editor->slotViews(3).editor->getViewSize(), 528, 92, 588, 108));
    EXPECT_FALSE(e.editor->getFrame()->containsView(e.editor->slotViews(0).label));
    // The views over the background show the part of it under them.
    EXPECT_EQ(e.editor->nameLabel()->getBackground(), &e.editor->background());
    EXPECT_EQ(e.editor->nameLabel()->getBackgroundOffset().x, 316);
    EXPECT_EQ(e.editor->oversamplingMenu()->getBackgroundOffset().y, 4);
    // Colours and fonts of the three groups.
    EXPECT_EQ(e.editor->oversamplingMenu()->getFontColor(), (CColor{255, 190, 110, 255}));
    EXPECT_EQ(e.editor->nameLabel()->getFontColor(), (CColor{225, 230, 240, 255}));
    EXPECT_EQ(e.editor->slotViews(2).label->getFontColor(), (CColor{190, 200, 215, 255}));
    EXPECT_EQ(e.editor->slotViews(2).label->getFont(), 4);
    // The frame and the host's window are the skin's size, drawn from the background.
    EXPECT_EQ(e.screen->width(), 640);
    EXPECT_EQ(e.screen->height(), 28);
    e.idle();  // drawing waits for the idle
    EXPECT_EQ(e.screen->image().pixel(1, 1), e.editor->background().pixel(1, 1));
    EXPECT_EQ(e.screen->image().pixel(635, 10), e.editor->endBitmap().pixel(3, 10));
}

TEST(ManagerEditor, EveryOpeningReadsTheSkinAgainAndShrinksTheEditorToIt) {
    EditorRig e;
    e.openAndIdle();
    e.rig.plugin->dispatch(effEditClose);
    EXPECT_EQ(OffscreenFrame::openFrames(), 0);
    // Another skin, chosen while the editor is closed, takes effect at the next opening.
    fs::copy(e.skins + "Default", e.skins + "Narrow", fs::copy_options::recursive);
    test::writeFile(e.skins + "Narrow" + sep() + "MinWidth.txt", "600");
    test::writeFile(e.skins + "Narrow" + sep() + "MidiHeight.txt", "40\n");
    test::writeFile(e.skins + "Current.txt", "Narrow");
    e.openAndIdle();
    EXPECT_EQ(e.size().right, 600);
    EXPECT_EQ(e.size().bottom, 40);
    EXPECT_TRUE(sameRect(e.editor->endPiece()->getViewSize(), 592, 0, 600, 40));
    // A name with a line end names no folder: Default again.
    test::writeFile(e.skins + "Current.txt", "Narrow\n");
    e.rig.plugin->dispatch(effEditClose);
    e.openAndIdle();
    EXPECT_EQ(e.size().right, 640);
    EXPECT_EQ(e.editor->currentSkinName(), "Default");
}

TEST(ManagerEditor, ASkinWithoutItsTextFilesOrEndPieceKeepsWhatTheViewsHad) {
    EditorRig e;
    fs::create_directories(e.skins + "Bare");
    fs::copy_file(e.skins + "Default" + sep() + "Background.bmp", e.skins + "Bare" + sep() + "Background.bmp");
    // Line 3 as written, even backwards; line 5 as two corners.
    test::writeFile(e.skins + "Bare" + sep() + "Positions.txt",
                    "free\nfree\n" + std::string(34, ' ') + "300 020 250 005\n" + std::string(34, ' ') +
                        "010 010 020 020\n" + std::string(34, ' ') + "300 020 250 005\n");
    test::writeFile(e.skins + "Current.txt", "Bare");
    e.openAndIdle();
    EXPECT_EQ(e.size().right, 640);  // the sizes the editor had
    EXPECT_EQ(e.editor->endBitmap().width(), 0);
    EXPECT_TRUE(sameRect(e.editor->endPiece()->getViewSize(), 640, 0, 640, 28));
    EXPECT_TRUE(sameRect(e.editor->commandMenu()->getViewSize(), 300, 20, 250, 5));
    EXPECT_TRUE(sameRect(e.editor->buttonOf(VstManagerEditor::kSearchTag)->getViewSize(), 250, 5, 300, 20));
    // Lines the file does not have leave their views where they were; colours stay white.
    EXPECT_TRUE(sameRect(e.editor->nameLabel()->getViewSize(), 0, 0, 10, 10));
    EXPECT_EQ(e.editor->nameLabel()->getFontColor(), kWhite);
}

TEST(ManagerEditor, TheCommandMenuOffersItsEntriesAndAboutSaysTheVersion) {
    EditorRig e;
    e.openAndIdle();
    e.command(VstManagerEditor::kAbout);
    const std::vector<std::string> expected = {
        "About",     "-",         "Load Bank",     "Load Preset",        "-",         "Scan VSTs",
        "Load &VST", "-",         "&Extract FXPs", "Extract FX&B+Links", "&Save FXP", "&Link FXP",
        "-",         "OverSampler Bypass: Off",   "Auto Open GUI: Off", "Own Process",
        "Own Process: MIDI 1", "Own Process: MIDI 2", "Own Process: MIDI 3", "Own Process: MIDI 4", "Reload"};
    EXPECT_EQ(e.screen->lastPopupEntries, expected);
    EXPECT_TRUE(e.screen->lastPopupChecks.empty());  // a menu of actions
    ASSERT_EQ(e.services.messages.size(), 1u);
    EXPECT_EQ(e.services.messages[0].kind, "report");
    EXPECT_EQ(e.services.messages[0].caption, "Vexlo VM (ZAV Uzideza)");
    EXPECT_NE(e.services.messages[0].text.find("\nVersion: 1.2.4"), std::string::npos);
    // The same entry again runs again; separators do nothing.
    e.command(VstManagerEditor::kAbout);
    e.command(1);
    e.command(7);
    EXPECT_EQ(e.services.messages.size(), 2u);
}

TEST(ManagerEditor, LoadBankAndLoadPresetAskForTheirKindOfFile) {
    EditorRig e;
    e.openAndIdle();
    e.command(VstManagerEditor::kLoadBank);
    e.command(VstManagerEditor::kLoadPreset);
    ASSERT_EQ(e.services.fileRequests.size(), 2u);
    EXPECT_EQ(e.services.fileRequests[0].title, "Select the Bank/Preset file");
    EXPECT_EQ(e.services.fileRequests[0].extension, "fxb");
    EXPECT_EQ(e.services.fileRequests[0].typeName, "FXB Bank");
    EXPECT_EQ(e.services.fileRequests[1].extension, "fxp");
    EXPECT_EQ(e.services.fileRequests[1].typeName, "FXP Preset");
    EXPECT_FALSE(e.services.fileRequests[1].save);
}

TEST(ManagerEditor, LoadVstAsksForAnInstrumentAndTheNameLabelNamesItAtTheNextIdle) {
    EditorRig e;
    e.openAndIdle();
    EXPECT_EQ(e.editor->nameLabel()->getText(), "");
    e.services.files.push_back(test::pluginPath("test-synth"));
    e.command(VstManagerEditor::kLoadVst);
    ASSERT_EQ(e.services.fileRequests.size(), 1u);
    EXPECT_FALSE(e.services.fileRequests[0].save);
    ASSERT_NE(e.rig.instrument(), nullptr);
    EXPECT_EQ(e.editor->hostedInstrument(), e.rig.instrument());
    e.idle();
    char program[kVstMaxProgNameLen + 1] = {};
    e.rig.manager->getProgramName(program);
    EXPECT_EQ(e.editor->nameLabel()->getText(), std::string("VST: test-synth - ") + program);
    // Reopened, the label names the instrument straight away.
    e.rig.plugin->dispatch(effEditClose);
    e.open();
    EXPECT_EQ(e.editor->nameLabel()->getText(), std::string("VST: test-synth - ") + program);
}

TEST(ManagerEditor, ExtractAsksForAnInstrumentOnlyWhenNoneIsHosted) {
    EditorRig e;
    e.openAndIdle();
    // Nothing hosted, the person cancels: no instrument, nothing extracted, nothing else asked.
    e.command(VstManagerEditor::kExtractPresets);
    ASSERT_EQ(e.services.messages.size(), 1u);
    EXPECT_EQ(e.services.messages[0].kind, "file");
    e.command(VstManagerEditor::kExtractBank);
    EXPECT_EQ(e.services.messages.size(), 2u);
    // With an instrument playing, the extraction starts at once and keeps that instrument.
    e.rig.loadInstrument("test-synth");
    AEffect* playing = e.rig.instrument();
    e.services.messages.clear();
    e.services.fileRequests.clear();
    e.command(VstManagerEditor::kExtractPresets);
    EXPECT_EQ(e.rig.instrument(), playing);
    ASSERT_FALSE(e.services.fileRequests.empty());
    EXPECT_TRUE(e.services.fileRequests[0].save);
    EXPECT_EQ(e.services.fileRequests[0].extension, "fxp");
    e.services.fileRequests.clear();
    e.command(VstManagerEditor::kExtractBank);
    EXPECT_EQ(e.rig.instrument(), playing);
    ASSERT_FALSE(e.services.fileRequests.empty());
    EXPECT_EQ(e.services.fileRequests[0].extension, "fxb");
}

TEST(ManagerEditor, SaveAndLinkDoNothingWithoutAnInstrument) {
    EditorRig e;
    e.openAndIdle();
    e.command(VstManagerEditor::kSavePreset);
    e.command(VstManagerEditor::kLinkPreset);
    EXPECT_TRUE(e.services.messages.empty());
    e.rig.loadInstrument("test-synth");
    e.command(VstManagerEditor::kSavePreset);
    ASSERT_EQ(e.services.fileRequests.size(), 1u);
    EXPECT_TRUE(e.services.fileRequests[0].save);
    e.services.messages.clear();
    e.command(VstManagerEditor::kLinkPreset);  // nothing loaded or saved yet to link to
    ASSERT_EQ(e.services.messages.size(), 1u);
    EXPECT_EQ(e.services.messages[0].text, "Load/Save a FXP file first!");
}

TEST(ManagerEditor, ScanAsksOnlyNewShowsEachLibraryInTheNameLabelAndSaysWhenDone) {
    EditorRig e;
    e.openAndIdle();
    fs::copy_file(test::pluginPath("test-synth"),
                  e.rig.manager->settings().vstFolder + "test-synth" + platform::pluginExtension());
    e.rig.loadInstrument("test-mono");
    e.services.answers.push_back(false);
    e.command(VstManagerEditor::kScan);
    ASSERT_EQ(e.services.messages.size(), 1u);
    EXPECT_EQ(e.services.messages[0].kind, "ask");
    EXPECT_EQ(e.services.messages[0].text, "Scan only NEW VSTs?");
    EXPECT_EQ(e.services.messages[0].caption, "Only New?");
    // The scan unloads the instrument, and runs beside the editor.
    EXPECT_EQ(e.rig.instrument(), nullptr);
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kScan), "Stop Scan");
    e.rig.manager->waitForScan();
    e.idle();
    ASSERT_EQ(e.services.messages.size(), 2u);
    EXPECT_EQ(e.services.messages[1].text, "Scan VSTs Completed!");
    EXPECT_EQ(e.services.messages[1].caption, "OK");
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kScan), "Scan VSTs");
    EXPECT_NE(e.rig.databaseEntry(0x56745379).find("test-synth"), std::string::npos);
    EXPECT_EQ(e.editor->hostedInstrument(), nullptr);
    // What the scan tells, from its thread, the name label shows at the next idle.
    e.editor->scanProgress(library::ScanStep{"test-synth", 1, 2});
    e.idle();
    EXPECT_EQ(e.screen->textHistory.back(), "Scanning 1 of 2: test-synth");
}

// A library that hangs as it is probed holds the scan for the probe's whole limit, never the
// editor: the command returns at once, the editor idles and loads meanwhile, and the command
// chosen again stops the scan after the probes under way.
TEST(ManagerEditor, AScanRunsBesideTheEditorAndStopsWhenAskedAgain) {
    EditorRig e;
    e.openAndIdle();
    const std::string folder = e.rig.manager->settings().vstFolder;
    for (const char* plugin : {"test-hang", "test-mono", "test-synth"})
        fs::copy_file(test::pluginPath(plugin), folder + plugin + platform::pluginExtension());
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    e.services.answers.push_back(false);
    auto began = Clock::now();
    e.command(VstManagerEditor::kScan);
    EXPECT_LT(seconds(Clock::now() - began), 2.0) << "the command waited for the scan";
    ASSERT_TRUE(e.rig.manager->scanning()) << "the hanging probe lasts its limit of ten seconds";
    // The editor idles as the host calls it, until the name label says the scan waits for the
    // hanging library (the probes before it written), and a while longer.
    double longestIdle = 0;
    bool hangingShown = false;
    for (int i = 0; i < 400 && !(hangingShown && i >= 20); ++i) {
        began = Clock::now();
        e.idle();
        longestIdle = std::max(longestIdle, seconds(Clock::now() - began));
        const std::string shown = e.screen->textHistory.empty() ? "" : e.screen->textHistory.back();
        hangingShown = hangingShown || (shown.find("Scanning") == 0 && shown.find("test-hang") != std::string::npos);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a host idles its editors 50 to 100 times a second
    }
    EXPECT_TRUE(hangingShown);
    ASSERT_TRUE(e.rig.manager->scanning());
    EXPECT_LT(longestIdle, 1.0);
    began = Clock::now();
    e.rig.loadInstrument("test-synth");
    EXPECT_NE(e.rig.instrument(), nullptr);
    EXPECT_LT(seconds(Clock::now() - began), 2.0) << "a load waited for the scan";

    e.command(VstManagerEditor::kScan);  // "Stop Scan"
    e.rig.manager->waitForScan();
    e.idle();
    EXPECT_EQ(e.services.messages.back().text, "Scan VSTs Stopped!");
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kScan), "Scan VSTs");
    EXPECT_FALSE(e.rig.manager->lastScan().completed);
}

TEST(ManagerEditor, TheBypassEntryInvertsTheFlagAndItsTextFollowsAtTheNextIdle) {
    EditorRig e;
    e.openAndIdle();
    ASSERT_FALSE(manager::VstManager::oversamplerBypassed());
    e.command(VstManagerEditor::kBypass);
    EXPECT_TRUE(manager::VstManager::oversamplerBypassed());
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kBypass), "OverSampler Bypass: Off");
    e.idle();
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kBypass), "OverSampler Bypass: On");
    e.command(VstManagerEditor::kBypass);
    e.idle();
    EXPECT_FALSE(manager::VstManager::oversamplerBypassed());
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kBypass), "OverSampler Bypass: Off");
}

TEST(ManagerEditor, AutoOpenGuiTwiceComesBackToWhereItStarted) {
    EditorRig e;
    e.openAndIdle();
    EXPECT_EQ(e.autoGui(), "<none>");
    EXPECT_FALSE(e.editor->showsHostedEditor());
    e.command(VstManagerEditor::kAutoGui);
    EXPECT_EQ(e.autoGui(), "Yes");
    EXPECT_TRUE(e.editor->showsHostedEditor());
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kAutoGui), "Auto Open GUI: On");
    e.command(VstManagerEditor::kAutoGui);
    EXPECT_EQ(e.autoGui(), "No");
    EXPECT_FALSE(e.editor->showsHostedEditor());
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kAutoGui), "Auto Open GUI: Off");
    // The key is read at every opening.
    e.rig.store.write("Auto GUI", "Yes please", false);
    e.rig.plugin->dispatch(effEditClose);
    e.openAndIdle();
    EXPECT_TRUE(e.editor->showsHostedEditor());
    EXPECT_EQ(e.editor->commandMenu()->getEntry(VstManagerEditor::kAutoGui), "Auto Open GUI: On");
}

TEST(ManagerEditor, TheOversamplingMenuSetsEveryFactorAndShowsTheOneInForce) {
    EditorRig e;
    e.rig.loadInstrument("test-synth");
    e.openAndIdle();
    e.oversampling(0);
    EXPECT_EQ(e.screen->lastPopupEntries,
              (std::vector<std::string>{"Oversample: Off", "Oversample: 2x", "Oversample: 4x", "Oversample: 6x",
                                        "Oversample: 8x", "-", "Quality: Classic", "Quality: High"}));
    EXPECT_EQ(e.screen->lastPopupChecks, (std::vector<int>{0, 6}));
    const int factors[] = {1, 2, 4, 6, 8};
    for (int entry = 0; entry < 5; ++entry) {
        e.oversampling(entry);
        EXPECT_EQ(e.rig.manager->getParameter(0), entry * 0.25f);
        EXPECT_EQ(e.rig.manager->getOversamplingFactor(), factors[entry]) << "entry " << entry;
        EXPECT_EQ(e.rig.manager->getAppliedFactor(), factors[entry]);
    }
    e.oversampling(VstManagerEditor::kHighEntry);
    EXPECT_EQ(e.rig.manager->getOversamplingQuality(), manager::Oversampler::Quality::high);
    EXPECT_EQ(e.editor->oversamplingMenu()->getCurrent(), 4);  // still showing the factor
    e.oversampling(-1);  // dismissed
    EXPECT_EQ(e.screen->lastPopupChecks, (std::vector<int>{4, 7}));
    // The host moves parameter 0: the menu follows at the next idle.
    e.rig.plugin->effect()->setParameter(e.rig.plugin->effect(), 0, 0.25f);
    e.idle();
    EXPECT_EQ(e.editor->oversamplingMenu()->getCurrent(), 1);
    e.idle();
    bool drawn = false;
    for (const auto& text : e.screen->texts()) drawn |= text.text == "Oversample: 2x";
    EXPECT_TRUE(drawn);
}

TEST(ManagerEditor, MenusCanBeDrivenFromTheKeyboard) {
    EditorRig e;
    e.rig.loadInstrument("test-synth");
    e.openAndIdle();
    using Key = OffscreenFrame::KeyPress;
    // Down twice from no highlight: the second entry, "Oversample: 2x".
    e.screen->popupKeys.push_back({Key{MenuKey::down}, Key{MenuKey::down}, Key{MenuKey::enter}});
    e.click(e.editor->oversamplingMenu());
    EXPECT_EQ(e.rig.manager->getOversamplingFactor(), 2);
    // Up from the top wraps to the last entry and skips nothing but separators.
    e.screen->popupKeys.push_back({Key{MenuKey::up}, Key{MenuKey::up}, Key{MenuKey::up}, Key{MenuKey::enter}});
    e.click(e.editor->oversamplingMenu());
    EXPECT_EQ(e.rig.manager->getOversamplingFactor(), 8);
    // Escape chooses nothing.
    e.screen->popupKeys.push_back({Key{MenuKey::down}, Key{MenuKey::escape}});
    e.click(e.editor->oversamplingMenu());
    EXPECT_EQ(e.rig.manager->getOversamplingFactor(), 8);
    // The letter after "&" chooses its entry: "Load &VST" asks for an instrument.
    e.screen->popupKeys.push_back({Key{MenuKey::letter, 'V'}});
    e.click(e.editor->commandMenu());
    ASSERT_EQ(e.services.fileRequests.size(), 1u);
    EXPECT_EQ(e.services.fileRequests[0].extension, platform::pluginExtension() + 1);
}

TEST(ManagerEditor, NoDialogIsOpenWhileTheManagerHoldsItsGateAndTheSongStaysWhole) {
    EditorRig e;
    e.rig.loadInstrument("test-synth");
    e.rig.manager->saveProgram(false);  // something for the link entry to link to
    const std::vector<unsigned char> song = e.rig.chunk();
    e.openAndIdle();
    int shown = 0;
    e.services.whileShown = [&] {
        ++shown;
        EXPECT_FALSE(e.rig.manager->testGate().isHeld());
        // A host that autosaves from another thread now gets the whole song at once.
        std::vector<unsigned char> saved;
        std::thread autosave([&] { saved = e.rig.chunk(); });
        autosave.join();
        EXPECT_EQ(saved, song);
    };
    for (int entry : {VstManagerEditor::kAbout, VstManagerEditor::kLoadBank, VstManagerEditor::kLoadPreset,
                      VstManagerEditor::kExtractPresets, VstManagerEditor::kExtractBank, VstManagerEditor::kSavePreset,
                      VstManagerEditor::kLinkPreset, VstManagerEditor::kLoadVst}) {
        const int before = shown;
        e.command(entry);
        EXPECT_GT(shown, before) << "entry " << entry << " showed nothing";
        // Cancelling "Load &VST" chooses no instrument; every other entry keeps the one playing.
        if (entry != VstManagerEditor::kLoadVst) {
            ASSERT_NE(e.rig.instrument(), nullptr) << "entry " << entry;
        }
    }
    EXPECT_EQ(e.rig.instrument(), nullptr);
}

TEST(ManagerEditor, TheMidiSectionShowsOneIdleAfterItsButtonWithTheSlotsLabels) {
    EditorRig e;
    e.rig.loadMidi("test-midi-fx", 1);
    std::vector<std::pair<int, int>> hostResized;
    e.rig.plugin->setWindowResizer([&](int w, int h) {
        hostResized.emplace_back(w, h);
        return true;
    });
    e.openAndIdle();
    EXPECT_EQ(hostResized, (std::vector<std::pair<int, int>>{{640, 28}}));
    EXPECT_EQ(e.editor->slotViews(0).label->getText(), "Bypass");
    EXPECT_EQ(e.editor->slotViews(1).label->getText(), "test-midi-fx");
    e.click(e.editor->buttonOf(VstManagerEditor::kMidiSectionTag));
    EXPECT_FALSE(e.editor->midiSectionShown());
    e.idle();
    EXPECT_TRUE(e.editor->midiSectionShown());
    EXPECT_EQ(e.size().bottom, 112);  // the background's height
    EXPECT_EQ(e.screen->height(), 112);
    // The host resized its window; the frame resized only its own.
    EXPECT_EQ(hostResized.back(), (std::pair<int, int>{640, 112}));
    EXPECT_FALSE(e.screen->resizedParent);
    EXPECT_TRUE(e.editor->getFrame()->containsView(e.editor->slotViews(3).editor));
    e.idle();
    bool drawn = false;
    for (const auto& text : e.screen->texts()) drawn |= text.text == "test-midi-fx";
    EXPECT_TRUE(drawn);
    // A slot emptied while the section shows says "Bypass" at the next idle.
    e.rig.manager->unloadMidiEffect(1);
    e.idle();
    EXPECT_EQ(e.editor->slotViews(1).label->getText(), "Bypass");
    e.click(e.editor->buttonOf(VstManagerEditor::kMidiSectionTag));
    e.idle();
    EXPECT_FALSE(e.editor->midiSectionShown());
    EXPECT_EQ(e.size().bottom, 28);
    EXPECT_FALSE(e.editor->getFrame()->containsView(e.editor->slotViews(3).editor));
    // Hidden views are not clicked.
    const int requests = static_cast<int>(e.services.fileRequests.size());
    e.screen->click(EditorRig::centre(e.editor->slotViews(0).load), kLButton);
    EXPECT_EQ(static_cast<int>(e.services.fileRequests.size()), requests);
}

TEST(ManagerEditor, StatusFromAnotherThreadIsDrawnByIdleNotByThatThread) {
    EditorRig e;
    e.openAndIdle();
    std::thread loader([&] { e.editor->statusChanged("Loading..."); });
    loader.join();
    EXPECT_EQ(e.editor->nameLabel()->getText(), "");
    e.idle();
    EXPECT_EQ(e.editor->nameLabel()->getText(), "Loading...");
}

TEST(ManagerEditor, ClosingVexloVmWithTheEditorOpenReleasesItsWindowAndItsWindowClass) {
    {
        EditorRig e;
        EditorRig other;  // a second Vexlo VM in the same host
        EXPECT_EQ(SharedWindowClass::holders(), 2);
        EXPECT_TRUE(SharedWindowClass::registered());
        EXPECT_EQ(SharedWindowClass::name().rfind("Plugin2", 0), 0u);
        EXPECT_EQ(SharedWindowClass::name().size(), 15u);
        e.openAndIdle();
        EXPECT_EQ(OffscreenFrame::openFrames(), 1);
        e.rig.plugin->close();  // effClose with the editor open
        EXPECT_EQ(OffscreenFrame::openFrames(), 0);
        EXPECT_EQ(SharedWindowClass::holders(), 1);
        EXPECT_TRUE(SharedWindowClass::registered());
        other.openAndIdle();
    }
    EXPECT_EQ(SharedWindowClass::holders(), 0);
    EXPECT_FALSE(SharedWindowClass::registered());
}

TEST(ManagerEditor, OwnProcessMovesTheInstrumentThereAndBackAndReloadBringsACrashedOneBack) {
    EditorRig e;
    e.rig.loadInstrument("test-faulty-write");
    e.openAndIdle();
    e.command(VstManagerEditor::kAutoGui);  // its editor shows inside ours
    e.command(VstManagerEditor::kOwnProcess);
    e.idle();
    ASSERT_TRUE(e.rig.manager->instrumentChild().inOwnProcess());
    EXPECT_NE(e.editor->hostedWindow(), nullptr);
    e.command(VstManagerEditor::kAbout);  // the menu shown again: its check mark
    EXPECT_EQ(e.screen->lastPopupChecks, (std::vector<int>{VstManagerEditor::kOwnProcess}));

    // It crashes in its 100th sounding block: the name label and one message say so.
    e.rig.send({host::makeMidiEvent(0, 0x90, 64, 100)});
    for (int block = 0; block < 120; ++block) e.rig.process();
    const std::size_t before = e.services.messages.size();
    e.idle();
    e.idle();
    const std::string told = "test-faulty-write crashed: its last state is kept. Choose Reload to start it again.";
    ASSERT_EQ(e.services.messages.size(), before + 1);
    EXPECT_EQ(e.services.messages.back().text, told);
    EXPECT_EQ(e.editor->nameLabel()->getText(), told);
    // Its editor was open: its place in ours went with its process, and stays gone.
    e.idle();
    EXPECT_EQ(e.editor->hostedWindow(), nullptr);

    e.command(VstManagerEditor::kReload);
    e.idle();
    e.idle();
    EXPECT_FALSE(e.rig.manager->instrumentChild().failed());
    EXPECT_NE(e.editor->hostedWindow(), nullptr);  // back with it
    EXPECT_TRUE(e.rig.manager->instrumentChild().inOwnProcess());
    e.command(VstManagerEditor::kOwnProcess);
    EXPECT_FALSE(e.rig.manager->instrumentChild().inOwnProcess());
}

TEST(ManagerEditor, EachMidiSlotGoesToAProcessOfItsOwnByItsOwnEntryWithItsEditorClosedFirst) {
    EditorRig e;
    e.rig.loadInstrument("test-synth");
    e.rig.loadMidi("test-midi-fx", 2);
    e.openAndIdle();
    e.editor->toggleMidiSlotEditor(2);
    ASSERT_TRUE(e.editor->slotWindow(2));
    e.command(VstManagerEditor::kOwnProcessMidi + 2);
    e.idle();
    EXPECT_FALSE(e.editor->slotWindow(2));
    EXPECT_TRUE(e.rig.manager->midiSlotChild(2).inOwnProcess());
    EXPECT_FALSE(e.rig.manager->instrumentChild().inOwnProcess());
    e.command(VstManagerEditor::kAbout);
    EXPECT_EQ(e.screen->lastPopupChecks, (std::vector<int>{VstManagerEditor::kOwnProcessMidi + 2}));
    // Its editor opens from the other process just the same.
    e.editor->toggleMidiSlotEditor(2);
    EXPECT_TRUE(e.editor->slotWindow(2));
    e.command(VstManagerEditor::kOwnProcessMidi + 2);
    EXPECT_FALSE(e.rig.manager->midiSlotChild(2).inOwnProcess());
    EXPECT_TRUE(e.rig.manager->midiSlotChild(2).isLoaded());
}
