#include "manager/library/config_file.h"

#include <cstdio>
#include <cstdlib>

#include "manager/library/path_utils.h"
#include "platform/platform.h"

namespace vexlo::library {

namespace {

constexpr char kHeaderTitle[] = "[Configuration File]";

std::string padded(const std::string& text, std::size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

bool holdsLineEnd(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// Where a key's value field lies inside the file's bytes.
struct Field {
    std::size_t begin;
    std::size_t length;
};

// One line of the file: [begin, end) without its line end; next is where the next line starts.
struct Line {
    std::size_t begin, end, next;
};

Line lineAt(const std::string& bytes, std::size_t from) {
    std::size_t newline = bytes.find('\n', from);
    std::size_t end = newline == std::string::npos ? bytes.size() : newline;
    std::size_t next = newline == std::string::npos ? bytes.size() : newline + 1;
    if (end > from && bytes[end - 1] == '\r') --end;  // a store written on Windows reads the same
    return {from, end, next};
}

// Skips the header line and the filler line, then walks key and value lines.
std::optional<Field> findKey(const std::string& bytes, const std::string& searchKey) {
    std::size_t position = lineAt(bytes, 0).next;
    position = lineAt(bytes, position).next;
    while (position < bytes.size()) {
        Line key = lineAt(bytes, position);
        Line value = lineAt(bytes, key.next);
        if (key.end - key.begin >= searchKey.size() && bytes.compare(key.begin, searchKey.size(), searchKey) == 0)
            return Field{value.begin, value.end - value.begin};
        if (value.next <= position) break;
        position = value.next;
    }
    return std::nullopt;
}

bool readAll(const std::string& path, std::string* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    char buffer[64 * 1024];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes->append(buffer, n);
    std::fclose(file);
    return true;
}

}  // namespace

ConfigFile::ConfigFile() : path_(defaultPath()) {}

std::string ConfigFile::defaultPath() {
    std::string own = platform::ownLibraryPath();
    std::size_t dot = own.find_last_of('.');
    std::size_t separator = own.find_last_of("\\/");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return own + ".vIni";
    return own.substr(0, dot + 1) + "vIni";
}

std::optional<std::string> ConfigFile::read(const std::string& key) const {
    if (key.size() > kKeyWidth) return std::nullopt;
    std::string bytes;
    if (!readAll(path_, &bytes)) return std::nullopt;
    auto field = findKey(bytes, padded(key, kKeyWidth));
    if (!field) return std::nullopt;
    std::string value = bytes.substr(field->begin, field->length);
    std::size_t end = value.find_last_not_of(' ');
    value.erase(end == std::string::npos ? 0 : end + 1);
    return value;
}

std::optional<long> ConfigFile::readNumber(const std::string& key) const {
    auto text = read(key);
    if (!text) return std::nullopt;
    return std::strtol(text->c_str(), nullptr, 10);
}

bool ConfigFile::create() const {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (!file) {
        report(path_, "Fatal Error: can't create Config.vIni file!");
        return false;
    }
    // The header line and the filler, each with the terminating zero its writer always stored.
    std::string head = padded(kHeaderTitle, kKeyWidth) + platform::textLineEnd();
    head.push_back('\0');
    head += std::string(kKeyWidth, ' ');
    head.push_back('\0');
    bool ok = std::fwrite(head.data(), 1, head.size(), file) == head.size();
    return std::fclose(file) == 0 && ok;
}

bool ConfigFile::write(const std::string& key, const std::string& text, bool longField) const {
    if (key.size() > kKeyWidth || holdsLineEnd(key) || holdsLineEnd(text)) return false;
    std::string bytes;
    if (!readAll(path_, &bytes)) {
        if (!create() || !readAll(path_, &bytes)) return false;
    }
    const std::size_t width = longField ? kLongField : kShortField;
    if (auto field = findKey(bytes, padded(key, kKeyWidth))) {
        // In place: the new value must fit the old field, which it then covers exactly.
        if (text.size() > field->length) return false;
        std::FILE* file = std::fopen(path_.c_str(), "r+b");
        if (!file) return false;
        std::string value = padded(text, field->length);
        bool ok = std::fseek(file, static_cast<long>(field->begin), SEEK_SET) == 0 &&
                  std::fwrite(value.data(), 1, value.size(), file) == value.size();
        return std::fclose(file) == 0 && ok;
    }
    // A new record at the end. A value longer than its field is written whole, followed by as
    // many blanks as it exceeds the field.
    const std::string lineEnd = platform::textLineEnd();
    std::string record = lineEnd + padded(key, kKeyWidth) + lineEnd + text;
    record += std::string(text.size() <= width ? width - text.size() : text.size() - width, ' ');
    std::FILE* file = std::fopen(path_.c_str(), "ab");
    if (!file) return false;
    bool ok = std::fwrite(record.data(), 1, record.size(), file) == record.size();
    return std::fclose(file) == 0 && ok;
}

bool ConfigFile::write(const std::string& key, double number, bool longField) const {
    char text[400];
    std::snprintf(text, sizeof(text), "%f", number);
    return write(key, std::string(text), longField);
}

}  // namespace vexlo::library
