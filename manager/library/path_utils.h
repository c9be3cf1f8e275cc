// String, path and message helpers shared by the manager's file handling. Results come back
// by value, so any thread may use them at any time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vexlo::library {

// Paths are held in buffers of this many characters, terminator included.
constexpr std::size_t kPathBufferSize = 9024;
// The longest path the path helpers take: room is left in the buffer for what they append.
constexpr std::size_t kMaxPathLength = kPathBufferSize - 4;

// `times` characters of `input` from position `start`; with trimBlanks, trailing blanks are
// dropped unless the piece is all blanks. Refusals show the input with the reason as caption and
// give an empty result: "GetNChars - Too Long Input!" (times of 1020 or more), "GetNChars - Blank
// Input!" (no input), "GetNChars - Len(Input) < Start plus Times!".
std::string GetNChars(const char* input, int start, int times, bool trimBlanks);

// Path pieces; "\" and "/" both separate folders. A path over kMaxPathLength characters is refused with
// the caption "Path Too Long!" and gives an empty result.
std::string fileName(const std::string& path);   // after the last separator
std::string baseName(const std::string& path);   // the file name without its extension
std::string extension(const std::string& path);  // after the last "." of the file name
bool hasExtension(const std::string& path);      // the text holds a "."
// The folder of a file, with its final separator (upper-cased where names ignore case). A text
// ending in a separator loses that separator; a text without a "." after its first character
// is a folder already and comes back unchanged.
std::string folder(const std::string& path);
std::string upperCase(const std::string& text);

// Names of the files in a folder that match a wildcard pattern.
std::vector<std::string> fileSearch(const std::string& folder, const std::string& pattern);

// Messages: an OK box ("!" when no caption is given) and a Yes/No question.
void report(const std::string& text, const std::string& caption = "");
bool ask(const std::string& text, const std::string& caption);

// The bytes of a regular file of at most maxBytes, opened read-only; false for anything else.
bool readRegularFile(const std::string& path, std::uint64_t maxBytes, std::vector<unsigned char>& bytes);

// Opens a file for writing after asking whether to replace one that exists ("File already
// exist, replace?"); reports "Error creating file!" when it cannot be opened, and when the path
// names something that is no regular file (a pipe, a device, a folder). Null when not opened.
std::FILE* createFile(const std::string& path, const char* mode);

}  // namespace vexlo::library
