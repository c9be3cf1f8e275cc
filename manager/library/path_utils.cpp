#include "manager/library/path_utils.h"

#include <fstream>
#include <iterator>

#include "platform/platform.h"
#include "platform/user_services.h"

namespace vexlo::library {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Refuses paths the helpers will not take; true when the path may be used.
bool acceptPath(const std::string& path) {
    if (path.size() <= kMaxPathLength) return true;
    report(path, "Path Too Long!");
    return false;
}

std::size_t lastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

}  // namespace

std::string GetNChars(const char* input, int start, int times, bool trimBlanks) {
    if (times >= 1020) {
        report(input ? input : "", "GetNChars - Too Long Input!");
        return {};
    }
    if (!input) {
        report("", "GetNChars - Blank Input!");
        return {};
    }
    const std::string text = input;
    if (start < 0 || times < 0 || text.size() < static_cast<std::size_t>(start) + static_cast<std::size_t>(times)) {
        report(text, "GetNChars - Len(Input) < Start plus Times!");
        return {};
    }
    std::string piece = text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(times));
    if (trimBlanks) {
        std::size_t end = piece.find_last_not_of(' ');
        if (end != std::string::npos) piece.erase(end + 1);
    }
    return piece;
}

std::string fileName(const std::string& path) {
    if (!acceptPath(path)) return {};
    std::size_t cut = lastSeparator(path);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string baseName(const std::string& path) {
    std::string name = fileName(path);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string extension(const std::string& path) {
    std::string name = fileName(path);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool hasExtension(const std::string& path) { return path.find('.') != std::string::npos; }

std::string upperCase(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string folder(const std::string& path) {
    if (!acceptPath(path)) return {};
    if (!path.empty() && isSeparator(path.back())) return path.substr(0, path.size() - 1);
    if (path.size() < 2 || path.find('.', 1) == std::string::npos) return path;
    std::size_t cut = lastSeparator(path);
    std::string result = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    return platform::pathsIgnoreCase() ? upperCase(result) : result;
}

std::vector<std::string> fileSearch(const std::string& folderPath, const std::string& pattern) {
    std::vector<std::string> names;
    for (const auto& entry : platform::listDirectory(folderPath, pattern))
        if (!entry.isFolder) names.push_back(entry.name);
    return names;
}

void report(const std::string& text, const std::string& caption) {
    platform::userServices().report(text, caption.empty() ? "!" : caption);
}

bool ask(const std::string& text, const std::string& caption) { return platform::userServices().ask(text, caption); }

bool readRegularFile(const std::string& path, std::uint64_t maxBytes, std::vector<unsigned char>& bytes) {
    const platform::PathInfo info = platform::pathInfo(path);
    if (info.kind != platform::PathKind::regularFile || info.size > maxBytes) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bytes.size() <= maxBytes;
}

std::FILE* createFile(const std::string& path, const char* mode) {
    // A pipe, a device or a folder is no file to keep a preset in: opening a pipe waits for a
    // reader that may never come.
    const platform::PathKind kind = platform::pathInfo(path).kind;
    if (kind != platform::PathKind::missing && kind != platform::PathKind::regularFile) {
        report(baseName(path) + " is no regular file: nothing was written to it.", "Error creating file!");
        return nullptr;
    }
    if (std::FILE* existing = std::fopen(path.c_str(), "r")) {
        std::fclose(existing);
        if (!ask(baseName(path), "File already exist, replace?")) return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) report(baseName(path), "Error creating file!");
    return file;
}

}  // namespace vexlo::library
