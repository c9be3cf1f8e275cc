// A skin applied to the open editor: its sizes, its two bitmaps, the text styles of three
// groups of views and the rectangle of every view.
#include "manager/editor/editor_skin.h"

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

// Before a skin says otherwise: the Default skin's sizes.
constexpr int kFallbackWidth = 640;
constexpr int kFallbackBarHeight = 28;

}  // namespace

EditorSkin::EditorSkin(std::string skins) : skins_(std::move(skins)) {
    const SkinSettings skin = readCurrentSkin(skins_);
    minWidth_ = skin.minWidth.value_or(kFallbackWidth);
    barHeight_ = skin.barHeight.value_or(kFallbackBarHeight);
    background_.load(skin.backgroundPath());
}

void EditorSkin::apply(EditorViews& views, CFrame& frame, ERect& rect) {
    const SkinSettings skin = readCurrentSkin(skins_);
    if (skin.minWidth) minWidth_ = *skin.minWidth;
    if (skin.barHeight) barHeight_ = *skin.barHeight;
    background_.load(skin.backgroundPath());
    rect = ERect{0, 0, static_cast<VstInt16>(barHeight_), static_cast<VstInt16>(minWidth_)};
    frame.setSize(minWidth_, barHeight_);
    endBitmap_.load(skin.endPiecePath());
    place(views.endPiece, {minWidth_ - endBitmap_.width(), 0, minWidth_, barHeight_});
    if (skin.colours) applyStyles(views, *skin.colours);
    if (skin.positions) applyPositions(views, *skin.positions);
}

void EditorSkin::applyStyles(EditorViews& views, const files::SkinColorsFonts& styles) {
    if (const auto& menu = styles.styles[0]) {
        views.oversampling->setFont(menu->font);
        views.oversampling->setFontColor(colourOf(*menu));
    }
    if (const auto& name = styles.styles[1]) {
        views.name->setFont(name->font);
        views.name->setFontColor(colourOf(*name));
    }
    if (const auto& slots = styles.styles[2]) {
        for (const SlotViews& slot : views.slots) {
            slot.label->setFont(slots->font);
            slot.label->setFontColor(colourOf(*slots));
        }
    }
}

void EditorSkin::applyPositions(EditorViews& views, const files::SkinPositions& positions) {
    const auto& rects = positions.rects;
    auto at = [&](std::size_t line) -> std::optional<CRect> {
        return rects[line] ? std::optional<CRect>(rectOf(*rects[line])) : std::nullopt;
    };
    if (auto r = at(0)) place(views.command, *r);
    if (auto r = at(1)) place(views.buttonOf(EditorTags::kBrowserTag), *r);
    if (auto r = at(2)) place(views.buttonOf(EditorTags::kSearchTag), *r);
    if (auto r = at(3)) placeOverBackground(views.oversampling, *r, background_);
    if (auto r = at(4)) placeOverBackground(views.name, *r, background_);
    if (auto r = at(5)) place(views.buttonOf(EditorTags::kMidiSectionTag), *r);
    // The slots are placed while the MIDI section is hidden too, for when it shows.
    for (std::size_t slot = 0; slot < EditorTags::kSlots; ++slot) {
        const SlotViews& slotViews = views.slots[slot];
        if (auto r = at(6 + 3 * slot)) placeOverBackground(slotViews.label, *r, background_);
        if (auto r = at(7 + 3 * slot)) place(slotViews.load, *r);
        if (auto r = at(8 + 3 * slot)) place(slotViews.editor, *r);
    }
    if (auto r = at(18)) place(views.buttonOf(EditorTags::kHostedEditorTag), *r);
}

}  // namespace vexlo::manager
