// The MIDI plug-ins' editors, drawn offscreen and driven by scripted mouse clicks and menu
// choices.
#include <gtest/gtest.h>

#include <cstring>

#include "arp/arp_editor.h"
#include "arp/arp_effect.h"
#include "keyswitch/keyswitch_editor.h"
#include "keyswitch/keyswitch_effect.h"
#include "platform/user_services.h"
#include "tests/support/midi_rig.h"
#include "toolkit/offscreen.h"
#include "tests/support/heard_controls.h"

using vexlo::arp::ArpEffect;
using vexlo::keyswitch::KeySwitchEffect;

using namespace vexlo::toolkit;
using vexlo::arp::ArpEditor;
using vexlo::arp::CGrid;
using vexlo::keyswitch::KeySwitchEditor;

namespace {

// An effect linked into the test, with its editor open offscreen.
template <typename Effect, typename Editor>
struct OpenEditor {
    OpenEditor() {
        OffscreenFrame::install();
        std::string error;
        plugin = vexlo::host::Plugin::create(
            "effect", [](audioMasterCallback master) { return (new Effect(master))->getAeffect(); }, context, &error);
        plugin->setRecordCalls(true);
        plugin->start();
        effect = static_cast<Effect*>(plugin->effect()->object);
        editor = static_cast<Editor*>(effect->getEditor());
        int parent = 0;
        EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, &parent), 1);
        screen = OffscreenFrame::latest();
        plugin->dispatch(effEditIdle);
    }
    ~OpenEditor() {
        plugin->dispatch(effEditClose);
        OffscreenFrame::uninstall();
    }
    void reopen() {
        plugin->dispatch(effEditClose);
        int parent = 0;
        plugin->dispatch(effEditOpen, 0, 0, &parent);
        screen = OffscreenFrame::latest();
        plugin->dispatch(effEditIdle);
    }
    int automations() {
        int count = 0;
        for (const auto& call : plugin->calls()) count += call.opcode == audioMasterAutomate;
        return count;
    }

    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed{script};
    vexlo::host::HostContext context;
    std::unique_ptr<vexlo::host::Plugin> plugin;
    Effect* effect = nullptr;
    Editor* editor = nullptr;
    OffscreenFrame* screen = nullptr;
};

using ArpUnderTest = OpenEditor<ArpEffect, ArpEditor>;
using KeysUnderTest = OpenEditor<KeySwitchEffect, KeySwitchEditor>;

// The x of a point inside cell i of the grid (frame coordinates).
int cellX(int i) { return 248 + 2 + 7 * i + 2; }

std::vector<bool> pattern(ArpEffect* effect) {
    std::vector<bool> steps;
    for (int i = 0; i < 32; ++i) steps.push_back(effect->stepOn(i));
    return steps;
}

TEST(ArpEditor, ReportsItsStripAndBuildsItsControls) {
    ArpUnderTest arp;
    ERect* rect = nullptr;
    ASSERT_EQ(arp.plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->bottom, 22);
    EXPECT_EQ(rect->right, 600);
    ASSERT_NE(arp.screen, nullptr);
    EXPECT_EQ(arp.editor->grid()->getViewSize().left, 248);
    EXPECT_STREQ(arp.editor->grid()->getClassName(), "CGrid");
    EXPECT_EQ(arp.editor->speedMenu()->getEntry(3), ">Speed:1/16 (Half)<");
    EXPECT_EQ(arp.editor->speedMenu()->getCurrent(), 3);
    EXPECT_EQ(arp.editor->speedMenu()->getNbEntries(), 15);
    EXPECT_EQ(arp.editor->modeMenu()->getNbEntries(), 24);
    EXPECT_EQ(arp.editor->modeMenu()->getEntry(23), ">Mode: OR 3Oct<");
    EXPECT_EQ(arp.editor->commandMenu()->getEntry(5), "Bypass: Off");
    EXPECT_EQ(arp.effect->getTickDenominator(), 32.0f);  // opening set the speed again
    // The speed and mode menus show their entries in white.
    bool sawSpeed = false;
    for (const auto& t : arp.screen->texts()) sawSpeed |= t.text == ">Speed:1/16 (Half)<" && t.color == kWhite;
    EXPECT_TRUE(sawSpeed);
}

