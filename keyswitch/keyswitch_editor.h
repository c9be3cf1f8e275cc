// The key switch's editor: a 600 x 22 strip with a command menu behind the logo, the split and
// switch keys, and a learn button beside each.
#pragma once

#include <atomic>
#include <cstdint>

#include "toolkit/gui_editor.h"

namespace vexlo::keyswitch {

class KeySwitchEffect;

using toolkit::AEffGUIEditor;
using toolkit::CBitmap;
using toolkit::CControl;
using toolkit::CControlListener;
using toolkit::COptionMenu;
using toolkit::CRect;
using toolkit::CTextLabel;

class KeySwitchEditor : public AEffGUIEditor, public CControlListener {
public:
    enum Tags { kLearnSplitTag = 10000, kLearnSwitchTag = 10001, kCommandTag = 10002 };

    explicit KeySwitchEditor(KeySwitchEffect* effect);

    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    // From the effect (also on its processing thread when a learn completes) and from the
    // controls. Key changes are shown at the next idle, on the editor's own thread.
    void setParameter(VstInt32 tag, float value) override;
    void valueChanged(CControl* control) override;

    CTextLabel* splitText() const { return splitText_; }
    CTextLabel* switchText() const { return switchText_; }
    CTextLabel* splitLearnText() const { return splitLearn_; }
    CTextLabel* switchLearnText() const { return switchLearn_; }
    COptionMenu* commandMenu() const { return command_; }

private:
    KeySwitchEffect* keys() const;
    CTextLabel* addText(const CRect& size, const std::string& text);

    CBitmap logo_;
    COptionMenu* command_ = nullptr;
    CTextLabel* splitText_ = nullptr;
    CTextLabel* splitLearn_ = nullptr;
    CTextLabel* switchText_ = nullptr;
    CTextLabel* switchLearn_ = nullptr;
    std::int32_t shownSplit_ = 0;
    // Keys the effect reported, waiting for the editor's thread: a flag and the value.
    std::atomic<bool> splitReported_{false}, switchReported_{false};
    std::atomic<float> reportedSplit_{0.0f}, reportedSwitch_{0.0f};
};

}  // namespace vexlo::keyswitch
