// The fixed-width key/value store in which Vexlo VM keeps its settings and its scan database.
//
// A store file is a header line, a filler, and records. Each record is a line end, the key
// padded with blanks to 39 characters, a line end, and the value padded to its field: 39
// characters for numbers and short words, 1023 for paths. Values are rewritten in place, so a
// key keeps its field for the life of the file.
#pragma once

#include <optional>
#include <string>

namespace vexlo::library {

class ConfigFile {
public:
    static constexpr std::size_t kKeyWidth = 39;
    static constexpr std::size_t kShortField = 39;
    static constexpr std::size_t kLongField = 1023;

    // The default store: our own library's path with the extension "vIni".
    ConfigFile();
    explicit ConfigFile(std::string path) : path_(std::move(path)) {}

    static std::string defaultPath();
    const std::string& path() const { return path_; }

    // The value stored for the key, trailing blanks removed; nothing for a missing file or key
    // and for a key longer than 39 characters. The first of several records with one key counts.
    std::optional<std::string> read(const std::string& key) const;
    // The value as a whole number (a decimal parse that stops at the point), if there is one.
    std::optional<long> readNumber(const std::string& key) const;

    // Stores a value, creating the file when it is missing. Refused (false, the file untouched):
    // a key longer than 39 characters, a key or value holding a line end, and a value that does
    // not fit the field of the record it would overwrite.
    bool write(const std::string& key, const std::string& text, bool longField) const;
    // The same for a number, stored as "%f".
    bool write(const std::string& key, double number, bool longField) const;

private:
    bool create() const;

    std::string path_;
};

}  // namespace vexlo::library
