#include "manager/files/preset_link.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace vexlo::files {

namespace {

// Up to the next line end; false at the end of the bytes. A "\r" before the "\n" is no part of
// the line.
bool nextLine(const unsigned char*& at, const unsigned char* end, std::string& line, bool& ended) {
    if (at >= end) return false;
    const unsigned char* start = at;
    while (at < end && *at != '\n') ++at;
    line.assign(reinterpret_cast<const char*>(start), static_cast<std::size_t>(at - start));
    ended = at < end;
    if (ended) ++at;
    if (ended && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

std::optional<std::int32_t> decimal(const std::string& text) {
    if (text.empty() || text.size() > 11) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace

Decoded<PresetLink> decodePresetLink(const unsigned char* data, std::size_t size) {
    using Result = Decoded<PresetLink>;
    const unsigned char* at = data;
    const unsigned char* end = data ? data + size : data;
    std::vector<std::string> lines;
    std::string line;
    bool ended = false;
    while (lines.size() < 4 && nextLine(at, end, line, ended)) {
        if (line.size() > PresetLink::kMaxLine) return Result::refuse("a line of the link is too long");
        lines.push_back(line);
        if (!ended) break;
    }
    if (ended && lines.size() < 4) lines.push_back("");  // a last line end: an empty line after it
    while (!lines.empty() && lines.back().empty() && lines.size() > 2) lines.pop_back();
    if (lines.size() < 2 || lines.size() > 3) return Result::refuse("a preset link has two or three lines");
    PresetLink link;
    link.target = lines[0];
    // No file name holds a zero byte or a carriage return (a stray one before the line end).
    if (link.target.empty() || link.target.find_first_of(std::string("\0\r", 2)) != std::string::npos)
        return Result::refuse("the link names no file");
    const auto id = decimal(lines[1]);
    if (!id) return Result::refuse("the link's plug-in ID is no number");
    link.pluginId = *id;
    if (lines.size() == 3) {
        link.program = decimal(lines[2]);
        if (!link.program || *link.program < 0) return Result::refuse("the link's program is no number");
    }
    return Result{std::move(link), {}};
}

std::string encodePresetLink(const PresetLink& link) {
    std::string text = link.target + "\n" + std::to_string(link.pluginId);
    if (link.program) text += "\n" + std::to_string(*link.program);
    return text;
}

}  // namespace vexlo::files
