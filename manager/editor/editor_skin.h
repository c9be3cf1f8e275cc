// The skin in force on Vexlo VM's editor: the folder it comes from, the sizes it gives the bar,
// its two bitmaps, and how it lays out and styles the editor's views.
#pragma once

#include <string>

#include "frame/aeff_editor.h"
#include "manager/editor/editor_views.h"
#include "manager/editor/skin.h"
#include "manager/editor/skin_bitmap.h"

namespace vexlo::manager {

class EditorSkin {
public:
    // skins: the skins folder. Reads the current skin's sizes and background.
    explicit EditorSkin(std::string skins);

    // Reads the current skin's files again and applies them: the sizes (the editor's rectangle
    // and frame take the bar's), the bitmaps, the text styles and every view's place.
    void apply(EditorViews& views, toolkit::CFrame& frame, ERect& rect);
    std::string currentName() const { return currentSkinName(skins_); }

    int minWidth() const { return minWidth_; }
    int barHeight() const { return barHeight_; }
    const SkinBitmap& background() const { return background_; }
    const SkinBitmap& endBitmap() const { return endBitmap_; }
    // The bar and the MIDI section: the background's height.
    int sectionBottom() const { return background_.height(); }

private:
    void applyStyles(EditorViews& views, const files::SkinColorsFonts& styles);
    void applyPositions(EditorViews& views, const files::SkinPositions& positions);

    std::string skins_;
    SkinBitmap background_;
    SkinBitmap endBitmap_;
    int minWidth_ = 640;
    int barHeight_ = 28;
};

}  // namespace vexlo::manager
