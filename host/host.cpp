#include "host/host.h"

#include <algorithm>
#include <cstring>

#include "frame/event_list.h"

namespace vexlo::host {

namespace {

// The plug-in whose entry is running on this thread: its record is not ours to mark yet.
thread_local Plugin* loadingPlugin = nullptr;

VstIntPtr VEXLO_CDECL hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    Plugin* plugin = effect && effect->user ? static_cast<Plugin*>(effect->user) : loadingPlugin;
    if (!plugin) return opcode == audioMasterVersion ? 2400 : 0;
    return plugin->answer(opcode, index, value, ptr, opt);
}

constexpr const char* kHostCanDo[] = {
    canDoWords::sendVstEvents,      canDoWords::sendVstMidiEvent,    canDoWords::sendVstTimeInfo,
    canDoWords::receiveVstEvents,   canDoWords::receiveVstMidiEvent, canDoWords::sendVstMidiEventFlagIsRealtime,
    canDoWords::startStopProcess,
};

}  // namespace

// ---- HostContext ----

HostContext::HostContext(double sampleRate, int blockSize, double tempo) : blockSize_(blockSize) {
    timeInfo_.sampleRate = sampleRate;
    timeInfo_.tempo = tempo;
    timeInfo_.timeSigNumerator = 4;
    timeInfo_.timeSigDenominator = 4;
    timeInfo_.flags = kVstTransportPlaying | kVstTransportChanged | kVstPpqPosValid | kVstTempoValid |
                      kVstBarsValid | kVstTimeSigValid;
}

void HostContext::setSampleRate(double rate) { timeInfo_.sampleRate = rate; }

void HostContext::advance(int frames) {
    timeInfo_.samplePos += frames;
    timeInfo_.ppqPos = timeInfo_.samplePos / timeInfo_.sampleRate * timeInfo_.tempo / 60.0;
    timeInfo_.barStartPos = 4.0 * static_cast<long long>(timeInfo_.ppqPos / 4.0);
    timeInfo_.flags &= ~kVstTransportChanged;
}

void HostContext::rewind() {
    timeInfo_.samplePos = 0;
    timeInfo_.ppqPos = 0;
    timeInfo_.barStartPos = 0;
    timeInfo_.flags |= kVstTransportChanged;
}

MidiEvent makeMidiEvent(int deltaFrames, unsigned char status, unsigned char data1, unsigned char data2) {
    MidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = 24;  // the standard counts the bytes after type and byteSize
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

std::string fourCharacters(VstInt32 id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((static_cast<std::uint32_t>(id) >> shift) & 0xFF);
        text += (c >= 32 && c < 127) ? c : '.';
    }
    return text;
}

VstEvents* buildEventList(std::vector<MidiEvent>& events, std::vector<char>& storage) {
    std::size_t slots = std::max<std::size_t>(events.size(), 2);
    storage.assign(offsetof(VstEvents, events) + slots * sizeof(VstEvent*), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) eventsOf(list)[i] = reinterpret_cast<VstEvent*>(&events[i]);
    return list;
}

// ---- Plugin ----

std::unique_ptr<Plugin> Plugin::load(const std::string& path, HostContext& context, std::string* error) {
    hosting::HostedChild library;
    if (!library.loadLibrary(path, error)) return nullptr;
    return enter(path, std::move(library), nullptr, context, error);
}

std::unique_ptr<Plugin> Plugin::create(const std::string& name, Entry entry, HostContext& context,
                                       std::string* error) {
    return enter(name, hosting::HostedChild(), entry, context, error);
}

std::unique_ptr<Plugin> Plugin::enter(const std::string& name, hosting::HostedChild&& library, Entry entry,
                                      HostContext& context, std::string* error) {
    std::unique_ptr<Plugin> plugin(new Plugin(name, context));
    plugin->child_ = std::move(library);
    plugin->emitted_.reserve(4096);
    loadingPlugin = plugin.get();
    const bool entered = entry ? plugin->child_.enter(entry, hostCallback) : plugin->child_.enter(hostCallback);
    loadingPlugin = nullptr;
    if (!entered) {
        if (error) *error = name + ": the entry returned no plug-in record";
        return nullptr;
    }
    plugin->child_.setOwner(plugin.get());
    return plugin;
}

