#include "host/validate/subject.h"

#include <algorithm>
#include <chrono>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "platform/allocation_counter.h"

namespace vexlo::host::validate {

std::unique_ptr<Plugin> Subject::instance(std::string* error) {
    auto plugin = Plugin::load(options_.plugin, context_, error);
    if (!plugin) return nullptr;
    plugin->open();
    if (!options_.setupChunk.empty()) plugin->child().setChunk(options_.setupChunk);
    return plugin;
}

std::unique_ptr<Plugin> Subject::running(std::string* error) {
    auto plugin = instance(error);
    if (plugin) plugin->start();
    return plugin;
}

int Subject::times(int n) const { return std::max(1, n * std::clamp(options_.level, 1, 10) / 10); }

Rig::Rig(Plugin& plugin, AudioWatch& watch) : plugin_(plugin), watch_(watch) {
    const AEffect* effect = plugin.effect();
    const int outputs = std::max(effect->numOutputs, 2), inputs = std::max(effect->numInputs, 0);
    storage_.resize(static_cast<std::size_t>(outputs + inputs));
    for (auto& channel : storage_) {
        channel.assign(static_cast<std::size_t>(kMaxBlock + 2 * kGuard), 0.0f);
        for (int i = 0; i < kGuard; ++i) std::memcpy(&channel[static_cast<std::size_t>(i)], &kGuardPattern, sizeof(float));
    }
    for (int c = 0; c < outputs; ++c) outputs_.push_back(storage_[static_cast<std::size_t>(c)].data());
    for (int c = 0; c < inputs; ++c) inputs_.push_back(storage_[static_cast<std::size_t>(outputs + c)].data());
    for (float* channel : outputs_) outputPointers_.push_back(channel + kGuard);
    for (float* channel : inputs_) inputPointers_.push_back(channel + kGuard);
    events_.resize(kMaxEvents);
    listStorage_.assign(offsetof(VstEvents, events) + kMaxEvents * sizeof(VstEvent*), 0);
    plugin.emittedEvents().reserve(4096);
}

void Rig::add(int deltaFrames, unsigned char status, unsigned char data1, unsigned char data2) {
    if (eventCount_ < kMaxEvents) events_[static_cast<std::size_t>(eventCount_++)] = makeMidiEvent(deltaFrames, status, data1, data2);
}

void Rig::process(int frames) {
    frames = std::clamp(frames, 1, kMaxBlock);
    // The zone after a channel starts right after this block's frames: a plug-in that writes
    // one frame more than it was given is caught even in a block shorter than the buffer.
    for (auto& channel : storage_) {
        float* frame = channel.data() + kGuard;
        std::fill(frame, frame + frames, 0.0f);
        for (int i = frames; i < frames + kGuard; ++i) std::memcpy(frame + i, &kGuardPattern, sizeof(float));
    }
    auto* list = reinterpret_cast<VstEvents*>(listStorage_.data());
    list->numEvents = eventCount_;
    for (int i = 0; i < eventCount_; ++i)
        eventsOf(list)[i] = reinterpret_cast<VstEvent*>(&events_[static_cast<std::size_t>(i)]);
    plugin_.clearEmittedEvents();

    const auto start = std::chrono::steady_clock::now();
    if (counting_) platform::beginCountingAllocations();
    if (eventCount_ > 0) plugin_.processEvents(list);
    plugin_.process(inputPointers_.empty() ? nullptr : inputPointers_.data(), outputPointers_.data(), frames);
    if (counting_) allocations_ += platform::endCountingAllocations();
    lastSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    eventCount_ = 0;
    plugin_.context().advance(frames);
    checkBlock(frames);
    tallyEmitted();
}

void Rig::checkBlock(int frames) {
    ++watch_.blocks;
    lastPeak_ = 0;
    lastDenormal_ = false;
    const int audible = std::max(plugin_.effect()->numOutputs, 0);
    for (std::size_t c = 0; c < storage_.size(); ++c) {
        const auto& channel = storage_[c];
        for (int i = 0; i < kGuard; ++i) {
            std::uint32_t before, after;
            std::memcpy(&before, &channel[static_cast<std::size_t>(i)], sizeof(before));
            std::memcpy(&after, &channel[static_cast<std::size_t>(kGuard + frames + i)], sizeof(after));
            if (before == kGuardPattern && after == kGuardPattern) continue;
            if (watch_.guardWrites++ == 0)
                watch_.firstGuardWrite = std::string(c < outputs_.size() ? "output " : "input ") +
                                         std::to_string(c < outputs_.size() ? c : c - outputs_.size()) +
                                         (before != kGuardPattern ? " before its first frame" : " past its last frame") +
                                         " (block of " + std::to_string(frames) + ", in " + watch_.check + ")";
            break;
        }
        if (c >= static_cast<std::size_t>(audible)) continue;
        for (int i = 0; i < frames; ++i) {
            const float v = channel[static_cast<std::size_t>(kGuard + i)];
            if (!std::isfinite(v)) {
                if (watch_.nonFinite++ == 0)
                    watch_.firstNonFinite = std::string(std::isnan(v) ? "NaN" : "infinity") + " in output " +
                                            std::to_string(c) + " at frame " + std::to_string(i) + " of a block of " +
                                            std::to_string(frames) + " (in " + watch_.check + ")";
                continue;
            }
            lastPeak_ = std::max(lastPeak_, std::fabs(v));
            if (v != 0.0f && std::fabs(v) < FLT_MIN) lastDenormal_ = true;
        }
    }
}

void Rig::tallyEmitted() {
    for (const MidiEvent& event : plugin_.emittedEvents()) {
        const unsigned status = static_cast<unsigned char>(event.midiData[0]);
        const unsigned kind = status & 0xF0, channel = status & 0x0F;
        const unsigned note = static_cast<unsigned char>(event.midiData[1]) & 0x7F;
        const bool on = kind == 0x90 && event.midiData[2] != 0;
        const bool off = kind == 0x80 || (kind == 0x90 && event.midiData[2] == 0);
        int& sounding = sounding_[channel][note];
        if (on) {
            ++sounding;
            ++emittedNoteOns_;
        } else if (off && sounding > 0) {
            --sounding;
        } else if (kind == 0xB0 && (event.midiData[1] == 123 || event.midiData[1] == 120)) {
            sounding_[channel].fill(0);  // all notes off ends every note of its channel
        }
    }
}

int Rig::hungNotes() const {
    int hung = 0;
    for (const auto& channel : sounding_)
        for (int sounding : channel) hung += sounding;
    return hung;
}

void playChord(Rig& rig, int velocity) {
    for (unsigned char note : {48, 60, 64, 67}) rig.add(0, 0x90, note, static_cast<unsigned char>(velocity));
}

void releaseChord(Rig& rig) {
    for (unsigned char note : {48, 60, 64, 67}) rig.add(0, 0x80, note, 0);
}

void chordCycle(Rig& rig, long block, int period, int releaseAt, int velocity) {
    if (block % period == 0) playChord(rig, velocity);
    if (block % period == releaseAt) releaseChord(rig);
}

std::vector<float> renderSeconds(Rig& rig, double seconds, int block) {
    std::vector<float> kept;
    const long total = static_cast<long>(seconds * kRate);
    kept.reserve(static_cast<std::size_t>(2 * total + 2 * block));
    for (long done = 0; done < total; done += block) {
        rig.process(block);
        kept.insert(kept.end(), rig.output(0), rig.output(0) + block);
        kept.insert(kept.end(), rig.output(1), rig.output(1) + block);
    }
    return kept;
}

}  // namespace vexlo::host::validate
