#include "toolkit/gui_editor.h"

#include <atomic>

#include "frame/audio_effect_x.h"
#include "platform/platform.h"

namespace vexlo::toolkit {

namespace {
std::atomic<VstInt32> processKnobMode{0};
}

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {
    effect->setEditor(this);
    platform::beginUiThread();
}

AEffGUIEditor::~AEffGUIEditor() { platform::endUiThread(); }

AudioEffectX* AEffGUIEditor::effectX() const { return static_cast<AudioEffectX*>(effect); }

bool AEffGUIEditor::getRect(ERect** out) {
    *out = &rect;
    return true;
}

void AEffGUIEditor::idle() {
    if (frame && !inIdleStuff_) frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) { return frame && frame->onHostKeyDown(key.character); }
bool AEffGUIEditor::onKeyUp(VstKeyCode& key) { return frame && frame->onHostKeyUp(key.character); }

bool AEffGUIEditor::onWheel(float distance) { return frame && frame->onHostWheel(distance); }

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    processKnobMode = mode;
    return true;
}

bool AEffGUIEditor::askHostToResize(int width, int height) {
    char word[] = "sizeWindow";
    return effectX()->canHostDo(word) && effectX()->sizeWindow(width, height);
}

void AEffGUIEditor::frameResized(int width, int height) {
    rect.left = 0;
    rect.top = 0;
    rect.right = static_cast<VstInt16>(width);
    rect.bottom = static_cast<VstInt16>(height);
}

VstInt32 AEffGUIEditor::knobMode() { return processKnobMode.load(); }

void AEffGUIEditor::beginEdit(VstInt32 index) { effectX()->beginEdit(index); }
void AEffGUIEditor::endEdit(VstInt32 index) { effectX()->endEdit(index); }

void AEffGUIEditor::doIdleStuff() {
    std::uint32_t now = platform::tickCount();
    if (static_cast<std::int32_t>(now - nextIdleTick_) < 0) {
        platform::sleepMs(4);
        now += 4;
        if (static_cast<std::int32_t>(now - (nextIdleTick_ - 50)) < 0) return;
    }
    idle();
    nextIdleTick_ = now + 100;
    inIdleStuff_ = true;
    effect->masterIdle();
    inIdleStuff_ = false;
}

}  // namespace vexlo::toolkit