Plugin::~Plugin() { close(); }

VstIntPtr Plugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return child_.dispatch(opcode, index, value, ptr, opt);
}

void Plugin::open() { child_.open(); }

void Plugin::start() {
    if (!child_.isLoaded() || child_.isResumed()) return;
    child_.open(static_cast<float>(context_.sampleRate()), context_.blockSize());
}

void Plugin::stop() { child_.suspend(); }

VstIntPtr Plugin::close() { return child_.close(false); }

void Plugin::overrideAnswer(VstInt32 opcode, VstIntPtr answer) { overrides_.emplace_back(opcode, answer); }

std::string Plugin::effectName() { return child_.text(effGetEffectName); }
std::string Plugin::vendorString() { return child_.text(effGetVendorString); }
std::string Plugin::productString() { return child_.text(effGetProductString); }
VstInt32 Plugin::vendorVersion() { return static_cast<VstInt32>(dispatch(effGetVendorVersion)); }
std::string Plugin::parameterName(VstInt32 index) { return child_.text(effGetParamName, index); }
std::string Plugin::parameterDisplay(VstInt32 index) { return child_.text(effGetParamDisplay, index); }
std::string Plugin::parameterLabel(VstInt32 index) { return child_.text(effGetParamLabel, index); }
std::string Plugin::programName() { return child_.programName(); }

VstInt32 Plugin::canDo(const std::string& word) {
    std::vector<char> text(word.begin(), word.end());
    text.push_back(0);
    return static_cast<VstInt32>(dispatch(effCanDo, 0, 0, text.data()));
}

VstIntPtr Plugin::processEvents(VstEvents* events) { return child_.processEvents(events); }

void Plugin::process(float** inputs, float** outputs, VstInt32 frames) {
    if (!child_.isLoaded()) return;
    std::size_t inputCount = static_cast<std::size_t>(child_.numInputs());
    if (!inputs && inputCount > 0) {
        // Plug-ins with inputs get silence.
        if (scratch_.size() < static_cast<std::size_t>(frames)) scratch_.assign(static_cast<std::size_t>(frames), 0.0f);
        std::fill(scratch_.begin(), scratch_.begin() + frames, 0.0f);
        inputPointers_.assign(inputCount, scratch_.data());
        inputs = inputPointers_.data();
    }
    // An accumulating plug-in adds to silence.
    if (!child_.hasFlag(effFlagsCanReplacing))
        for (VstInt32 channel = 0; channel < child_.numOutputs(); ++channel)
            std::fill(outputs[channel], outputs[channel] + frames, 0.0f);
    child_.process(inputs, outputs, frames);
}

