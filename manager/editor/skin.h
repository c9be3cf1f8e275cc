// Where Vexlo VM's skins live and which one is in force: "Vexlo VM/Skins/" beside the library,
// the current skin named in its Current.txt, and everything a skin's text files say, read into
// one value. Applying it to the editor's views is the editor's part.
#pragma once

#include <optional>
#include <string>

#include "manager/files/skin_files.h"

namespace vexlo::manager {

constexpr const char* kDefaultSkin = "Default";

// The skins folder under a library folder that ends in a separator.
std::string skinsFolder(const std::string& libraryFolder);

// The name in Current.txt when that skin has a Background.bmp, else "Default".
std::string currentSkinName(const std::string& skinsFolder);

struct SkinSettings {
    std::string name;
    std::string folder;  // with its final separator
    std::optional<int> minWidth;   // MinWidth.txt; nothing when it cannot be read
    std::optional<int> barHeight;  // MidiHeight.txt
    std::optional<files::SkinColorsFonts> colours;  // nothing when the file is missing
    std::optional<files::SkinPositions> positions;
    std::string backgroundPath() const { return folder + "Background.bmp"; }
    std::string endPiecePath() const { return folder + "Background-End.bmp"; }
};

// Reads the current skin's text files. A file with damaged fields is told in one line on stderr.
SkinSettings readCurrentSkin(const std::string& skinsFolder);

}  // namespace vexlo::manager