TEST(ArpEditor, TheGridDrawsItsCellsAtTheirPlaces) {
    ArpUnderTest arp;
    const CBitmap& image = arp.screen->image();
    // The logo at the left; cell 0 (one dot), 1 (plain) and 4 (two dots) in the grid.
    const CColor logoAccent = image.pixel(3, 10);
    EXPECT_EQ(logoAccent, (CColor{255, 150, 40, 255}));
    const CColor cellOn = image.pixel(cellX(1), 9);
    EXPECT_EQ(cellOn, (CColor{255, 150, 40, 255}));
    EXPECT_EQ(image.pixel(248 + 2 + 7 * 0 + 2, 1 + 2 + 5), (CColor{90, 40, 0, 255}));  // the dot of cell 0
    EXPECT_EQ(image.pixel(248 + 2 + 7 * 4 + 2, 1 + 2 + 9), (CColor{90, 40, 0, 255}));  // the second dot of cell 4

    arp.screen->click({cellX(1), 8}, kLButton);
    arp.plugin->dispatch(effEditIdle);
    EXPECT_NE(arp.screen->image().pixel(cellX(1), 9), cellOn);  // an off cell shows the background
    EXPECT_EQ(arp.screen->image().pixel(cellX(2), 9), cellOn);
}

TEST(ArpEditor, HitAreasAndTheGapsBetweenThem) {
    ArpUnderTest arp;
    CGrid* grid = arp.editor->grid();
    EXPECT_EQ(grid->cellAt(248 + 2), 0);
    EXPECT_EQ(grid->cellAt(248 + 7), 0);
    EXPECT_EQ(grid->cellAt(248 + 8), -1);
    EXPECT_EQ(grid->cellAt(248 + 9), 1);
    EXPECT_EQ(grid->cellAt(248 + 1), -1);
    EXPECT_EQ(grid->cellAt(248 + 2 + 7 * 31 + 5), 31);
    EXPECT_EQ(grid->cellAt(248 + 2 + 7 * 32), -1);

    const float before = grid->getValue();
    arp.screen->click({248 + 8, 5}, kLButton);
    EXPECT_EQ(pattern(arp.effect), std::vector<bool>(32, true));  // nothing changed
    EXPECT_NE(grid->getValue(), before);                          // and yet the listener heard it
}

TEST(ArpEditor, ADragInvertsEachCellItCrossesOnce) {
    ArpUnderTest arp;
    std::vector<int> rests;
    for (int i = 0; i < 32; ++i) arp.effect->setStep(i, false);
    arp.editor->patternChanged();
    // Press on cell 3 and drag right over ten cells, then back over them.
    std::deque<CPoint> path;
    for (int i = 3; i < 13; ++i) path.push_back({cellX(i), 30});  // y plays no role
    for (int i = 12; i >= 3; --i) path.push_back({cellX(i), 5});
    arp.screen->click({cellX(3), 5}, kLButton, path);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(arp.effect->stepOn(i), i >= 3 && i < 13) << i;
}

TEST(ArpEditor, PresetPatternsFromTheRightButton) {
    ArpUnderTest arp;
    arp.screen->popupAnswers = {{0, 1}};  // preset 2
    arp.screen->click({cellX(5), 5}, kRButton);
    EXPECT_EQ(arp.screen->lastPopupEntries.size(), 9u);
    EXPECT_EQ(arp.screen->lastPopupEntries[1], "!...!...!...!...!...!...!...!...");
    EXPECT_EQ(arp.screen->lastPopupChecked, -1);  // presets are actions: no check mark
    for (int i = 0; i < 32; ++i) EXPECT_EQ(arp.effect->stepOn(i), i % 4 == 0) << i;

    for (int preset = 0; preset < 9; ++preset) {
        arp.screen->popupAnswers = {{0, preset}};
        arp.screen->click({cellX(0), 5}, kRButton);
        for (int i = 0; i < 32; ++i) EXPECT_EQ(arp.effect->stepOn(i), CGrid::kPresets[preset][i] == '!') << preset;
    }
    const float before = arp.editor->grid()->getValue();
    arp.screen->popupAnswers = {{-1, 0}};  // dismissed
    arp.screen->click({cellX(0), 5}, kRButton);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(arp.effect->stepOn(i), CGrid::kPresets[8][i] == '!');
    EXPECT_NE(arp.editor->grid()->getValue(), before);
}

TEST(ArpEditor, MenusSetParametersAndTheHostHearsOnlySpeedAndMode) {
    ArpUnderTest arp;
    arp.screen->popupAnswers = {{0, 12}};
    arp.screen->click({130, 10}, kLButton);  // the speed menu
    EXPECT_EQ(arp.effect->getParameter(ArpEffect::kSpeed), 12.0f);
    EXPECT_EQ(arp.screen->lastPopupChecked, 3);
    arp.screen->popupAnswers = {{0, 21}};
    arp.screen->click({500, 10}, kLButton);  // the mode menu
    EXPECT_EQ(arp.effect->getParameter(ArpEffect::kMode), 21.0f);
    EXPECT_EQ(arp.automations(), 2);

    arp.screen->popupAnswers = {{1, 1}};  // the velocity submenu: Fixed
    arp.screen->click({10, 10}, kLButton);
    EXPECT_EQ(arp.effect->getParameter(ArpEffect::kVelocity), 0.5f);
    arp.screen->popupAnswers = {{1, 2}};
    arp.screen->click({10, 10}, kLButton);
    EXPECT_EQ(arp.effect->getParameter(ArpEffect::kVelocity), 1.0f);
    arp.screen->popupAnswers = {{1, 0}};
    arp.screen->click({10, 10}, kLButton);
    EXPECT_EQ(arp.effect->getParameter(ArpEffect::kVelocity), 0.0f);
    EXPECT_EQ(arp.automations(), 2);  // not recorded by the host

    arp.screen->popupAnswers = {{0, 7}};  // the speed separator keeps the tick length of 1/32 (Full)
    arp.screen->click({130, 10}, kLButton);
    EXPECT_EQ(arp.effect->getTickDenominator(), 64.0f);
    EXPECT_EQ(arp.effect->getParameter(ArpEffect::kSpeed), 7.0f);
}

