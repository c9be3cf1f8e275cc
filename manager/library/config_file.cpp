#include "manager/library/config_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

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
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        bytes->append(buffer, n);
        // A file that grows while it is read is no store of ours.
        if (bytes->size() > ConfigFile::kMaxBytes) break;
    }
    const bool ok = !std::ferror(file) && bytes->size() <= ConfigFile::kMaxBytes;
    std::fclose(file);
    return ok;
}

// Whether a store's bytes parse whole (a header, keys of 39 characters, values no shorter than
// their field, no record without its value), with the records as far as they parse. Without
// `records` it only checks, as every access to a store does.
bool parse(const std::string& bytes, std::vector<ConfigFile::Record>* records) {
    bool whole = bytes.compare(0, std::strlen(kHeaderTitle), kHeaderTitle) == 0;
    if (!whole) return false;
    std::size_t position = lineAt(bytes, 0).next;
    if (position >= bytes.size()) return false;  // cut before the filler
    position = lineAt(bytes, position).next;
    while (position < bytes.size()) {
        Line key = lineAt(bytes, position);
        if (key.next >= bytes.size() && key.end == bytes.size()) {
            whole = false;  // a key without its value
            break;
        }
        Line value = lineAt(bytes, key.next);
        const std::size_t keyLength = key.end - key.begin, valueLength = value.end - value.begin;
        if (keyLength != ConfigFile::kKeyWidth || valueLength < ConfigFile::kShortField) {
            whole = false;
            break;
        }
        if (records) {
            std::string name = bytes.substr(key.begin, keyLength), text = bytes.substr(value.begin, valueLength);
            name.erase(name.find_last_not_of(' ') + 1);
            const std::size_t last = text.find_last_not_of(' ');
            text.erase(last == std::string::npos ? 0 : last + 1);
            records->push_back({name, text, valueLength > ConfigFile::kShortField});
        }
        position = value.next;
    }
    return whole;
}

// One file operation at a time in a process: a reader that met a record half appended by
// another thread would take the store for damaged. Recursive, as a message shown while a file
// is read may run the thread's windows, which read settings again.
std::recursive_mutex& fileLock() {
    static std::recursive_mutex lock;
    return lock;
}

// Each of these is said once per file in a process, however often the file is touched.
void tellOnce(const std::string& path, const char* caption) {
    static std::mutex mutex;
    static std::set<std::string> told;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!told.insert(path + '\n' + caption).second) return;
    }
    report(path, caption);
}

// The header line and the filler, each with the terminating zero its writer always stored.
std::string headBytes() {
    std::string head = padded(kHeaderTitle, ConfigFile::kKeyWidth) + platform::textLineEnd();
    head.push_back('\0');
    head += std::string(ConfigFile::kKeyWidth, ' ');
    head.push_back('\0');
    return head;
}

// A record as it is appended. A value longer than its field is written whole, followed by as
// many blanks as it exceeds the field. A record opens with a line end, unless the bytes before
// it already end with one (a store another program ended with a line end): a second one would
// make an empty line that no longer parses as a key.
std::string recordBytes(const std::string& key, const std::string& text, bool longField, bool afterLineEnd = false) {
    const std::size_t width = longField ? ConfigFile::kLongField : ConfigFile::kShortField;
    const std::string lineEnd = platform::textLineEnd();
    std::string record = (afterLineEnd ? std::string() : lineEnd) + padded(key, ConfigFile::kKeyWidth) + lineEnd + text;
    record += std::string(text.size() <= width ? width - text.size() : text.size() - width, ' ');
    return record;
}

bool writeWhole(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool isAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 2 && path[1] == ':');
}

}  // namespace

ConfigFile::ConfigFile() : path_(defaultPath()) {}

std::string ConfigFile::defaultPath() { return storeFor(pathBeside(platform::ownLibraryPath()), platform::userSettingsFolder()); }

std::string ConfigFile::storeFor(const std::string& beside, const std::string& userFolder) {
    const platform::PathKind there = platform::pathInfo(beside).kind;
    // A store beside the library that can be written keeps priority: portable installs stay so.
    if (there == platform::PathKind::regularFile && platform::canWrite(beside)) return beside;
    if (userFolder.empty()) return beside;
    const std::size_t cut = beside.find_last_of("\\/");
    const std::string user = userFolder + (cut == std::string::npos ? beside : beside.substr(cut + 1));
    // A store in the user's folder was made because the one beside could not be: it comes next.
    if (platform::pathInfo(user).kind == platform::PathKind::regularFile) return user;
    if (there == platform::PathKind::missing && cut != std::string::npos && platform::canWrite(beside.substr(0, cut + 1)))
        return beside;
    // Beside a library in a folder nobody may write (a system-wide install): the user's folder.
    return platform::makeFolders(userFolder) ? user : beside;
}

