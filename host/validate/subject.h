// What the checks share: fresh instances of the plug-in under test, and a rig that processes
// blocks through one instance in guarded buffers, watching what comes out.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/validate/validator.h"

namespace vexlo::host::validate {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kMaxBlock = 4096;

// Faults seen in any block of any check; the audio checks report them at the end.
struct AudioWatch {
    std::string check;  // the check that is processing, named in the first fault of each kind
    long blocks = 0;
    long nonFinite = 0;
    std::string firstNonFinite;
    long guardWrites = 0;
    std::string firstGuardWrite;
};

class Subject {
public:
    Subject(const Options& options, AudioWatch& watch) : options_(options), watch_(watch) {}

    // A loaded, opened instance with the set-up chunk applied, suspended; null with a reason.
    std::unique_ptr<Plugin> instance(std::string* error);
    // The same, resumed at the context's rate and block size.
    std::unique_ptr<Plugin> running(std::string* error);

    HostContext& context() { return context_; }
    AudioWatch& watch() { return watch_; }
    const Options& options() const { return options_; }
    // How often a check repeats what it does n times at the strictest level.
    int times(int n) const;
    // What the plug-in is, from its first instance.
    bool isMidiEffect() const { return midiEffect_; }
    void setMidiEffect(bool midi) { midiEffect_ = midi; }

private:
    const Options& options_;
    AudioWatch& watch_;
    HostContext context_{kRate, kBlock};
    bool midiEffect_ = false;
};

// Processes blocks through one instance. Each channel sits between guard zones that must come
// back untouched, the events go in through a list of its own, and nothing here allocates once
// made, so that the allocation check sees only the plug-in's own.
class Rig {
public:
    Rig(Plugin& plugin, AudioWatch& watch);

    // Queues one event for the next block (dropped when the block is full).
    void add(int deltaFrames, unsigned char status, unsigned char data1, unsigned char data2);
    // Processes one block of the queued events; with counting on, the allocations the plug-in
    // makes meanwhile on this thread are added up.
    void process(int frames);

    const float* output(int channel) const { return outputs_[static_cast<std::size_t>(channel)] + kGuard; }
    int outputCount() const { return static_cast<int>(outputs_.size()); }
    // The largest magnitude in the last block, and whether any sample of it was a denormal.
    float lastPeak() const { return lastPeak_; }
    bool lastHadDenormal() const { return lastDenormal_; }

    void setCounting(bool counting) { counting_ = counting; }
    std::size_t allocations() const { return allocations_; }
    double lastBlockSeconds() const { return lastSeconds_; }

    // The notes the plug-in's own events (a MIDI effect's output) left sounding.
    int hungNotes() const;
    long emittedNoteOns() const { return emittedNoteOns_; }

private:
    static constexpr int kGuard = 64;
    static constexpr int kMaxEvents = 1024;
    static constexpr std::uint32_t kGuardPattern = 0x7FA5A5A5;  // a quiet NaN no plug-in writes by chance

    void checkBlock(int frames);
    void tallyEmitted();

    Plugin& plugin_;
    AudioWatch& watch_;
    std::vector<std::vector<float>> storage_;
    std::vector<float*> outputs_, inputs_;
    std::vector<float*> outputPointers_, inputPointers_;
    std::vector<MidiEvent> events_;
    std::vector<char> listStorage_;
    int eventCount_ = 0;
    bool counting_ = false;
    std::size_t allocations_ = 0;
    double lastSeconds_ = 0;
    float lastPeak_ = 0;
    bool lastDenormal_ = false;
    std::array<std::array<int, 128>, 16> sounding_{};
    long emittedNoteOns_ = 0;
};

// A chord of four notes at the start of a block, and their ends.
void playChord(Rig& rig, int velocity = 100);
void releaseChord(Rig& rig);
// Music that keeps going over many blocks: the chord starts at every period-th block and ends
// releaseAt blocks later.
void chordCycle(Rig& rig, long block, int period, int releaseAt, int velocity = 100);
// Renders seconds of audio through the rig in blocks, channel 0 and 1 kept (interleaved by block).
std::vector<float> renderSeconds(Rig& rig, double seconds, int block = kBlock);

}  // namespace vexlo::host::validate
