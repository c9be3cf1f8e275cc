// A skin applied to the open editor: its sizes, its two bitmaps, the text styles of three
// groups of views and the rectangle of every view.
#include "manager/core/vst_manager.h"
#include "manager/editor/manager_editor.h"

namespace vexlo::manager {

using namespace toolkit;

namespace {

CRect rectOf(const files::SkinRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// The view shows the part of the background under it, then its own text: it looks transparent.
template <typename View>
void placeOverBackground(View* view, const CRect& where, const CBitmap& background) {
    view->setViewSize(where);
    view->setMouseableArea(where);
    view->setBackground(&background, {where.left, where.top});
}

void place(CView* view, const CRect& where) {
    view->setViewSize(where);
    view->setMouseableArea(where);
}

CColor colourOf(const files::SkinTextStyle& style) { return {style.red, style.green, style.blue, 255}; }

}  // namespace

std::string VstManagerEditor::currentSkinName() { return manager::currentSkinName(skins_); }

void VstManagerEditor::applySkin() {
    if (!frame) return;
    const SkinSettings skin = readCurrentSkin(skins_);
    if (skin.minWidth) minWidth_ = *skin.minWidth;
    if (skin.barHeight) barHeight_ = *skin.barHeight;
    background_.load(skin.backgroundPath());
    rect = ERect{0, 0, static_cast<VstInt16>(barHeight_), static_cast<VstInt16>(minWidth_)};
    frame->setSize(minWidth_, barHeight_);
    endBitmap_.load(skin.endPiecePath());
    place(endPiece_, {minWidth_ - endBitmap_.width(), 0, minWidth_, barHeight_});
    if (skin.colours) applyStyles(*skin.colours);
    if (skin.positions) applyPositions(*skin.positions);
}

void VstManagerEditor::applyStyles(const files::SkinColorsFonts& styles) {
    if (const auto& menu = styles.styles[0]) {
        oversampling_->setFont(menu->font);
        oversampling_->setFontColor(colourOf(*menu));
    }
    if (const auto& name = styles.styles[1]) {
        nameLabel_->setFont(name->font);
        nameLabel_->setFontColor(colourOf(*name));
    }
    if (const auto& slots = styles.styles[2]) {
        for (const SlotViews& slot : slots_) {
            slot.label->setFont(slots->font);
            slot.label->setFontColor(colourOf(*slots));
        }
    }
}

void VstManagerEditor::applyPositions(const files::SkinPositions& positions) {
    const auto& rects = positions.rects;
    auto at = [&](std::size_t line) -> std::optional<CRect> {
        return rects[line] ? std::optional<CRect>(rectOf(*rects[line])) : std::nullopt;
    };
    if (auto r = at(0)) place(command_, *r);
    if (auto r = at(1)) place(buttonOf(kBrowserTag), *r);
    if (auto r = at(2)) place(buttonOf(kSearchTag), *r);
    if (auto r = at(3)) placeOverBackground(oversampling_, *r, background_);
    if (auto r = at(4)) placeOverBackground(nameLabel_, *r, background_);
    if (auto r = at(5)) place(buttonOf(kMidiSectionTag), *r);
    // The slots are placed while the MIDI section is hidden too, for when it shows.
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        const SlotViews& views = slots_[slot];
        if (auto r = at(6 + 3 * slot)) placeOverBackground(views.label, *r, background_);
        if (auto r = at(7 + 3 * slot)) place(views.load, *r);
        if (auto r = at(8 + 3 * slot)) place(views.editor, *r);
    }
    if (auto r = at(18)) place(buttonOf(kHostedEditorTag), *r);
}

}  // namespace vexlo::manager
