#include "host/editor_window.h"

#include "platform/platform.h"

namespace vexlo::host {

bool runEditor(Plugin& plugin, double seconds, const std::string& untilFile, std::string* error) {
    const ERect* rect = editorRect(plugin, error);
    if (!rect) return false;
    auto window = EditorWindow::create("vexlo-host: " + plugin.effectName(), rect->right - rect->left,
                                       rect->bottom - rect->top, error);
    if (!window) return false;
    EditorWindow* raw = window.get();
    plugin.setWindowResizer([raw](int w, int h) { return w > 0 && h > 0 && raw->resize(w, h); });
    plugin.dispatch(effEditOpen, 0, 0, window->handle());
    const std::uint32_t start = platform::tickCount();
    while (platform::tickCount() - start < static_cast<std::uint32_t>(seconds * 1000)) {
        window->pumpEvents();
        plugin.dispatch(effEditIdle);
        if (!untilFile.empty() && platform::fileExists(untilFile)) break;
        platform::sleepMs(20);
    }
    plugin.dispatch(effEditClose);
    plugin.setWindowResizer(nullptr);
    return true;
}

}  // namespace vexlo::host
