// An offline VST 2.4 host: loads plug-in libraries, drives them through their lifecycle,
// answers their calls and chains MIDI effects in front of an instrument.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/vst_records.h"
#include "hosting/hosted_child.h"
#include "platform/platform.h"

namespace vexlo::host {

// What the host tells its plug-ins about the session, and the transport they read.
class HostContext {
public:
    HostContext(double sampleRate = 44100.0, int blockSize = 512, double tempo = 120.0);

    double sampleRate() const { return timeInfo_.sampleRate; }
    int blockSize() const { return blockSize_; }
    double tempo() const { return timeInfo_.tempo; }

    void setSampleRate(double rate);
    void setBlockSize(int size) { blockSize_ = size; }
    void setTempo(double bpm) { timeInfo_.tempo = bpm; }
    // Whether audioMasterGetTime answers with the transport or with null.
    void setTimeInfoAvailable(bool available) { timeAvailable_ = available; }

    // The transport as plug-ins see it during the current block.
    VstTimeInfo* timeInfo() { return timeAvailable_ ? &timeInfo_ : nullptr; }
    // Moves the transport on by a block.
    void advance(int frames);
    void rewind();

private:
    VstTimeInfo timeInfo_{};
    int blockSize_;
    bool timeAvailable_ = true;
};

// One call a plug-in made to the host, kept when call recording is on.
struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
    std::string text;  // the text of audioMasterCanDo
};

// One MIDI event with the stage that emitted it.
using MidiEvent = VstMidiEvent;

MidiEvent makeMidiEvent(int deltaFrames, unsigned char status, unsigned char data1, unsigned char data2);

// A loaded plug-in library and the effect its entry returned.
class Plugin {
public:
    // Loads the library, calls its entry and keeps the record. On failure returns null and
    // says why in *error.
    static std::unique_ptr<Plugin> load(const std::string& path, HostContext& context, std::string* error);
    // The same for an entry linked into this program (no library to load).
    using Entry = AEffect*(VEXLO_CDECL*)(audioMasterCallback);
    static std::unique_ptr<Plugin> create(const std::string& name, Entry entry, HostContext& context,
                                          std::string* error);
    // The same for a library loaded already.
    static std::unique_ptr<Plugin> enter(const std::string& name, hosting::HostedChild&& library, Entry entry,
                                         HostContext& context, std::string* error);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    AEffect* effect() const { return child_.effect(); }
    hosting::HostedChild& child() { return child_; }
    const std::string& path() const { return path_; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    // The lifecycle: open, sample rate, block size, resume ... suspend, close.
    void open();
    void start();  // sample rate, block size and resume, from the context
    void stop();   // suspend
    // Closes the effect and returns the dispatcher's answer; the record is gone afterwards.
    // The destructor does this when needed.
    VstIntPtr close();
    bool isOpen() const { return child_.isLoaded(); }
    bool isRunning() const { return child_.isResumed(); }

    // Identity and names.
    std::string effectName();
    std::string vendorString();
    std::string productString();
    VstInt32 vendorVersion();
    VstInt32 canDo(const std::string& word);
    std::string parameterName(VstInt32 index);
    std::string parameterDisplay(VstInt32 index);
    std::string parameterLabel(VstInt32 index);
    std::string programName();
    bool isSynth() const { return child_.hasFlag(effFlagsIsSynth); }

    // Hands an event list to the plug-in (effProcessEvents).
    VstIntPtr processEvents(VstEvents* events);
    // Renders a block into outputs: processReplacing when the plug-in can, otherwise the
    // accumulating process over cleared outputs. Inputs may be null for silence.
    void process(float** inputs, float** outputs, VstInt32 frames);

    // Events the plug-in handed back through audioMasterProcessEvents since the last clear.
    std::vector<MidiEvent>& emittedEvents() { return emitted_; }
    void clearEmittedEvents() { emitted_.clear(); }

    // Calls made by the plug-in to the host (when recording is on).
    void setRecordCalls(bool record) { recordCalls_ = record; }
    std::vector<HostCall>& calls() { return calls_; }

    HostContext& context() { return context_; }

    // Makes the host give a fixed answer to one opcode of this plug-in, to try how a plug-in
    // copes with other hosts.
    void overrideAnswer(VstInt32 opcode, VstIntPtr answer);

    // Who resizes the plug-in's editor window when it asks (audioMasterSizeWindow). Without
    // one the host says it cannot ("sizeWindow" is not among its capabilities).
    void setWindowResizer(std::function<bool(int width, int height)> resizer) { resizer_ = std::move(resizer); }

    // Answers the plug-in's call to the host.
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

private:
    Plugin(std::string path, HostContext& context) : path_(std::move(path)), context_(context) {}

    std::string path_;
    HostContext& context_;
    hosting::HostedChild child_;
    bool recordCalls_ = false;
    std::vector<MidiEvent> emitted_;
    std::vector<HostCall> calls_;
    std::vector<std::pair<VstInt32, VstIntPtr>> overrides_;
    std::function<bool(int, int)> resizer_;
    std::vector<float> scratch_;
    std::vector<float*> inputPointers_;
};

// MIDI effects in front of an instrument: each stage's output events are the next stage's
// input in the same block.
class Chain {
public:
    explicit Chain(HostContext& context);

    void addMidiEffect(Plugin* plugin) { midiEffects_.push_back(plugin); }
    void setInstrument(Plugin* plugin) { instrument_ = plugin; }
    const std::vector<Plugin*>& midiEffects() const { return midiEffects_; }
    Plugin* instrument() const { return instrument_; }

    // Every plug-in: open, sample rate, block size, resume.
    void start();
    void stop();

    // Runs one block: the events (deltaFrames inside the block) go through the MIDI effects
    // into the instrument, whose outputs land in outputs (at least two channels). Then the
    // transport moves on.
    void processBlock(const std::vector<MidiEvent>& events, VstInt32 frames, float** outputs);

    // The events each stage emitted in the last block: stage 0 is the host's input.
    const std::vector<std::vector<MidiEvent>>& stageEvents() const { return stageEvents_; }

private:
    HostContext& context_;
    std::vector<Plugin*> midiEffects_;
    Plugin* instrument_ = nullptr;
    std::vector<std::vector<MidiEvent>> stageEvents_;
    std::vector<float> effectAudio_;
    std::vector<char> eventListStorage_;
};

// Builds a VstEvents list over the given events in storage owned by the caller.
VstEvents* buildEventList(std::vector<MidiEvent>& events, std::vector<char>& storage);

// The four characters of a unique ID, non-printable characters shown as '.'.
std::string fourCharacters(VstInt32 id);

}  // namespace vexlo::host
