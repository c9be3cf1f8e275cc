// What the parts of Vexlo VM's editor share: the manager they show, the editor's frame and
// rectangle, the skin and the views, and where the editor stands (open, building its views,
// the MIDI section shown, the thread it was opened on).
#pragma once

#include <memory>
#include <thread>

#include "manager/editor/editor_skin.h"

namespace vexlo::manager {

class VstManager;

struct EditorContext {
    EditorContext(VstManager& manager, std::unique_ptr<toolkit::CFrame>& frame, ERect& rect, std::string skins)
        : manager(manager), frame(frame), rect(rect), skin(std::move(skins)) {}

    int width() const { return rect.right - rect.left; }
    int height() const { return rect.bottom - rect.top; }
    // The band the hosted editor starts at, below the MIDI section when it shows: also the
    // editor's height without a hosted editor.
    int hostedTop() const { return midiSectionShown ? skin.sectionBottom() : skin.barHeight(); }
    bool onEditorThread() const { return open && std::this_thread::get_id() == editorThread; }

    VstManager& manager;
    std::unique_ptr<toolkit::CFrame>& frame;
    ERect& rect;
    EditorSkin skin;
    EditorViews views;
    bool open = false;
    bool building = true;  // the views are being built, or a hosted editor opened: idle waits
    bool midiSectionShown = false;
    std::thread::id editorThread;
};

}  // namespace vexlo::manager
