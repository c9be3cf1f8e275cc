// What both MIDI plug-ins of the family answer alike: their names, vendor, pins, capabilities
// and programs that hold nothing of their own.
#pragma once

#include <cstring>

#include "frame/audio_effect_x.h"
#include "frame/event_list.h"
#include "frame/family.h"

namespace vexlo {

class MidiPluginEffect : public AudioEffectX {
public:
    MidiPluginEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams, const char* name)
        : AudioEffectX(audioMaster, numPrograms, numParams), name_(name) {}

    bool getEffectName(char* text) override { return copyName(text, name_, kVstMaxEffectNameLen); }
    bool getVendorString(char* text) override { return copyName(text, kVendor, kVstMaxVendorStrLen); }
    bool getProductString(char* text) override { return copyName(text, name_, kVstMaxProductStrLen); }
    VstInt32 getVendorVersion() override { return kVendorVersion; }
    // They take events and send MIDI; exact, case-sensitive words.
    VstInt32 canDo(char* text) override {
        return !std::strcmp(text, canDoWords::receiveVstEvents) || !std::strcmp(text, "receiveVstMidiEvents") ||
                       !std::strcmp(text, canDoWords::sendVstMidiEvent)
                   ? 1
                   : -1;
    }
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override {
        return stereoOutputProperties(index, properties);
    }
    bool getProgramNameIndexed(VstInt32, VstInt32, char* text) override {
        *text = 0;
        return true;
    }

protected:
    // Hands the host the events of a list that are still events, in batches of the room kept
    // for them: the host never gets one that was used up and blanked. True when the host took
    // every batch, or there was nothing to hand on.
    bool sendLiveEventsToHost(VstEvents* events) {
        bool taken = true;
        passing_.clear();
        for (VstInt32 i = 0; events && i < events->numEvents; ++i) {
            VstEvent* event = eventsOf(events)[i];
            if (!isLiveEvent(event)) continue;
            passing_.add(event);
            if (passing_.full()) {
                taken = sendVstEventsToHost(passing_.list()) && taken;
                passing_.clear();
            }
        }
        if (passing_.size() > 0) taken = sendVstEventsToHost(passing_.list()) && taken;
        return taken;
    }

private:
    const char* name_;
    EventList<512> passing_;
};

}  // namespace vexlo
