#include "keyswitch/keyswitch_editor.h"

#include <cstdio>

#include "keyswitch/keyswitch_effect.h"
#include "platform/user_services.h"

const vexlo::toolkit::BitmapTable& keySwitchBitmaps();

namespace vexlo::keyswitch {

using namespace toolkit;

namespace {

std::string keyText(const char* format, float value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, static_cast<int>(KeySwitchEffect::keyFromValue(value)));
    return text;
}

constexpr const char* kSplitFormat = "Split at key %d";
constexpr const char* kSwitchFormat = "Switch at key %d";
constexpr const char* kLearnSplit = ">Learn Split<";
constexpr const char* kLearnSwitch = ">Learn Switch<";

}  // namespace

KeySwitchEditor::KeySwitchEditor(KeySwitchEffect* effect)
    : AEffGUIEditor(effect), logo_(loadResourceBitmap(106, keySwitchBitmaps())) {
    rect = {0, 0, static_cast<VstInt16>(logo_.height()), 600};
}

KeySwitchEffect* KeySwitchEditor::keys() const { return static_cast<KeySwitchEffect*>(effect); }

CTextLabel* KeySwitchEditor::addText(const CRect& size, const std::string& text) {
    auto label = std::make_unique<CTextLabel>(size, text);
    label->setFontColor(kWhite);
    return frame->addView(std::move(label));
}

bool KeySwitchEditor::open(void* parentWindow) {
    AEffEditor::open(parentWindow);
    frame = std::make_unique<CFrame>(CRect{0, 0, 3000, logo_.height()}, parentWindow, this);
    frame->setBackground(&logo_);
    auto command = std::make_unique<COptionMenu>(CRect{0, 0, 40, 22}, this, kCommandTag);
    command->setShowsText(false);
    for (const char* entry : {"About", "-", "Load Bank", "Load Preset"}) command->addEntry(entry);
    command_ = frame->addView(std::move(command));

    splitReported_ = switchReported_ = false;
    shownSplit_ = KeySwitchEffect::sharedSplitKey();
    splitText_ = addText({110, 0, 210, 22}, keyText(kSplitFormat, keys()->getParameter(KeySwitchEffect::kSplit)));
    splitLearn_ = addText({210, 0, 290, 22}, kLearnSplit);
    frame->addView(std::make_unique<CInvisibleButton>(CRect{210, 0, 290, 22}, this, kLearnSplitTag));
    switchText_ = addText({300, 0, 400, 22}, keyText(kSwitchFormat, keys()->getParameter(KeySwitchEffect::kSwitch)));
    switchLearn_ = addText({410, 0, 500, 22}, kLearnSwitch);
    frame->addView(std::make_unique<CInvisibleButton>(CRect{410, 0, 500, 22}, this, kLearnSwitchTag));
    if (frame->isOpen()) return true;
    close();  // no window could be made (no display): the editor stays closed
    return false;
}

void KeySwitchEditor::close() {
    command_ = nullptr;
    splitText_ = splitLearn_ = switchText_ = switchLearn_ = nullptr;
    frame.reset();
    AEffEditor::close();
}

void KeySwitchEditor::idle() {
    AEffGUIEditor::idle();
    if (!frame) return;
    if (splitReported_.exchange(false)) {
        splitLearn_->setText(kLearnSplit);
        splitText_->setText(keyText(kSplitFormat, reportedSplit_));
        frame->setDirty();
    }
    if (switchReported_.exchange(false)) {
        switchLearn_->setText(kLearnSwitch);
        switchText_->setText(keyText(kSwitchFormat, reportedSwitch_));
        frame->setDirty();
    }
    // Another instance may have moved the shared split key.
    const std::int32_t split = KeySwitchEffect::sharedSplitKey();
    if (split != shownSplit_) {
        shownSplit_ = split;
        splitText_->setText(keyText(kSplitFormat, static_cast<float>(split)));
        keys()->setParameter(KeySwitchEffect::kSplit, static_cast<float>(split));
    }
}

void KeySwitchEditor::setParameter(VstInt32 tag, float value) {
    if (!frame) return;
    switch (tag) {
    case KeySwitchEffect::kSplit:
        reportedSplit_ = value;
        splitReported_ = true;
        break;
    case KeySwitchEffect::kSwitch:
        reportedSwitch_ = value;
        switchReported_ = true;
        break;
    case kLearnSplitTag:
        splitLearn_->setText(">Hit Note<");
        keys()->learnSplit();
        break;
    case kLearnSwitchTag:
        switchLearn_->setText(">Hit Note<");
        keys()->learnSwitch();
        break;
    case kCommandTag:
        if (static_cast<int>(value) == 0)
            platform::userServices().report("Vexlo Key-Switch MIDI, a keyboard split by Vexloworks.\nVersion: 1.0.0",
                                            "Vexlo Key-Switch");
        break;
    default: break;
    }
}

void KeySwitchEditor::valueChanged(CControl* control) {
    const int tag = control->getTag();
    const float value = control->getValue();
    setParameter(tag, value);
    if (tag < 2) effectX()->setParameterAutomated(tag, value);
    control->setDirty();
}

}  // namespace vexlo::keyswitch