VstIntPtr Plugin::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (recordCalls_ && opcode != audioMasterGetTime && opcode != audioMasterProcessEvents) {
        HostCall call{opcode, index, value, opt, {}};
        if (opcode == audioMasterCanDo && ptr) call.text = static_cast<const char*>(ptr);
        calls_.push_back(std::move(call));
    }
    for (const auto& [overridden, fixed] : overrides_)
        if (overridden == opcode) return fixed;
    switch (opcode) {
    case audioMasterAutomate: return 1;
    case audioMasterVersion: return 2400;
    case audioMasterCurrentId: return child_.uniqueId();
    case audioMasterIdle: return 1;
    case audioMasterPinConnected: return 0;  // every pin is connected
    case audioMasterWantMidi: return 1;
    case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(context_.timeInfo());
    case audioMasterProcessEvents: {
        auto* list = static_cast<VstEvents*>(ptr);
        if (!list) return 0;
        for (VstInt32 i = 0; i < list->numEvents; ++i) {
            const VstEvent* event = eventsOf(list)[i];
            if (!event || event->type != kVstMidiType) continue;
            MidiEvent copy{};
            std::memcpy(&copy, event, sizeof(copy));
            if (emitted_.size() < emitted_.capacity()) emitted_.push_back(copy);
        }
        return 1;
    }
    case audioMasterIOChanged: return 1;
    case audioMasterSizeWindow:
        return resizer_ && resizer_(static_cast<int>(index), static_cast<int>(value)) ? 1 : 0;
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(context_.sampleRate());
    case audioMasterGetBlockSize: return context_.blockSize();
    case audioMasterGetCurrentProcessLevel: return 0;
    case audioMasterGetAutomationState: return 1;  // automation off
    case audioMasterGetVendorString:
        if (ptr) std::strcpy(static_cast<char*>(ptr), "Vexloworks");
        return ptr ? 1 : 0;
    case audioMasterGetProductString:
        if (ptr) std::strcpy(static_cast<char*>(ptr), "vexlo-host");
        return ptr ? 1 : 0;
    case audioMasterGetVendorVersion: return 1000;
    case audioMasterCanDo: {
        if (!ptr) return 0;
        const char* word = static_cast<const char*>(ptr);
        if (std::strcmp(word, "sizeWindow") == 0) return resizer_ ? 1 : 0;
        for (const char* known : kHostCanDo)
            if (std::strcmp(word, known) == 0) return 1;
        return 0;
    }
    case audioMasterGetLanguage: return 1;  // English
    case audioMasterUpdateDisplay: return 1;
    case audioMasterBeginEdit:
    case audioMasterEndEdit: return 1;
    default: return 0;
    }
}

// ---- Chain ----

Chain::Chain(HostContext& context) : context_(context) {}

void Chain::start() {
    for (Plugin* effect : midiEffects_) effect->start();
    if (instrument_) instrument_->start();
}

void Chain::stop() {
    for (Plugin* effect : midiEffects_) effect->stop();
    if (instrument_) instrument_->stop();
}

void Chain::processBlock(const std::vector<MidiEvent>& events, VstInt32 frames, float** outputs) {
    stageEvents_.resize(midiEffects_.size() + 1);
    stageEvents_[0] = events;
    std::vector<MidiEvent> current = events;

    effectAudio_.assign(static_cast<std::size_t>(frames), 0.0f);

    for (std::size_t stage = 0; stage < midiEffects_.size(); ++stage) {
        Plugin* effect = midiEffects_[stage];
        effect->clearEmittedEvents();
        VstEvents* list = buildEventList(current, eventListStorage_);
        effect->processEvents(list);
        // MIDI effects may have any number of outputs; they all share one throw-away buffer.
        std::vector<float*> outs(static_cast<std::size_t>(std::max(effect->effect()->numOutputs, 2)),
                                 effectAudio_.data());
        effect->process(nullptr, outs.data(), frames);
        current = effect->emittedEvents();
        // An effect may hand back the events it used up, blanked: no stage after it gets those.
        current.erase(std::remove_if(current.begin(), current.end(),
                                     [](const MidiEvent& e) { return !isLiveEvent(reinterpret_cast<const VstEvent*>(&e)); }),
                      current.end());
        std::stable_sort(current.begin(), current.end(),
                         [](const MidiEvent& a, const MidiEvent& b) { return a.deltaFrames < b.deltaFrames; });
        stageEvents_[stage + 1] = current;
    }

    if (instrument_) {
        instrument_->clearEmittedEvents();
        VstEvents* list = buildEventList(current, eventListStorage_);
        instrument_->processEvents(list);
        int channels = std::max(instrument_->effect()->numOutputs, 2);
        std::vector<float> spare;
        std::vector<float*> outs(outputs, outputs + 2);
        if (channels > 2) {
            spare.assign(static_cast<std::size_t>(frames), 0.0f);
            outs.resize(static_cast<std::size_t>(channels), spare.data());
        }
        instrument_->process(nullptr, outs.data(), frames);
        if (instrument_->effect()->numOutputs == 1)
            std::copy(outputs[0], outputs[0] + frames, outputs[1]);  // a mono instrument plays on both sides
    } else {
        std::fill(outputs[0], outputs[0] + frames, 0.0f);
        std::fill(outputs[1], outputs[1] + frames, 0.0f);
    }
    context_.advance(frames);
}

}  // namespace vexlo::host