TEST(ArpEditor, BypassAndAbout) {
    ArpUnderTest arp;
    arp.screen->popupAnswers = {{0, 5}};
    arp.screen->click({10, 10}, kLButton);
    EXPECT_TRUE(arp.effect->isBypassed());
    EXPECT_EQ(arp.editor->commandMenu()->getEntry(5), "Bypass: On");
    arp.reopen();
    EXPECT_EQ(arp.editor->commandMenu()->getEntry(5), "Bypass: On");

    arp.screen->popupAnswers = {{0, 0}};
    arp.screen->click({10, 10}, kLButton);
    ASSERT_EQ(arp.script.messages.size(), 1u);
    EXPECT_EQ(arp.script.messages[0].caption, "Vexlo Tool ARP");
    EXPECT_NE(arp.script.messages[0].text.find("\nVersion: 1.1.6"), std::string::npos);
}

TEST(ArpEditor, ALoadedStateUpdatesTheGridButNotTheMenus) {
    ArpUnderTest arp;
    void* data = nullptr;
    arp.plugin->dispatch(effGetChunk, 0, 0, &data);
    std::vector<unsigned char> chunk(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 54);
    chunk[22 + 7] = 0;
    float speed = 10.0f;
    std::memcpy(&chunk[10], &speed, 4);
    arp.plugin->dispatch(effSetChunk, 0, 54, chunk.data());
    EXPECT_FALSE(arp.editor->grid()->cell(7));
    EXPECT_EQ(arp.editor->speedMenu()->getCurrent(), 3);
}

// ---- The key switch ----

std::string text(CTextLabel* label) { return label->getText(); }

TEST(KeySwitchEditor, ShowsBothKeysAndLearns) {
    KeysUnderTest keys;
    keys.effect->setParameter(KeySwitchEffect::kSplit, 36.0f);
    keys.plugin->dispatch(effEditIdle);
    EXPECT_EQ(text(keys.editor->splitText()), "Split at key 36");
    EXPECT_EQ(text(keys.editor->switchText()), "Switch at key 36");
    EXPECT_EQ(text(keys.editor->splitLearnText()), ">Learn Split<");

    keys.screen->click({450, 10}, kLButton);  // learn the switch key
    EXPECT_EQ(text(keys.editor->switchLearnText()), ">Hit Note<");
    std::vector<VstMidiEvent> events{vexlo::test::note(60)};
    std::vector<char> storage;
    keys.plugin->processEvents(vexlo::host::buildEventList(events, storage));
    keys.plugin->dispatch(effEditIdle);
    EXPECT_EQ(text(keys.editor->splitText()), "Split at key 61");
    EXPECT_EQ(text(keys.editor->switchText()), "Switch at key 60");
    EXPECT_EQ(text(keys.editor->switchLearnText()), ">Learn Switch<");

    keys.screen->click({250, 10}, kLButton);  // learn the split key, then close while waiting
    EXPECT_EQ(text(keys.editor->splitLearnText()), ">Hit Note<");
    keys.reopen();
    EXPECT_EQ(text(keys.editor->splitLearnText()), ">Learn Split<");
    keys.effect->setParameter(KeySwitchEffect::kSplit, 36.0f);
}

TEST(KeySwitchEditor, FollowsASplitAnotherInstanceMoved) {
    KeysUnderTest keys;
    std::string error;
    vexlo::host::HostContext context;
    auto other = vexlo::host::Plugin::create(
        "other", [](audioMasterCallback master) { return (new KeySwitchEffect(master))->getAeffect(); }, context, &error);
    other->effect()->setParameter(other->effect(), KeySwitchEffect::kSplit, 50.0f);
    keys.plugin->dispatch(effEditIdle);
    EXPECT_EQ(text(keys.editor->splitText()), "Split at key 50");
    EXPECT_EQ(keys.effect->getParameter(KeySwitchEffect::kSplit), 50.0f);
    other->effect()->setParameter(other->effect(), KeySwitchEffect::kSplit, 36.0f);
}

