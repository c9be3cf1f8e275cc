// The skin's text files on bytes alone: the fixed columns, the corner pairs, the colour and
// number rules, and files that are short or damaged.
#include <gtest/gtest.h>

#include "manager/files/skin_files.h"

using namespace vexlo::files;

namespace {

// A data line: a 34-character caption, then the four fields with one separator each.
std::string line(const std::string& a, const std::string& b, const std::string& c, const std::string& d) {
    return std::string(34, '.') + a + " " + b + " " + c + " " + d + "\n";
}
const std::string kHeadings = "Vexlo VM skin\nfield                             R   G   B   F\n";

}  // namespace

TEST(SkinFiles, PositionsLineThreeAsWrittenAndLaterLinesAsCorners) {
    std::string text = kHeadings + line("300", "020", "250", "005") + line("010", "010", "040", "030") +
                       line("300", "020", "250", "005");
    const SkinPositions positions = decodeSkinPositions(text);
    ASSERT_TRUE(positions.rects[0] && positions.rects[2]);
    EXPECT_EQ(positions.rects[0]->left, 300);  // the command menu: as written
    EXPECT_EQ(positions.rects[0]->top, 20);
    EXPECT_EQ(positions.rects[0]->right, 250);
    EXPECT_EQ(positions.rects[0]->bottom, 5);
    EXPECT_EQ(positions.rects[2]->left, 250);  // the search button: corners put in order
    EXPECT_EQ(positions.rects[2]->top, 5);
    EXPECT_EQ(positions.rects[2]->right, 300);
    EXPECT_EQ(positions.rects[2]->bottom, 20);
    // Lines the file does not have leave their views alone.
    EXPECT_FALSE(positions.rects[3]);
    EXPECT_FALSE(positions.rects[18]);
    EXPECT_EQ(positions.damagedFields, 0);
}

TEST(SkinFiles, ColourFieldsReadDigitsAndKeepTheLowByte) {
    const std::string text = kHeadings + line("  7", "7  ", "abc", "3") + line("300", "000", "255", "9") +
                             line("-01", "+12", " 12", "x");
    const SkinColorsFonts colours = decodeSkinColorsFonts(text);
    ASSERT_TRUE(colours.styles[0] && colours.styles[1] && colours.styles[2]);
    EXPECT_EQ(colours.styles[0]->red, 7);
    EXPECT_EQ(colours.styles[0]->green, 7);
    EXPECT_EQ(colours.styles[0]->blue, 0);
    EXPECT_EQ(colours.styles[0]->font, 3);
    EXPECT_EQ(colours.styles[1]->red, 44);  // 300 keeps its low 8 bits
    EXPECT_EQ(colours.styles[1]->blue, 255);
    EXPECT_EQ(colours.styles[1]->font, 9);
    EXPECT_EQ(colours.styles[2]->red, 255);  // -1, low 8 bits
    EXPECT_EQ(colours.styles[2]->green, 12);
    EXPECT_EQ(colours.styles[2]->font, 0);
}

TEST(SkinFiles, ShortLinesReadZeroAndAreCountedNotShown) {
    const std::string text = kHeadings + std::string(34, '.') + "255 128\n" + "short\n";
    const SkinColorsFonts colours = decodeSkinColorsFonts(text);
    ASSERT_TRUE(colours.styles[0] && colours.styles[1]);
    EXPECT_EQ(colours.styles[0]->red, 255);
    EXPECT_EQ(colours.styles[0]->green, 128);  // the line end is part of the line: "128" fits
    EXPECT_EQ(colours.styles[0]->blue, 0);     // but the blue field lies past its end
    EXPECT_EQ(colours.styles[1]->red, 0);
    EXPECT_FALSE(colours.styles[2]);
    EXPECT_GE(colours.damagedFields, 6);
    // Nothing at all: every line missing, nothing damaged.
    EXPECT_FALSE(decodeSkinPositions("").rects[0]);
    EXPECT_EQ(decodeSkinPositions(kHeadings).damagedFields, 0);
}

TEST(SkinFiles, LongLinesGoOnAsTheNextLineAndWindowsLineEndsAreLineEnds) {
    const std::string longHeading(300, '=');
    const std::string text = longHeading + "\n" + line("001", "002", "003", "004");  // 251 + the rest: two lines
    EXPECT_EQ(skinLines(text).size(), 3u);
    // The heading's rest is line 2, so the data line is line 3, the command menu's.
    const auto menu = decodeSkinPositions(text).rects[0];
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->bottom, 4);
    const std::string crlf = "a\r\nb\r\n" + std::string(34, '.') + "010 020 030 040\r\n";
    const auto rect = decodeSkinPositions(crlf).rects[0];
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->bottom, 40);
}

TEST(SkinFiles, SizesAndTheCurrentSkinsName) {
    EXPECT_EQ(decodeSkinSize("640\n"), 640);
    EXPECT_EQ(decodeSkinSize("  72 pixels"), 72);
    EXPECT_EQ(decodeSkinSize("1234567890123"), 123456789);  // nine characters at most
    EXPECT_EQ(decodeSkinSize("wide"), 0);
    EXPECT_FALSE(decodeSkinSize(""));
    EXPECT_EQ(skinNameFromCurrent("Dark"), "Dark");
    // A line end belongs to the name: such a name names no folder, and the fallback is taken.
    EXPECT_EQ(skinNameFromCurrent("Default\n"), "Default\n");
    EXPECT_EQ(skinNameFromCurrent(""), "");
}
