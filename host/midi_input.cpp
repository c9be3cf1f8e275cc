#include "host/midi_input.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/platform.h"

namespace vexlo::host {

namespace {

class Reader {
public:
    Reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    bool has(std::size_t n) const { return n <= size_ - pos_; }
    bool u8(unsigned& out) {
        if (!has(1)) return false;
        out = data_[pos_++];
        return true;
    }
    bool u16(unsigned& out) {
        if (!has(2)) return false;
        out = (unsigned(data_[pos_]) << 8) | data_[pos_ + 1];
        pos_ += 2;
        return true;
    }
    bool u32(std::uint32_t& out) {
        if (!has(4)) return false;
        out = (std::uint32_t(data_[pos_]) << 24) | (std::uint32_t(data_[pos_ + 1]) << 16) |
              (std::uint32_t(data_[pos_ + 2]) << 8) | data_[pos_ + 3];
        pos_ += 4;
        return true;
    }
    bool varLength(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            unsigned byte;
            if (!u8(byte)) return false;
            out = (out << 7) | (byte & 0x7F);
            if (!(byte & 0x80)) return true;
        }
        return false;
    }
    bool skip(std::size_t n) {
        if (!has(n)) return false;
        pos_ += n;
        return true;
    }
    std::size_t pos() const { return pos_; }
    const unsigned char* at() const { return data_ + pos_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

struct TickEvent {
    std::uint64_t tick;
    bool isTempo;
    std::uint32_t microsPerBeat;
    unsigned char bytes[3];
};

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

int dataBytes(unsigned status) {
    unsigned kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

bool readTrack(Reader& track, std::vector<TickEvent>& out, std::string* error) {
    std::uint64_t tick = 0;
    unsigned running = 0;
    while (track.has(1)) {
        std::uint32_t delta;
        if (!track.varLength(delta)) return fail(error, "a track ends inside an event");
        tick += delta;
        unsigned status;
        if (!track.u8(status)) return fail(error, "a track ends inside an event");
        if (status == 0xFF) {
            unsigned type;
            std::uint32_t length;
            if (!track.u8(type) || !track.varLength(length) || !track.has(length))
                return fail(error, "a meta event runs past its track");
            if (type == 0x51 && length == 3) {
                const unsigned char* p = track.at();
                std::uint32_t micros = (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
                if (micros > 0) out.push_back({tick, true, micros, {0, 0, 0}});
            }
            track.skip(length);
            if (type == 0x2F) return true;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length;
            if (!track.varLength(length) || !track.skip(length)) return fail(error, "a system-exclusive event runs past its track");
            continue;
        }
        unsigned first;
        if (status & 0x80) {
            if (status > 0xEF) return fail(error, "an unknown status byte");
            running = status;
            if (!track.u8(first)) return fail(error, "a track ends inside an event");
        } else {
            if (!running) return fail(error, "running status without a status byte");
            first = status;
            status = running;
        }
        unsigned second = 0;
        if (dataBytes(status) == 2 && !track.u8(second)) return fail(error, "a track ends inside an event");
        out.push_back({tick, false, 0,
                       {static_cast<unsigned char>(status), static_cast<unsigned char>(first & 0x7F),
                        static_cast<unsigned char>(second & 0x7F)}});
    }
    return true;
}

}  // namespace

bool parseMidiFile(const unsigned char* data, std::size_t size, double defaultTempo, std::vector<TimedMidi>* events,
                   std::string* error) {
    Reader file(data, size);
    std::uint32_t id, length;
    unsigned format, tracks, division;
    if (!file.u32(id) || id != 0x4D546864) return fail(error, "not a Standard MIDI File");
    if (!file.u32(length) || length < 6 || !file.has(length)) return fail(error, "a short MIDI file header");
    std::size_t headerEnd = file.pos() + length;
    if (!file.u16(format) || !file.u16(tracks) || !file.u16(division)) return fail(error, "a short MIDI file header");
    if (format > 1) return fail(error, "MIDI file format 2 is not supported");
    if (division & 0x8000) return fail(error, "SMPTE-timed MIDI files are not supported");
    if (division == 0) return fail(error, "a MIDI file with zero ticks per beat");
    file.skip(headerEnd - file.pos());

    std::vector<TickEvent> all;
    for (unsigned t = 0; t < tracks && file.has(8); ++t) {
        if (!file.u32(id) || !file.u32(length)) break;
        if (!file.has(length)) return fail(error, "a track runs past the end of the file");
        if (id == 0x4D54726B) {
            Reader track(file.at(), length);
            if (!readTrack(track, all, error)) return false;
        }
        file.skip(length);
    }
    std::stable_sort(all.begin(), all.end(), [](const TickEvent& a, const TickEvent& b) { return a.tick < b.tick; });

    double secondsPerTick = 60.0 / defaultTempo / division;
    double seconds = 0.0;
    std::uint64_t lastTick = 0;
    for (const TickEvent& e : all) {
        seconds += double(e.tick - lastTick) * secondsPerTick;
        lastTick = e.tick;
        if (e.isTempo) {
            secondsPerTick = e.microsPerBeat / 1e6 / division;
            continue;
        }
        TimedMidi out;
        out.seconds = seconds;
        std::copy(e.bytes, e.bytes + 3, out.bytes);
        events->push_back(out);
    }
    return true;
}

bool readInputFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
    const platform::PathInfo info = platform::pathInfo(path);
    if (info.kind != platform::PathKind::regularFile) return fail(error, path + " is not a file");
    if (info.size > kMaxInputFileBytes) return fail(error, path + " is larger than any file it could be");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(error, "cannot open " + path);
    bytes->assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return true;
}

bool readMidiFile(const std::string& path, double defaultTempo, std::vector<TimedMidi>* events, std::string* error) {
    std::vector<unsigned char> bytes;
    return readInputFile(path, &bytes, error) && parseMidiFile(bytes.data(), bytes.size(), defaultTempo, events, error);
}

bool parseNoteList(const std::string& text, double tempo, double endSeconds, std::vector<TimedMidi>* events,
                   std::string* error) {
    std::stringstream items(text);
    std::string item;
    double secondsPerBeat = 60.0 / tempo;
    while (std::getline(items, item, ',')) {
        if (item.empty()) continue;
        double fields[4] = {-1, 0, -1, 100};
        std::stringstream parts(item);
        std::string part;
        int n = 0;
        while (std::getline(parts, part, ':')) {
            if (n >= 4) return fail(error, "too many fields in note \"" + item + "\"");
            char* end = nullptr;
            fields[n] = std::strtod(part.c_str(), &end);
            if (part.empty() || *end || !std::isfinite(fields[n]))
                return fail(error, "not a number in note \"" + item + "\"");
            ++n;
        }
        // Starts and lengths in beats: at most a day of music at any tempo it may have.
        constexpr double kMostBeats = 1e6;
        if (fields[0] < 0 || fields[0] > 127 || fields[3] < 1 || fields[3] > 127 || fields[1] < 0 ||
            fields[1] > kMostBeats || (n > 2 && (fields[2] < 0 || fields[2] > kMostBeats)))
            return fail(error, "note \"" + item + "\" is out of range");
        int note = static_cast<int>(fields[0]);
        int velocity = static_cast<int>(fields[3]);
        TimedMidi on;
        on.seconds = fields[1] * secondsPerBeat;
        on.bytes[0] = 0x90;
        on.bytes[1] = static_cast<unsigned char>(note);
        on.bytes[2] = static_cast<unsigned char>(velocity);
        events->push_back(on);
        TimedMidi off = on;
        off.bytes[0] = 0x80;
        off.bytes[2] = 0;
        off.seconds = fields[2] < 0 ? endSeconds : on.seconds + fields[2] * secondsPerBeat;
        events->push_back(off);
    }
    return true;
}

void sortEvents(std::vector<TimedMidi>& events) {
    auto isOff = [](const TimedMidi& e) {
        return (e.bytes[0] & 0xF0) == 0x80 || ((e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] == 0);
    };
    std::stable_sort(events.begin(), events.end(), [&](const TimedMidi& a, const TimedMidi& b) {
        if (a.seconds != b.seconds) return a.seconds < b.seconds;
        return isOff(a) && !isOff(b);
    });
}

}  // namespace vexlo::host