std::string ConfigFile::pathBeside(const std::string& libraryPath) {
    std::size_t dot = libraryPath.find_last_of('.');
    std::size_t separator = libraryPath.find_last_of("\\/");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return libraryPath + ".vIni";
    return libraryPath.substr(0, dot + 1) + "vIni";
}

ConfigFile::Access ConfigFile::load(std::string& bytes) const {
    const platform::PathInfo info = platform::pathInfo(path_);
    if (info.kind == platform::PathKind::missing) return Access::missing;
    if (info.kind != platform::PathKind::regularFile || info.size > kMaxBytes || !readAll(path_, &bytes)) {
        tellOnce(path_, "Can't read this file: nothing is written to it!");
        return Access::unreadable;
    }
    if (parse(bytes, nullptr)) return Access::readable;
    std::vector<Record> kept;
    parse(bytes, &kept);
    // Appending to a store that does not parse would add records nobody can read back.
    std::string aside;
    for (int n = 1; n < 100 && aside.empty(); ++n) {
        std::string name = path_ + ".damaged" + (n > 1 ? std::to_string(n) : std::string());
        if (platform::pathInfo(name).kind == platform::PathKind::missing && platform::renameFile(path_, name))
            aside = name;
    }
    if (aside.empty()) {
        tellOnce(path_, "Can't read this file: nothing is written to it!");
        return Access::unreadable;
    }
    tellOnce(path_, "Damaged file set aside and made anew!");
    if (!rebuild(kept) || !readAll(path_, &bytes)) return Access::unreadable;
    return Access::readable;
}

bool ConfigFile::rebuild(const std::vector<Record>& records) const {
    std::string bytes = headBytes();
    for (const Record& record : records) bytes += recordBytes(record.key, record.value, record.longField);
    // Written beside the store first, so that a failure leaves the store as it was.
    const std::string fresh = path_ + ".new";
    platform::deleteFile(fresh);
    if (!writeWhole(fresh, bytes)) {
        platform::deleteFile(fresh);
        return false;
    }
    if (platform::pathInfo(path_).kind != platform::PathKind::missing && !platform::deleteFile(path_)) return false;
    return platform::renameFile(fresh, path_);
}

std::vector<ConfigFile::Record> ConfigFile::records() const {
    std::lock_guard<std::recursive_mutex> hold(fileLock());
    std::string bytes;
    if (load(bytes) != Access::readable) return {};
    std::vector<Record> all;
    parse(bytes, &all);
    return all;
}

bool ConfigFile::keepOnly(const std::function<bool(const Record&)>& keep) const {
    std::lock_guard<std::recursive_mutex> hold(fileLock());
    std::string bytes;
    const Access access = load(bytes);
    if (access == Access::missing) return true;
    if (access != Access::readable) return false;
    std::vector<Record> all, kept;
    parse(bytes, &all);
    for (Record& record : all)
        if (keep(record)) kept.push_back(std::move(record));
    return rebuild(kept);
}

std::optional<std::string> ConfigFile::read(const std::string& key) const {
    if (key.size() > kKeyWidth) return std::nullopt;
    std::lock_guard<std::recursive_mutex> hold(fileLock());
    std::string bytes;
    if (load(bytes) != Access::readable) return std::nullopt;
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
    // Only in a folder that exists, named in full: never in whatever the current folder is.
    const std::size_t cut = path_.find_last_of("\\/");
    const bool placed = isAbsolute(path_) && cut != std::string::npos && platform::isFolder(path_.substr(0, cut + 1));
    if (!placed || !writeWhole(path_, headBytes())) {
        report(path_, "Fatal Error: can't create Config.vIni file!");
        return false;
    }
    return true;
}

bool ConfigFile::write(const std::string& key, const std::string& text, bool longField) const {
    if (key.size() > kKeyWidth || holdsLineEnd(key) || holdsLineEnd(text)) return false;
    std::lock_guard<std::recursive_mutex> hold(fileLock());
    std::string bytes;
    switch (load(bytes)) {
    case Access::unreadable: return false;
    case Access::missing:
        if (!create() || load(bytes) != Access::readable) return false;
        break;
    case Access::readable: break;
    }
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
    const std::string record = recordBytes(key, text, longField, !bytes.empty() && bytes.back() == '\n');
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
