// Notes for a render: from a Standard MIDI File or from a short list on the command line.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

namespace vexlo::host {

struct TimedMidi {
    double seconds = 0.0;
    unsigned char bytes[3] = {0, 0, 0};
};

// Reads the channel messages of a format 0 or 1 file, all tracks merged and timed through the
// file's tempo map (defaultTempo until its first tempo event). Stays inside the given bytes;
// false with a reason for anything it cannot read.
bool parseMidiFile(const unsigned char* data, std::size_t size, double defaultTempo, std::vector<TimedMidi>* events,
                   std::string* error);
// Input files of vexlo-host (MIDI files, saved states) are regular files of at most this size.
constexpr std::uint64_t kMaxInputFileBytes = 64u << 20;
// Reads such a file whole; false with a reason for anything else (a folder, a device, a pipe).
bool readInputFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error);

bool readMidiFile(const std::string& path, double defaultTempo, std::vector<TimedMidi>* events, std::string* error);

// "NOTE[:START[:LENGTH[:VELOCITY]]],..." with START and LENGTH in beats; a note without a
// length is held to the end. Example: "60,64,67" is a C major chord held throughout.
bool parseNoteList(const std::string& text, double tempo, double endSeconds, std::vector<TimedMidi>* events,
                   std::string* error);

// Sorts by time, note-offs before note-ons at the same moment.
void sortEvents(std::vector<TimedMidi>& events);

}  // namespace vexlo::host
