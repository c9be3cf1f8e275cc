// The fixed-width key/value store in which Vexlo VM keeps its settings and its scan database.
//
// A store file is a header line, a filler, and records. Each record is a line end, the key
// padded with blanks to 39 characters, a line end, and the value padded to its field: 39
// characters for numbers and short words, 1023 for paths. Values are rewritten in place, so a
// key keeps its field for the life of the file. Threads of one process may share a store: its
// operations take their turns.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vexlo::library {

class ConfigFile {
public:
    static constexpr std::size_t kKeyWidth = 39;
    static constexpr std::size_t kShortField = 39;
    static constexpr std::size_t kLongField = 1023;
    // No store grows near this; a larger file is not ours and is never read or changed.
    static constexpr std::uint64_t kMaxBytes = 16u << 20;

    // The default store: our own library's path with the extension "vIni", or, where that cannot
    // be written, the same name in the user's settings folder (see storeFor).
    ConfigFile();
    explicit ConfigFile(std::string path) : path_(std::move(path)) {}

    static std::string defaultPath();
    // Where the store of a library lives: beside it (`beside`) when one there can be written;
    // else in userFolder when one was made there before; else beside it when one can be made
    // there; else in userFolder (made if missing).
    static std::string storeFor(const std::string& beside, const std::string& userFolder);
    // The store of a library: its path with the extension "vIni".
    static std::string pathBeside(const std::string& libraryPath);
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

    // Every record in file order: key and value (trailing blanks removed), and whether it has
    // a long field.
    struct Record {
        std::string key;
        std::string value;
        bool longField = false;
    };
    std::vector<Record> records() const;
    // Writes the store anew with the records the filter keeps. False, the file untouched, when
    // it cannot be read or written.
    bool keepOnly(const std::function<bool(const Record&)>& keep) const;

private:
    enum class Access { missing, readable, unreadable };
    // Reads the whole file. A file that exists but is no regular file, is too large or cannot
    // be opened is unreadable: the person is told once and nothing is written to it. A file
    // that does not parse as a store is set aside beside itself and rebuilt from the records
    // that parse, and the person is told once.
    Access load(std::string& bytes) const;
    bool create() const;
    bool rebuild(const std::vector<Record>& records) const;

    std::string path_;
};

}  // namespace vexlo::library
