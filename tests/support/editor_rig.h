// Vexlo VM linked into the test with its editor, opened offscreen with its skin copied into a
// temporary folder, and scripted answers that look at Vexlo VM whenever something is shown.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "manager/editor/manager_editor.h"
#include "tests/support/manager_rig.h"
#include "toolkit/offscreen.h"

namespace vexlo::test {

using manager::VstManagerEditor;
using namespace vexlo::toolkit;

inline std::string sep() { return std::string(1, platform::pathSeparator()); }

// Scripted answers that also look at Vexlo VM whenever something is shown to the person.
class WatchingServices : public platform::ScriptedUserServices {
public:
    std::function<void()> whileShown;
    void report(const std::string& text, const std::string& caption) override {
        if (whileShown) whileShown();
        ScriptedUserServices::report(text, caption);
    }
    bool ask(const std::string& text, const std::string& caption) override {
        if (whileShown) whileShown();
        return ScriptedUserServices::ask(text, caption);
    }
    std::string chooseFile(const platform::FileRequest& request) override {
        if (whileShown) whileShown();
        return ScriptedUserServices::chooseFile(request);
    }
    std::string chooseFolder(const std::string& title, const std::string& preselected) override {
        if (whileShown) whileShown();
        return ScriptedUserServices::chooseFolder(title, preselected);
    }
};

struct EditorRig {
    // settingsFolder: as for ManagerRig, to share the settings with another rig.
    explicit EditorRig(const std::string& settingsFolder = "") : rig(64, settingsFolder) {
        OffscreenFrame::install();
        // The Default skin the build put beside Vexlo VM, in a folder of the test's own.
        const std::string built = std::filesystem::path(pluginPath("Vexlo VM")).parent_path().string() + sep() + "Vexlo VM" +
                                  sep() + "Skins";
        std::filesystem::copy(built, skins, std::filesystem::copy_options::recursive);
        skins += sep();
        editor = new VstManagerEditor(rig.manager, skins);
    }
    ~EditorRig() {
        if (rig.plugin && rig.plugin->isOpen() && editor->isEditorOpen()) rig.plugin->dispatch(effEditClose);
        OffscreenFrame::uninstall();
    }
    void open() {
        int parent = 0;
        ASSERT_EQ(rig.plugin->dispatch(effEditOpen, 0, 0, &parent), 1);
        screen = OffscreenFrame::latest();
        ASSERT_NE(screen, nullptr);
    }
    void idle() { rig.plugin->dispatch(effEditIdle); }
    void openAndIdle() {
        open();
        idle();
    }
    static CPoint centre(const CView* view) {
        const CRect& r = view->getMouseableArea();
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void click(const CView* view) { screen->click(centre(view), kLButton); }
    // Chooses an entry of the command menu as the person does: a click, then the popup's answer.
    void command(int entry) {
        screen->popupAnswers.push_back({0, entry});
        click(editor->commandMenu());
    }
    void oversampling(int entry) {
        screen->popupAnswers.push_back(entry < 0 ? std::pair<int, int>{-1, 0} : std::pair<int, int>{0, entry});
        click(editor->oversamplingMenu());
    }
    ERect size() {
        ERect* rect = nullptr;
        rig.plugin->dispatch(effEditGetRect, 0, 0, &rect);
        return *rect;
    }
    std::string autoGui() { return rig.store.read("Auto GUI").value_or("<none>"); }

    WatchingServices services;
    ManagerRig rig;
    platform::ScopedUserServices watching{services};  // over the rig's own
    TempFolder skinRoot;
    std::string skins = skinRoot.path() + sep() + "Skins";
    VstManagerEditor* editor = nullptr;
    OffscreenFrame* screen = nullptr;
};


}  // namespace vexlo::test
