#include "arp/arp_editor.h"

#include "arp/arp_effect.h"
#include "platform/user_services.h"

const vexlo::toolkit::BitmapTable& arpBitmaps();

namespace vexlo::arp {

using namespace toolkit;

namespace {

constexpr const char* kSpeedEntries[] = {
    ">Speed:1/2 (Half)<",  ">Speed:1/4 (Half)<",  ">Speed:1/8 (Half)<",  ">Speed:1/16 (Half)<",
    ">Speed:1/32 (Half)<", ">Speed:1/64 (Half)<", ">Speed:1/128 (Half)<", "-",
    ">Speed:1/2 (Full)<",  ">Speed:1/4 (Full)<",  ">Speed:1/8 (Full)<",  ">Speed:1/16 (Full)<",
    ">Speed:1/32 (Full)<", ">Speed:1/64 (Full)<", ">Speed:1/128 (Full)<"};

constexpr const char* kModeEntries[] = {
    ">Mode: Up<",      ">Mode: Up 1Oct<", ">Mode: Up 2Oct<", ">Mode: Up 3Oct<", "-",
    ">Mode: Down<",    ">Mode: Dw 1Oct<", ">Mode: Dw 2Oct<", ">Mode: Dw 3Oct<", "-",
    ">Mode: Up-Down<", ">Mode: UD 1Oct<", ">Mode: UD 2Oct<", ">Mode: UD 3Oct<", "-",
    ">Mode: Random<",  ">Mode: RD 1Oct<", ">Mode: RD 2Oct<", ">Mode: RD 3Oct<", "-",
    ">Mode: Order<",   ">Mode: OR 1Oct<", ">Mode: OR 2Oct<", ">Mode: OR 3Oct<"};

constexpr int kBypassEntry = 5;
constexpr int kAboutEntry = 0;

const char* bypassText(bool on) { return on ? "Bypass: On" : "Bypass: Off"; }

int velocityEntry(float parameter) { return parameter == 0.0f ? 0 : parameter == 0.5f ? 1 : 2; }

}  // namespace

// ---- CGrid ----

const char* const CGrid::kPresets[9] = {
    "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", "!...!...!...!...!...!...!...!...", "!...!...!...!...!...!...!...!.!.",
    "!.!.!.!.!.!.!.!.!.!.!.!.!.!.!.!.", "!.!.!.!.!.!.!.!.!.!.!.!.!.!.!!!!", "!!!.!!!.!!!.!!!.!!!.!!!.!!!.!!!!",
    "!.!!....!.!!....!.!!....!.!!..!.", "!!..!!..!!..!!..!!..!!..!!..!!..", "!...!!..!...!!..!...!!..!...!!.."};

CGrid::CGrid(const CRect& size, CControlListener* listener, int tag, const CBitmap* background, const CBitmap* on,
             const CBitmap* onBeat, const CBitmap* onHalfBeat)
    : CControl(size, listener, tag), background_(background), on_(on), onBeat_(onBeat), onHalfBeat_(onHalfBeat) {}

int CGrid::cellAt(int x) const {
    const int offset = x - size_.left - 2;
    if (offset < 0) return -1;
    const int pitch = on_->width() + 2;
    const int i = offset / pitch;
    if (i >= kCells || offset - i * pitch > on_->width()) return -1;
    return i;
}

void CGrid::draw(CDrawContext& context) {
    context.drawBitmap(*background_, size_);
    const int w = on_->width();
    for (int i = 0; i < kCells; ++i) {
        if (!cell(i)) continue;
        const CBitmap* image = i % 8 == 0 ? onBeat_ : i % 8 == 4 ? onHalfBeat_ : on_;
        const int left = size_.left + 2 + i * (w + 2), top = size_.top + 2;
        context.drawBitmap(*image, {left, top, left + image->width(), top + image->height()});
    }
    setDirty(false);
}

bool CGrid::onMouseDown(CPoint where, int buttons) {
    if (!mouseEnabled_) return false;
    if (buttons & kRButton) {
        COptionMenu presets({where.x, where.y, where.x + 1, where.y + 1}, nullptr, -1);
        for (const char* preset : kPresets) presets.addEntry(preset);
        presets.clearCurrent();
        int chosen = -1;
        if (frame_ && frame_->popup(presets, where, &chosen) == &presets && chosen >= 0 && chosen < 9) {
            for (int i = 0; i < kCells; ++i) setCell(i, kPresets[chosen][i] == '!');
        }
    } else if (buttons & kLButton) {
        bool before[kCells];
        for (int i = 0; i < kCells; ++i) before[i] = cell(i);
        CPoint pointer = where;
        int held = buttons;
        do {
            const int i = cellAt(pointer.x);
            if (i >= 0) setCell(i, !before[i]);
            setDirty();
            if (!frame_) break;
            frame_->trackMouse(pointer, held);
        } while (held & kLButton);
    }
    value_ = static_cast<int>(value_) != 0 ? 0.0f : 1.0f;
    notify();
    setDirty();
    return true;
}

// ---- ArpEditor ----

ArpEditor::ArpEditor(ArpEffect* effect)
    : AEffGUIEditor(effect),
      logo_(loadResourceBitmap(106, arpBitmaps())),
      gridBackground_(loadResourceBitmap(112, arpBitmaps())),
      cellOn_(loadResourceBitmap(111, arpBitmaps())),
      cellOnBeat_(loadResourceBitmap(113, arpBitmaps())),
      cellOnHalfBeat_(loadResourceBitmap(114, arpBitmaps())) {
    rect = {0, 0, static_cast<VstInt16>(logo_.height()), 600};
}

ArpEffect* ArpEditor::arp() const { return static_cast<ArpEffect*>(effect); }

bool ArpEditor::open(void* parentWindow) {
    AEffEditor::open(parentWindow);
    frame = std::make_unique<CFrame>(CRect{0, 0, 3000, logo_.height()}, parentWindow, this);
    frame->setBackground(&logo_);

    auto command = std::make_unique<COptionMenu>(CRect{0, 0, 40, 22}, this, kCommandTag);
    command->setShowsText(false);
    for (const char* entry : {"About", "-", "Load Bank", "Load Preset", "-"}) command->addEntry(entry);
    command->addEntry(bypassText(arp()->isBypassed()));
    velocity_ = std::make_unique<COptionMenu>(CRect{0, 0, 40, 22}, this, kVelocityTag);
    for (const char* entry : {"Normal", "Fixed", "First Key"}) velocity_->addEntry(entry);
    velocity_->setCurrent(velocityEntry(arp()->getParameter(ArpEffect::kVelocity)));
    command->addSubmenu("Velocity Type", velocity_.get());
    command_ = frame->addView(std::move(command));

    auto speed = std::make_unique<COptionMenu>(CRect{126, 0, 240, 22}, this, kSpeedTag);
    for (const char* entry : kSpeedEntries) speed->addEntry(entry);
    speed->setFontColor(kWhite);
    speed->setFont(kNormalFontSmaller);
    const float speedValue = arp()->getParameter(ArpEffect::kSpeed);
    speed->setCurrent(static_cast<int>(speedValue));
    speed_ = frame->addView(std::move(speed));
    arp()->setParameter(ArpEffect::kSpeed, speedValue);  // the engine follows what the menu shows

    grid_ = frame->addView(std::make_unique<CGrid>(CRect{248, 1, 476, 19}, this, kGridTag, &gridBackground_, &cellOn_,
                                                   &cellOnBeat_, &cellOnHalfBeat_));
    patternChanged();

    auto mode = std::make_unique<COptionMenu>(CRect{490, 0, 590, 22}, this, kModeTag);
    for (const char* entry : kModeEntries) mode->addEntry(entry);
    mode->setFontColor(kWhite);
    mode->setFont(kNormalFontSmaller);
    mode->setCurrent(static_cast<int>(arp()->getParameter(ArpEffect::kMode)));
    mode_ = frame->addView(std::move(mode));
    if (frame->isOpen()) return true;
    close();  // no window could be made (no display): the editor stays closed
    return false;
}

void ArpEditor::close() {
    command_ = speed_ = mode_ = nullptr;
    grid_ = nullptr;
    frame.reset();
    velocity_.reset();
    AEffEditor::close();
}

void ArpEditor::patternChanged() {
    if (!grid_) return;
    for (int i = 0; i < CGrid::kCells; ++i) grid_->setCell(i, arp()->stepOn(i));
    grid_->setDirty();
}

void ArpEditor::valueChanged(CControl* control) {
    const int tag = control->getTag();
    const float value = control->getValue();
    setParameter(tag, value);
    if (tag < 3) effectX()->setParameterAutomated(tag, value);
    control->setDirty();
}

void ArpEditor::setParameter(VstInt32 tag, float value) {
    if (!frame) return;
    switch (tag) {
    case kGridTag:
        for (int i = 0; i < CGrid::kCells; ++i) arp()->setStep(i, grid_->cell(i));
        break;
    case kVelocityTag:
        arp()->setParameter(ArpEffect::kVelocity, value == 0.0f ? 0.0f : value == 1.0f ? 0.5f : 1.0f);
        break;
    case kCommandTag:
        if (static_cast<int>(value) == kAboutEntry) {
            platform::userServices().report(
                "Vexlo ARP MIDI, an arpeggiator by Vexloworks.\nVersion: 1.1.6", "Vexlo Tool ARP");
        } else if (static_cast<int>(value) == kBypassEntry) {
            arp()->setBypassed(!arp()->isBypassed());
            command_->setEntry(kBypassEntry, bypassText(arp()->isBypassed()));
        }
        break;
    default: break;
    }
}

}  // namespace vexlo::arp
