// Vexlo VM's preset links (".fxplnk"): a few lines of text that name a program file, or one
// program of a bank file, and the plug-in it was made for. Decoding takes the file's bytes and
// gives the value or the reason it cannot be read; nothing here touches a plug-in or a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "hosting/byte_io.h"

namespace vexlo::files {

// A link to a program file, or to one program of a bank file.
struct PresetLink {
    static constexpr std::size_t kMaxLine = 1024;

    std::string target;  // relative to the folder setting for its kind
    std::int32_t pluginId = 0;
    std::optional<std::int32_t> program;  // links into a bank

    // Whether the target is a program file (its name ends in "p" or "P"), relative to the
    // program folder; a bank is relative to the bank folder.
    bool namesProgramFile() const { return !target.empty() && (target.back() == 'p' || target.back() == 'P'); }
};

// Two or three lines ("\n" or "\r\n"), the last without a line end.
Decoded<PresetLink> decodePresetLink(const unsigned char* data, std::size_t size);
std::string encodePresetLink(const PresetLink& link);

}  // namespace vexlo::files
