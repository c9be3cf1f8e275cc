// The search window and the preset browser offscreen, with real preset files in a temporary
// folder tree and the test instrument that dumps its ten parameters: what the person selects
// is loaded into the hosted instrument at the editor's next idle.
#include <chrono>
#include <fstream>
#include <thread>

#include "hosting/preset_file.h"
#include "tests/support/editor_rig.h"
#include "tests/support/test_plugin_ids.h"

using namespace vexlo;
using namespace vexlo::toolkit;
using manager::PresetBrowser;
using manager::SearchWindow;
using manager::VstManagerEditor;
using test::EditorRig;
using test::kDumpId;
using test::sep;

namespace {


OffscreenFrame* screenOf(ToolWindow& tool) { return static_cast<OffscreenFrame*>(tool.frame().platform()); }

void clickLine(ToolWindow& tool, const CListBox* list, int line) {
    const CRect& r = list->getViewSize();
    const int row = line - list->topIndex();
    screenOf(tool)->click({r.left + 20, r.top + 2 + row * list->rowHeight() + list->rowHeight() / 2}, kLButton);
}

int lineOf(const CListBox* list, const std::string& text) {
    for (int line = 0; line < list->count(); ++line)
        if (list->itemText(line) == text) return line;
    return -1;
}

struct FindingRig : EditorRig {
    explicit FindingRig(const std::string& settingsFolder = "") : EditorRig(settingsFolder) {
        rig.loadInstrument("test-dump");
        for (int i = 0; i < 10; ++i) rig.instrument()->setParameter(rig.instrument(), i, 0.9f);
        preset("Bass.fxp", 0.25f);
        preset("deep/er/my_bass_01.fxp", 0.5f);
        preset("other/Lead.fxp", 0.75f);
        preset("Bass.fxb", 0.1f);
        rig.manager->browserFolder() = presets.path() + sep();
    }
    void preset(const std::string& relativeName, float value) {
        const std::filesystem::path path = (std::filesystem::path(presets.path()) / relativeName).make_preferred();
        std::filesystem::create_directories(path.parent_path());
        files::PresetFile file;
        file.magic = files::PresetMagic::programParameters;
        file.pluginId = kDumpId;
        file.name = "p";
        file.parameters.assign(10, value);
        const auto bytes = files::encodePresetFile(file);
        std::ofstream(path.string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    float parameter() { return rig.instrument()->getParameter(rig.instrument(), 3); }
    SearchWindow* search() { return editor->searchWindow(); }
    void waitForTheSearch() {
        for (int i = 0; i < 5000 && search() && search()->searching(); ++i) {
            idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        idle();
    }
    test::TempFolder presets;
};

}  // namespace

TEST(SearchWindow, TypingATextAndSearchingListsTheMatchesAndASelectionLoadsAtTheNextIdle) {
    FindingRig e;
    e.openAndIdle();
    e.click(e.editor->buttonOf(VstManagerEditor::kSearchTag));
    SearchWindow* search = e.search();
    ASSERT_NE(search, nullptr);
    auto* window = static_cast<OffscreenWindow*>(&search->toolkitDialog()->tool().window());
    EXPECT_EQ(window->title, "Vexlo VM - Search FXP Files");
    EXPECT_FALSE(window->child);
    // Centred on the (offscreen) 1024 x 768 screen.
    EXPECT_EQ(window->bounds().left + window->bounds().right, 1024);
    EXPECT_EQ(window->bounds().top + window->bounds().bottom, 768 - 1);
    EXPECT_EQ(search->toolkitDialog()->folderBox()->getText(), e.presets.path() + sep());
    ASSERT_EQ(search->toolkitDialog()->results()->count(), 3);
    EXPECT_EQ(search->toolkitDialog()->results()->itemText(0), "Change the folder above, if you want");
    EXPECT_EQ(search->toolkitDialog()->searchButton()->getTitle(), "&Search");
    // A second click on the button brings the same window to the top.
    e.click(e.editor->buttonOf(VstManagerEditor::kSearchTag));
    EXPECT_EQ(e.search(), search);
    EXPECT_EQ(window->raises, 1);

    OffscreenFrame* screen = screenOf(search->toolkitDialog()->tool());
    screen->type("bass");  // the text box has the keyboard from the start
    EXPECT_EQ(search->toolkitDialog()->textBox()->getText(), "bass");
    screen->click(EditorRig::centre(search->toolkitDialog()->searchButton()), kLButton);
    EXPECT_EQ(search->toolkitDialog()->searchButton()->getTitle(), "Stop Searching");
    EXPECT_EQ(search->toolkitDialog()->results()->count(), 0);
    e.waitForTheSearch();
    EXPECT_EQ(search->toolkitDialog()->searchButton()->getTitle(), "Search");
    ASSERT_EQ(search->toolkitDialog()->results()->count(), 2);
    EXPECT_EQ(search->toolkitDialog()->results()->itemText(0), "Bass.fxp");
    EXPECT_EQ(search->toolkitDialog()->results()->itemText(1), "my_bass_01.fxp");

    clickLine(search->toolkitDialog()->tool(), search->toolkitDialog()->results(), 1);
    EXPECT_TRUE(e.rig.manager->presetPathPending());
    EXPECT_NE(e.parameter(), 0.5f);  // not loaded from inside the click
    // A second choice while the first waits is ignored.
    clickLine(search->toolkitDialog()->tool(), search->toolkitDialog()->results(), 0);
    e.idle();
    EXPECT_EQ(e.parameter(), 0.5f);
    EXPECT_FALSE(e.rig.manager->presetPathPending());
    EXPECT_EQ(e.rig.manager->currentPresetPath(), e.presets.path() + sep() + "deep" + sep() + "er" + sep() + "my_bass_01.fxp");
    // The search window comes back to the top at the idle after the load.
    const int raises = window->raises;
    e.idle();
    EXPECT_EQ(window->raises, raises + 1);
    // Now the other one loads; the opening lines load nothing.
    clickLine(search->toolkitDialog()->tool(), search->toolkitDialog()->results(), 0);
    e.idle();
    EXPECT_EQ(e.parameter(), 0.25f);
}

TEST(SearchWindow, ChangingTheFolderRestartsTheSearchThereAndEscapeClosesIt) {
    FindingRig e;
    e.openAndIdle();
    e.click(e.editor->buttonOf(VstManagerEditor::kSearchTag));
    SearchWindow* search = e.search();
    ASSERT_NE(search, nullptr);
    e.services.folders.push_back(e.presets.path() + sep() + "other");
    screenOf(search->toolkitDialog()->tool())->click(EditorRig::centre(search->toolkitDialog()->folderButton()), kLButton);
    ASSERT_FALSE(e.services.messages.empty());
    EXPECT_EQ(e.services.messages.back().kind, "folder");
    EXPECT_EQ(e.services.messages.back().text, "Select the folder to start searching");
    EXPECT_EQ(search->toolkitDialog()->folderBox()->getText(), e.presets.path() + sep() + "other" + sep());
    EXPECT_EQ(e.rig.manager->browserFolder(), e.presets.path() + sep() + "other" + sep());
    e.waitForTheSearch();
    ASSERT_EQ(search->toolkitDialog()->results()->count(), 1);  // an empty text lists every preset
    EXPECT_EQ(search->toolkitDialog()->results()->itemText(0), "Lead.fxp");
    // The picker cancelled: the same folder, searched again.
    screenOf(search->toolkitDialog()->tool())->click(EditorRig::centre(search->toolkitDialog()->folderButton()), kLButton);
    e.waitForTheSearch();
    EXPECT_EQ(search->toolkitDialog()->results()->count(), 1);

    screenOf(search->toolkitDialog()->tool())->press(Key::escape);
    e.idle();
    EXPECT_EQ(e.search(), nullptr);
    // Closing the editor with a search window open leaves no window behind.
    e.click(e.editor->buttonOf(VstManagerEditor::kSearchTag));
    ASSERT_NE(e.search(), nullptr);
    e.rig.plugin->dispatch(effEditClose);
    EXPECT_EQ(e.search(), nullptr);
    EXPECT_TRUE(OffscreenWindow::live().empty());
}

namespace {
// The threads of this process, where the system tells (-1 elsewhere).
int threadCount() {
    std::error_code error;
    int count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", error); !error && it != std::filesystem::directory_iterator();
         it.increment(error))
        ++count;
    return error || count == 0 ? -1 : count;
}
}  // namespace

TEST(SearchWindow, TheManagerGoingMidSearchStopsTheSearchAndLeavesNoThread) {
    // A runtime that starts a helper thread of its own with the first new thread (as
    // ThreadSanitizer's does) has started it before the count.
    std::thread([] {}).join();
    const int before = threadCount();
    {
        FindingRig e;
        for (int i = 0; i < 400; ++i) e.preset("many/" + std::to_string(i % 20) + "/Pad " + std::to_string(i) + ".fxp", 0.5f);
        e.openAndIdle();
        e.click(e.editor->buttonOf(VstManagerEditor::kSearchTag));
        ASSERT_NE(e.search(), nullptr);
        screenOf(e.search()->toolkitDialog()->tool())->click(EditorRig::centre(e.search()->toolkitDialog()->searchButton()), kLButton);
        e.rig.plugin.reset();  // the host closes Vexlo VM with its editor open and the search running
    }
    EXPECT_EQ(threadCount(), before);
}

TEST(SearchWindow, ASelectionDuringASearchStopsItFirstAndTheManagerCanGoMidSearch) {
    FindingRig e;
    for (int i = 0; i < 400; ++i) e.preset("many/" + std::to_string(i % 20) + "/Pad " + std::to_string(i) + ".fxp", 0.5f);
    e.openAndIdle();
    e.click(e.editor->buttonOf(VstManagerEditor::kSearchTag));
    SearchWindow* search = e.search();
    ASSERT_NE(search, nullptr);
    screenOf(search->toolkitDialog()->tool())->click(EditorRig::centre(search->toolkitDialog()->searchButton()), kLButton);
    e.idle();
    if (search->toolkitDialog()->results()->count() > 0) {
        clickLine(search->toolkitDialog()->tool(), search->toolkitDialog()->results(), 0);
        EXPECT_FALSE(search->searching());
        e.idle();
        EXPECT_EQ(search->toolkitDialog()->searchButton()->getTitle(), "Search");
    }
    // Searching again, and the whole plug-in closed while it runs: the worker is stopped and joined.
    screenOf(search->toolkitDialog()->tool())->click(EditorRig::centre(search->toolkitDialog()->searchButton()), kLButton);
    e.rig.plugin->dispatch(effEditClose);
    EXPECT_TRUE(OffscreenWindow::live().empty());
}

TEST(PresetBrowser, AClickOnAFileLoadsItAtTheNextIdleAndAClickOnAFolderOpensIt) {
    FindingRig e;
    e.openAndIdle();
    e.click(e.editor->buttonOf(VstManagerEditor::kBrowserTag));
    PresetBrowser* browser = e.editor->presetBrowser();
    ASSERT_NE(browser, nullptr);
    auto* window = static_cast<OffscreenWindow*>(&browser->tool().window());
    EXPECT_EQ(window->title, "Vexlo VM - [" + e.presets.path() + sep() + "]");
    EXPECT_EQ(window->bounds().left, 100);  // the default place
    EXPECT_EQ(window->bounds().top, 100);
    const CListBox* list = browser->entries();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->itemText(0), "..");
    EXPECT_EQ(list->itemText(1), "[deep]");
    EXPECT_EQ(list->itemText(2), "[other]");
    EXPECT_EQ(list->itemText(3), "Bass.fxp");  // not the bank

