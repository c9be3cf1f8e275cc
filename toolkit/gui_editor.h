// The editor base of the Vexlo plug-ins: joins an editor to its effect and to a frame of the
// widget toolkit, and paces idle work.
#pragma once

#include <memory>

#include "frame/aeff_editor.h"
#include "toolkit/views.h"

class AudioEffectX;

namespace vexlo::toolkit {

class AEffGUIEditor : public AEffEditor, public FrameOwner {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    void idle() override;
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    bool onWheel(float distance) override;
    bool setKnobMode(VstInt32 mode) override;

    virtual void setParameter(VstInt32, float) {}
    virtual void beginEdit(VstInt32 index);
    virtual void endEdit(VstInt32 index);
    // Paces idling for editors that run their own loops (for example while tracking the mouse).
    virtual void doIdleStuff();

    // The frame's size requests: the host resizes its window when it can ("sizeWindow"); the
    // editor's rectangle always follows the frame.
    bool askHostToResize(int width, int height) override;
    void frameResized(int width, int height) override;

    static VstInt32 knobMode();
    CFrame* getFrame() const { return frame.get(); }

protected:
    AudioEffectX* effectX() const;

    ERect rect{};
    std::unique_ptr<CFrame> frame;

private:
    bool inIdleStuff_ = false;
    std::uint32_t nextIdleTick_ = 0;
};

}  // namespace vexlo::toolkit