TEST(KeySwitchEditor, AboutBoxAndLogo) {
    KeysUnderTest keys;
    EXPECT_EQ(keys.screen->image().pixel(3, 10), (CColor{90, 200, 255, 255}));
    keys.screen->popupAnswers = {{0, 0}};
    keys.screen->click({10, 10}, kLButton);
    ASSERT_EQ(keys.script.messages.size(), 1u);
    EXPECT_EQ(keys.script.messages[0].caption, "Vexlo Key-Switch");
    EXPECT_NE(keys.script.messages[0].text.find("\nVersion: 1.0.0"), std::string::npos);
    EXPECT_EQ(keys.screen->lastPopupEntries, (std::vector<std::string>{"About", "-", "Load Bank", "Load Preset"}));
}

// ---- Toolkit pieces ----

TEST(Bitmaps, ReadOnlyWhatIsThere) {
    // A 2 x 2 24-bit image, stored bottom-up.
    const std::uint8_t bmp[] = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                          // file header
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,  // info header
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 255, 0, 255, 255, 255, 0, 0,  // bottom row: green, white
        0, 0, 255, 255, 0, 0, 0, 0};     // top row: red, blue
    CBitmap image = CBitmap::fromBmp(bmp, sizeof(bmp));
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.pixel(0, 0), (CColor{255, 0, 0, 255}));
    EXPECT_EQ(image.pixel(1, 1), (CColor{255, 255, 255, 255}));
    for (std::size_t cut = 0; cut < sizeof(bmp); ++cut) EXPECT_TRUE(CBitmap::fromBmp(bmp, cut).empty()) << cut;
    EXPECT_TRUE(CBitmap::fromFile("/no/such/file.bmp").empty());
}

TEST(Toolkit, PicturesButtonsLabelsAndResizing) {
    OffscreenFrame::install();
    vexlo::test::HeardControls heard;
    {
        std::string error;
        vexlo::host::HostContext context;
        auto arp = vexlo::host::Plugin::create(
            "arp", [](audioMasterCallback master) { return (new ArpEffect(master))->getAeffect(); }, context, &error);
        arp->setRecordCalls(true);
        auto* effect = static_cast<ArpEffect*>(arp->effect()->object);
        auto* owner = static_cast<AEffGUIEditor*>(effect->getEditor());
        CFrame frame({0, 0, 100, 40}, nullptr, owner);
        CBitmap states(10, 20, kBlack);
        for (int y = 10; y < 20; ++y)
            for (int x = 0; x < 10; ++x) states.setPixel(x, y, kWhite);  // the lower half: on
        auto* picture = frame.addView(std::make_unique<COnOffPicture>(CRect{0, 0, 10, 10}, &heard, 7, &states));
        frame.addView(std::make_unique<CInvisibleButton>(CRect{20, 0, 40, 10}, &heard, 8));
        CBitmap backdrop(100, 40, CColor{10, 20, 30, 255});
        auto* label = frame.addView(std::make_unique<CTextLabel>(CRect{50, 0, 100, 20}, "text"));
        label->setBackground(&backdrop, {50, 0});
        OffscreenFrame* screen = OffscreenFrame::latest();

        frame.idle();
        EXPECT_EQ(screen->image().pixel(5, 5), kBlack);
        screen->click({5, 5}, kLButton);
        frame.idle();
        EXPECT_EQ(picture->getValue(), 1.0f);
        EXPECT_EQ(screen->image().pixel(5, 5), kWhite);
        screen->click({25, 5}, kLButton);
        screen->click({25, 5}, kLButton);
        EXPECT_EQ(heard.values, (std::vector<std::pair<int, float>>{{7, 1.0f}, {8, 1.0f}, {8, 0.0f}}));
        EXPECT_EQ(screen->image().pixel(60, 5), (CColor{10, 20, 30, 255}));
        EXPECT_EQ(screen->texts().back().text, "text");
        EXPECT_EQ(fontPixelSize(99), fontPixelSize(kNormalFontSmall));  // 4 is the default font

        // vexlo-host's host answers no to "sizeWindow": the frame resizes its own window.
        EXPECT_TRUE(frame.setSize(200, 30));
        EXPECT_EQ(screen->image().width(), 200);
        EXPECT_TRUE(screen->resizedParent);
        ERect* rect = nullptr;
        owner->getRect(&rect);
        EXPECT_EQ(rect->right, 200);  // the editor's rectangle follows its frame
        EXPECT_EQ(rect->bottom, 30);
        bool askedHost = false;
        for (const auto& call : arp->calls()) askedHost |= call.opcode == audioMasterCanDo && call.text == "sizeWindow";
        EXPECT_TRUE(askedHost);
    }
    OffscreenFrame::uninstall();
}

}  // namespace
