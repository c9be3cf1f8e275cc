#include "manager/files/skin_files.h"

#include <algorithm>
#include <cctype>

namespace vexlo::files {

std::vector<std::string> skinLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line.push_back(c);
        if (c == '\n' || line.size() == kSkinLineLength) {
            lines.push_back(std::move(line));
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

int skinField(const std::string& line, std::size_t column, std::size_t width, int* damaged) {
    if (line.size() < column + width) {
        if (damaged) ++*damaged;
        return 0;
    }
    std::string field = line.substr(column, width);
    while (!field.empty() && field.back() == '\0') field.pop_back();
    std::size_t at = 0;
    while (at < field.size() && std::isspace(static_cast<unsigned char>(field[at]))) ++at;
    bool negative = false;
    if (at < field.size() && (field[at] == '+' || field[at] == '-')) negative = field[at++] == '-';
    long value = 0;
    for (; at < field.size() && std::isdigit(static_cast<unsigned char>(field[at])); ++at)
        value = value * 10 + (field[at] - '0');
    return static_cast<int>(negative ? -value : value);
}

SkinColorsFonts decodeSkinColorsFonts(const std::string& text) {
    SkinColorsFonts result;
    const std::vector<std::string> lines = skinLines(text);
    for (std::size_t i = 0; i < SkinColorsFonts::kLines && i + 2 < lines.size(); ++i) {
        const std::string& line = lines[i + 2];
        SkinTextStyle style;
        style.red = static_cast<std::uint8_t>(skinField(line, 34, 3, &result.damagedFields) & 0xFF);
        style.green = static_cast<std::uint8_t>(skinField(line, 38, 3, &result.damagedFields) & 0xFF);
        style.blue = static_cast<std::uint8_t>(skinField(line, 42, 3, &result.damagedFields) & 0xFF);
        style.font = skinField(line, 46, 1, &result.damagedFields);
        result.styles[i] = style;
    }
    return result;
}

SkinPositions decodeSkinPositions(const std::string& text) {
    SkinPositions result;
    const std::vector<std::string> lines = skinLines(text);
    for (std::size_t i = 0; i < SkinPositions::kLines && i + 2 < lines.size(); ++i) {
        const std::string& line = lines[i + 2];
        const int x1 = skinField(line, 34, 3, &result.damagedFields), y1 = skinField(line, 38, 3, &result.damagedFields);
        const int x2 = skinField(line, 42, 3, &result.damagedFields), y2 = skinField(line, 46, 3, &result.damagedFields);
        if (i == 0) result.rects[i] = SkinRect{x1, y1, x2, y2};
        else result.rects[i] = SkinRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    }
    return result;
}

std::optional<int> decodeSkinSize(const std::string& text) {
    const std::vector<std::string> lines = skinLines(text);
    if (lines.empty()) return std::nullopt;
    const std::string first = lines[0].substr(0, 9);
    return skinField(first, 0, first.size());
}

std::string skinNameFromCurrent(const std::string& text) {
    const std::vector<std::string> lines = skinLines(text);
    return lines.empty() ? std::string() : lines[0];
}

}  // namespace vexlo::files
