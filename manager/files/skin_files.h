// The text files of a Vexlo VM skin, as values: the size files (MinWidth.txt, MidiHeight.txt),
// the fixed-column Colors_Fonts.txt and Positions.txt, and the skin name in Current.txt. Bytes in,
// values out; a field that cannot be read is 0 and is counted, never shown.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::files {

// The skin readers' lines: at most this many characters each, a longer line going on as the
// next one; the line end belongs to its line ("\r\n" is read as "\n").
constexpr std::size_t kSkinLineLength = 251;
std::vector<std::string> skinLines(const std::string& text);

// A fixed-column number: `width` characters from `column`, trailing zero bytes dropped, read as
// leading blanks, a sign and digits. A line too short for the field, or a field without digits,
// reads 0; the first counts as damaged.
int skinField(const std::string& line, std::size_t column, std::size_t width, int* damaged = nullptr);

struct SkinTextStyle {
    std::uint8_t red = 255, green = 255, blue = 255;
    int font = 4;  // index into the toolkit's standard fonts
};

struct SkinRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// What a file gives, line by line; a line the file does not have is nothing (its views keep what
// they have). damagedFields: how many fields were cut short.
struct SkinColorsFonts {
    static constexpr std::size_t kLines = 3;  // the oversampling menu, the name label, the MIDI slots' labels
    std::array<std::optional<SkinTextStyle>, kLines> styles;
    int damagedFields = 0;
};

struct SkinPositions {
    static constexpr std::size_t kLines = 19;  // file lines 3 to 21, in the order of the views
    std::array<std::optional<SkinRect>, kLines> rects;
    int damagedFields = 0;
};

SkinColorsFonts decodeSkinColorsFonts(const std::string& text);
// Line 3 (the command menu) is taken as written; every later line as two opposite corners.
SkinPositions decodeSkinPositions(const std::string& text);
// The number on the first line, of its first 9 characters; nothing for an empty file.
std::optional<int> decodeSkinSize(const std::string& text);
// Current.txt's first line whole, its line end included (a name with a line end names no folder).
std::string skinNameFromCurrent(const std::string& text);

}  // namespace vexlo::files
