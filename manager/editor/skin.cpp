#include "manager/editor/skin.h"

#include <cstdio>

#include "manager/library/path_utils.h"
#include "platform/platform.h"

namespace vexlo::manager {

namespace {

// Skin files are small; anything larger than this is no skin file.
constexpr std::uint64_t kMaxSkinText = 1 << 20;

std::optional<std::string> readText(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!library::readRegularFile(path, kMaxSkinText, bytes)) return std::nullopt;
    return std::string(bytes.begin(), bytes.end());
}

void tellDamaged(const std::string& path, int fields) {
    if (fields > 0) std::fprintf(stderr, "Vexlo VM: %s: %d field(s) cut short, read as 0\n", path.c_str(), fields);
}

}  // namespace

std::string skinsFolder(const std::string& libraryFolder) {
    const std::string sep(1, platform::pathSeparator());
    return libraryFolder + "Vexlo VM" + sep + "Skins" + sep;
}

std::string currentSkinName(const std::string& skins) {
    const auto current = readText(skins + "Current.txt");
    if (!current) return kDefaultSkin;
    const std::string name = files::skinNameFromCurrent(*current);
    if (name.empty() || name.find('\0') != std::string::npos) return kDefaultSkin;
    const std::string background = skins + name + platform::pathSeparator() + "Background.bmp";
    return platform::pathInfo(background).kind == platform::PathKind::regularFile ? name : kDefaultSkin;
}

SkinSettings readCurrentSkin(const std::string& skins) {
    SkinSettings skin;
    skin.name = currentSkinName(skins);
    skin.folder = skins + skin.name + platform::pathSeparator();
    if (auto text = readText(skin.folder + "MinWidth.txt")) skin.minWidth = files::decodeSkinSize(*text);
    if (auto text = readText(skin.folder + "MidiHeight.txt")) skin.barHeight = files::decodeSkinSize(*text);
    if (auto text = readText(skin.folder + "Colors_Fonts.txt")) {
        skin.colours = files::decodeSkinColorsFonts(*text);
        tellDamaged(skin.folder + "Colors_Fonts.txt", skin.colours->damagedFields);
    }
    if (auto text = readText(skin.folder + "Positions.txt")) {
        skin.positions = files::decodeSkinPositions(*text);
        tellDamaged(skin.folder + "Positions.txt", skin.positions->damagedFields);
    }
    return skin;
}

}  // namespace vexlo::manager
