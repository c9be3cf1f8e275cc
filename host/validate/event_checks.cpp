// MIDI as players and sequencers send it: storms of notes, whole chords in one block, all
// notes off; and for MIDI effects, that every note they start they also end.
#include <algorithm>
#include <random>

#include "host/validate/checks.h"

namespace vexlo::host::validate {

namespace {

struct Note {
    int start, frames;
    unsigned char channel, key;
};

}  // namespace

void eventStorms(Subject& subject, CheckResult& result) {
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    Rig rig(*plugin, subject.watch());
    std::mt19937 random(53);
    long sent = 0;
    const int blocks = subject.times(200);
    for (int block = 0; block < blocks; ++block) {
        // Up to 32 events in sorted order, notes on and off at random, some of them ends of
        // notes never started.
        std::vector<int> deltas(static_cast<std::size_t>(random() % 33));
        for (int& delta : deltas) delta = static_cast<int>(random() % kBlock);
        std::sort(deltas.begin(), deltas.end());
        for (int delta : deltas) {
            const auto channel = static_cast<unsigned char>(random() % 16);
            const auto key = static_cast<unsigned char>(random() % 128);
            rig.add(delta, static_cast<unsigned char>((random() % 2 ? 0x90 : 0x80) | channel), key,
                    static_cast<unsigned char>(random() % 128));
        }
        sent += static_cast<long>(deltas.size());
        rig.process(kBlock);
    }
    // Every key of a channel at once, then all their ends at once.
    for (int key = 0; key < 128; ++key) rig.add(0, 0x90, static_cast<unsigned char>(key), 100);
    rig.process(kBlock);
    for (int key = 0; key < 128; ++key) rig.add(0, 0x80, static_cast<unsigned char>(key), 0);
    rig.process(kBlock);
    for (int key = 0; key < 128; key += 3) rig.add(0, 0x90, static_cast<unsigned char>(key), 127);
    rig.process(kBlock);
    // All notes off and all sound off on every channel.
    for (unsigned char channel = 0; channel < 16; ++channel) {
        rig.add(0, static_cast<unsigned char>(0xB0 | channel), 123, 0);
        rig.add(1, static_cast<unsigned char>(0xB0 | channel), 120, 0);
    }
    rig.process(kBlock);
    sent += 128 + 128 + 43 + 32;
    for (int block = 0; block < 40; ++block) rig.process(kBlock);
    result.figure("events", static_cast<double>(sent));
    result.figure("blocks", blocks + 44);
}

void eventNoHungNotes(Subject& subject, CheckResult& result) {
    if (!subject.isMidiEffect()) return result.skip("not a MIDI effect");
    std::string error;
    auto plugin = subject.running(&error);
    if (!plugin) return result.fail(error);
    Rig rig(*plugin, subject.watch());
    std::mt19937 random(67);
    // Overlapping notes of every length, some ending in the block they start in, then a chord
    // held long and a whole keyboard pressed at once; every note ends.
    std::vector<Note> notes;
    const int span = subject.times(400) * kBlock;
    for (int i = 0; i < subject.times(600); ++i)
        notes.push_back({static_cast<int>(random() % static_cast<unsigned>(span)),
                         1 + static_cast<int>(random() % (4 * kBlock)), static_cast<unsigned char>(random() % 2),
                         static_cast<unsigned char>(random() % 128)});
    for (unsigned char key : {48, 52, 55, 60}) notes.push_back({span, 40 * kBlock, 0, key});
    for (int key = 0; key < 128; ++key) notes.push_back({span + 50 * kBlock, kBlock / 2, 0, static_cast<unsigned char>(key)});
    struct Event {
        int at;
        unsigned char status, key, velocity;
    };
    std::vector<Event> events;
    for (const Note& note : notes) {
        events.push_back({note.start, static_cast<unsigned char>(0x90 | note.channel), note.key, 100});
        events.push_back({note.start + note.frames, static_cast<unsigned char>(0x80 | note.channel), note.key, 0});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.at < b.at; });
    const int end = events.back().at + 1;
    std::size_t next = 0;
    for (int start = 0; start < end + 4 * static_cast<int>(kRate); start += kBlock) {
        while (next < events.size() && events[next].at < start + kBlock) {
            const Event& e = events[next++];
            rig.add(e.at - start, e.status, e.key, e.velocity);
        }
        rig.process(kBlock);
    }
    result.figure("note-ons sent in", static_cast<double>(notes.size()));
    result.figure("note-ons that came out", static_cast<double>(rig.emittedNoteOns()));
    if (rig.hungNotes() > 0)
        result.fail(std::to_string(rig.hungNotes()) + " notes that came out never ended (4 s after the last note-off)");
}

}  // namespace vexlo::host::validate
