// The arpeggiator's editor: a 600 x 22 strip with a command menu behind the logo, the speed
// menu, the 32-step pattern grid and the mode menu.
#pragma once

#include <atomic>
#include <cstdint>

#include "toolkit/gui_editor.h"

namespace vexlo::arp {

class ArpEffect;

using toolkit::AEffGUIEditor;
using toolkit::CBitmap;
using toolkit::CControl;
using toolkit::CControlListener;
using toolkit::CDrawContext;
using toolkit::COptionMenu;
using toolkit::CPoint;
using toolkit::CRect;

// 32 cells that a click toggles and a drag paints; a right-click offers preset patterns.
class CGrid : public CControl {
public:
    static constexpr int kCells = 32;
    CGrid(const CRect& size, CControlListener* listener, int tag, const CBitmap* background, const CBitmap* on,
          const CBitmap* onBeat, const CBitmap* onHalfBeat);

    bool cell(int i) const { return cells_[i].load() != 0; }
    void setCell(int i, bool on) { cells_[i].store(on ? 1 : 0); }
    // The cell whose hit area holds x (frame coordinates), or -1 for the gaps and outside.
    int cellAt(int x) const;
    // The nine preset patterns ('!' plays, '.' rests).
    static const char* const kPresets[9];

    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    const char* getClassName() const override { return "CGrid"; }

private:
    std::atomic<std::uint8_t> cells_[kCells] = {};
    const CBitmap* background_;
    const CBitmap* on_;
    const CBitmap* onBeat_;
    const CBitmap* onHalfBeat_;
};

class ArpEditor : public AEffGUIEditor, public CControlListener {
public:
    enum Tags { kSpeedTag = 0, kModeTag = 1, kGridTag = 10000, kVelocityTag = 10001, kCommandTag = 10002 };

    explicit ArpEditor(ArpEffect* effect);

    bool open(void* parentWindow) override;
    void close() override;
    void setParameter(VstInt32 tag, float value) override;
    void valueChanged(CControl* control) override;

    // The effect's pattern changed under the editor (a state was loaded): show it.
    void patternChanged();

    COptionMenu* commandMenu() const { return command_; }
    COptionMenu* velocityMenu() const { return velocity_.get(); }
    COptionMenu* speedMenu() const { return speed_; }
    COptionMenu* modeMenu() const { return mode_; }
    CGrid* grid() const { return grid_; }

private:
    ArpEffect* arp() const;

    CBitmap logo_, gridBackground_, cellOn_, cellOnBeat_, cellOnHalfBeat_;
    COptionMenu* command_ = nullptr;
    std::unique_ptr<COptionMenu> velocity_;
    COptionMenu* speed_ = nullptr;
    CGrid* grid_ = nullptr;
    COptionMenu* mode_ = nullptr;
};

}  // namespace vexlo::arp
