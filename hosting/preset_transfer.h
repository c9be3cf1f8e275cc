// Between a plug-in and the preset and bank files' values, as hosts do it: applying a decoded
// file to a child, and taking a program or the bank from it. The codecs themselves know no
// plug-ins; this knows no files.
#pragma once

#include <string>

#include "hosting/hosted_child.h"
#include "hosting/preset_file.h"

namespace vexlo::hosting {

// As many of the values as both the list and the plug-in have, from parameter 0 on.
void applyParameterValues(HostedChild& child, const std::vector<float>& values);

// Parameter values: the program's name and as many values as both the file and the plug-in
// have; chunks: effSetChunk (index 1 for a program, 0 for a bank) while suspended; a bank of
// values: each of its programs the plug-in has, then the program that was playing (or the
// bank's own current program). False, with nothing applied, for a file of another plug-in or a
// chunk for a plug-in that takes none.
bool applyPreset(HostedChild& child, const files::PresetFile& file, std::string* error);

// The current program (bank false) or every program (bank true): as the plug-in's chunk when it
// keeps its programs in chunks, else as parameter values.
files::PresetFile capturePreset(HostedChild& child, bool bank);

}  // namespace vexlo::hosting
