// The editor as hosts treat it: its size asked before and after opening, opened and closed
// again and again, and opened while the audio thread is processing.
#include <atomic>
#include <thread>

#include "host/editor_window.h"
#include "host/validate/checks.h"
#include "platform/platform.h"

namespace vexlo::host::validate {

namespace {

constexpr int kLargest = 8192;

// The editor's size, or a fault: empty when the rectangle is sane.
std::string rectFault(Plugin& plugin, int* width, int* height) {
    hosting::EditorRect rect;
    if (!plugin.child().editorRect(rect)) return "effEditGetRect gives no rectangle";
    *width = rect.width();
    *height = rect.height();
    if (*width <= 0 || *height <= 0 || *width > kLargest || *height > kLargest)
        return "effEditGetRect gives " + std::to_string(*width) + " x " + std::to_string(*height);
    return {};
}

// The plug-in and a window for its editor, or the reason the check cannot run.
struct EditorRig {
    std::unique_ptr<Plugin> plugin;
    std::unique_ptr<EditorWindow> window;
};

bool prepare(Subject& subject, CheckResult& result, bool running, EditorRig* rig) {
    if (!subject.options().editor) {
        result.skip("editor checks not asked for");
        return false;
    }
    std::string error;
    rig->plugin = running ? subject.running(&error) : subject.instance(&error);
    if (!rig->plugin) {
        result.fail(error);
        return false;
    }
    if (!rig->plugin->child().hasFlag(effFlagsHasEditor)) {
        result.skip("no editor");
        return false;
    }
    int width = 640, height = 480;
    rectFault(*rig->plugin, &width, &height);
    rig->window = EditorWindow::create("vexlo-host validate", std::max(width, 1), std::max(height, 1), &error);
    if (!rig->window) {
        result.skip(error);
        return false;
    }
    EditorWindow* window = rig->window.get();
    rig->plugin->setWindowResizer([window](int w, int h) { return w > 0 && h > 0 && window->resize(w, h); });
    return true;
}

void openIdleClose(EditorRig& rig, int idles) {
    rig.plugin->child().openEditor(rig.window->handle());
    for (int i = 0; i < idles; ++i) {
        rig.window->pumpEvents();
        rig.plugin->child().editorIdle();
        platform::sleepMs(10);
    }
    rig.plugin->child().closeEditor();
    rig.window->pumpEvents();
}

}  // namespace

void editorRect(Subject& subject, CheckResult& result) {
    EditorRig rig;
    if (!prepare(subject, result, false, &rig)) return;
    int width = 0, height = 0;
    // Hosts ask before they open (to size the window) and after; some plug-ins know only then.
    const std::string before = rectFault(*rig.plugin, &width, &height);
    if (before.empty()) result.figure("before opening", std::to_string(width) + " x " + std::to_string(height));
    rig.plugin->child().openEditor(rig.window->handle());
    rig.plugin->child().editorIdle();
    const std::string after = rectFault(*rig.plugin, &width, &height);
    rig.plugin->child().closeEditor();
    if (!after.empty()) return result.fail("after opening: " + after);
    result.figure("after opening", std::to_string(width) + " x " + std::to_string(height));
}

void editorOpenClose(Subject& subject, CheckResult& result) {
    EditorRig rig;
    if (!prepare(subject, result, false, &rig)) return;
    const int cycles = subject.times(20);
    for (int i = 0; i < cycles; ++i) openIdleClose(rig, 3);
    result.figure("cycles", cycles);
}

void editorWhileProcessing(Subject& subject, CheckResult& result) {
    EditorRig rig;
    if (!prepare(subject, result, true, &rig)) return;
    Rig audio(*rig.plugin, subject.watch());
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::thread audioThread([&] {
        while (!stop.load()) {
            chordCycle(audio, blocks, 20, 10);
            audio.process(kBlock);
            ++blocks;
            platform::sleepMs(2);
        }
    });
    const int cycles = subject.times(5);
    for (int i = 0; i < cycles; ++i) openIdleClose(rig, 10);
    stop = true;
    audioThread.join();
    result.figure("cycles", cycles);
    result.figure("blocks meanwhile", static_cast<double>(blocks.load()));
}

}  // namespace vexlo::host::validate