    clickLine(browser->tool(), list, lineOf(list, "Bass.fxp"));
    EXPECT_TRUE(e.rig.manager->presetPathPending());
    e.idle();
    EXPECT_EQ(e.parameter(), 0.25f);

    clickLine(browser->tool(), list, lineOf(list, "[other]"));
    EXPECT_EQ(window->title, "Vexlo VM - [" + e.presets.path() + sep() + "other" + sep() + "]");
    ASSERT_NE(lineOf(list, "Lead.fxp"), -1);
    clickLine(browser->tool(), list, lineOf(list, "Lead.fxp"));
    e.idle();
    EXPECT_EQ(e.parameter(), 0.75f);
    clickLine(browser->tool(), list, lineOf(list, ".."));
    EXPECT_EQ(browser->folder(), e.presets.path() + sep());

    // The Close button closes it at the next idle; the button opens a fresh one.
    screenOf(browser->tool())->click(EditorRig::centre(browser->closeButton()), kLButton);
    e.idle();
    EXPECT_EQ(e.editor->presetBrowser(), nullptr);
    e.click(e.editor->buttonOf(VstManagerEditor::kBrowserTag));
    EXPECT_NE(e.editor->presetBrowser(), nullptr);
}

TEST(PresetBrowser, AClickWhileAPathWaitsOrTheManagerIsBusyDoesNothing) {
    FindingRig e;
    e.openAndIdle();
    e.click(e.editor->buttonOf(VstManagerEditor::kBrowserTag));
    PresetBrowser* browser = e.editor->presetBrowser();
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(e.rig.manager->offerPresetPath(e.presets.path() + sep() + "Bass.fxp"));
    clickLine(browser->tool(), browser->entries(), lineOf(browser->entries(), "[other]"));
    clickLine(browser->tool(), browser->entries(), lineOf(browser->entries(), "Lead.fxp"));
    e.idle();
    EXPECT_EQ(e.parameter(), 0.25f);  // the one that waited, not the click
    {
        test::ChangeOnAnotherThread change(e.rig.manager->testGate());
        clickLine(browser->tool(), browser->entries(), lineOf(browser->entries(), "Lead.fxp"));
        EXPECT_FALSE(e.rig.manager->presetPathPending());
    }
    // A file that is not there any more is ignored too.
    std::filesystem::remove(e.presets.path() + sep() + "other" + sep() + "Lead.fxp");
    clickLine(browser->tool(), browser->entries(), lineOf(browser->entries(), "Lead.fxp"));
    EXPECT_FALSE(e.rig.manager->presetPathPending());
}

TEST(PresetBrowser, ItReopensWhereThePersonLeftItAfterTheManagerWasMadeAgain) {
    test::TempFolder settings;
    {
        FindingRig first(settings.path());
        first.openAndIdle();
        first.click(first.editor->buttonOf(VstManagerEditor::kBrowserTag));
        ASSERT_NE(first.editor->presetBrowser(), nullptr);
        first.editor->presetBrowser()->tool().window().setBounds({300, 200, 700, 650});  // the person moves it
        first.rig.plugin->dispatch(effEditClose);
    }
    FindingRig second(settings.path());
    second.openAndIdle();
    second.click(second.editor->buttonOf(VstManagerEditor::kBrowserTag));
    ASSERT_NE(second.editor->presetBrowser(), nullptr);
    const CRect place = second.editor->presetBrowser()->tool().window().bounds();
    EXPECT_EQ(place.left, 300);
    EXPECT_EQ(place.top, 200);
    EXPECT_EQ(place.right, 700);
    EXPECT_EQ(place.bottom, 650);
}

TEST(PresetBrowser, TheSystemsBrowserHandsOverOnlyReadableFilesWithANameThatHasADot) {
    FindingRig e;
    e.openAndIdle();
    const std::string folder = e.presets.path() + sep();
    std::ofstream(folder + "NoDot").put('x');
    std::filesystem::create_directories(folder + "dotted.folder");
    manager::VstManager& manager = *e.rig.manager;
    EXPECT_FALSE(manager::offerSelectedPreset(manager, folder + "NoDot"));
    EXPECT_FALSE(manager::offerSelectedPreset(manager, folder + "dotted.folder"));
    EXPECT_FALSE(manager::offerSelectedPreset(manager, folder + "dotted.folder" + sep() + "NoDot"));  // the dot is the folder's
    EXPECT_FALSE(manager::offerSelectedPreset(manager, folder + "Gone.fxp"));
    // Several files selected at once come as the folder and quoted names: not one file.
    EXPECT_FALSE(manager::offerSelectedPreset(manager, folder + "\"Bass.fxp\" \"Bass.fxb\""));
    EXPECT_FALSE(manager.presetPathPending());
    EXPECT_TRUE(manager::offerSelectedPreset(manager, folder + "Bass.fxp"));
    EXPECT_FALSE(manager::offerSelectedPreset(manager, folder + "other" + sep() + "Lead.fxp"));  // one waits already
    e.idle();
    EXPECT_EQ(e.parameter(), 0.25f);
}
