// A plug-in that keeps every default of the frame, so that tests can see the frame's own
// behaviour through the real exported entry. effVendorSpecific reaches the frame's services
// that no host opcode reaches: index chooses the service (see ProbeCall in frame_probe.h).
#include <cstring>

#include "frame/audio_effect_x.h"
#include "tests/plugins/frame_probe.h"

namespace {

class ProbeEditor : public AEffEditor {
public:
    using AEffEditor::AEffEditor;
};

class FrameProbe : public AudioEffectX {
public:
    explicit FrameProbe(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 4, 2) {}

    ~FrameProbe() override { callHost(audioMasterVendorSpecific, kProbeDestroyed); }

    void processReplacing(float**, float**, VstInt32) override {}

    VstIntPtr vendorSpecific(VstInt32 call, VstIntPtr value, void* ptr, float opt) override {
        char* text = static_cast<char*>(ptr);
        const auto length = static_cast<VstInt32>(value);
        switch (call) {
        case kProbeCanHostDo: return canHostDo(text);
        case kProbeUpdateSampleRate: return static_cast<VstIntPtr>(updateSampleRate());
        case kProbeUpdateBlockSize: return updateBlockSize();
        case kProbeSampleRate: return static_cast<VstIntPtr>(getSampleRate());
        case kProbeBlockSize: return getBlockSize();
        case kProbeSetParameterAutomated: setParameterAutomated(length, opt); return 1;
        case kProbeSendEvents: return sendVstEventsToHost(static_cast<VstEvents*>(ptr)) ? 1 : 0;
        case kProbeTimeInfo: return reinterpret_cast<VstIntPtr>(getTimeInfo(length));
        case kProbeFloat2String: float2string(opt, text, length); return 1;
        case kProbeInt2String: int2string(static_cast<VstInt32>(opt), text, length); return 1;
        case kProbeDb2String: dB2string(opt, text, length); return 1;
        case kProbeHz2String: Hz2string(opt, text, length); return 1;
        case kProbeMs2String: ms2string(opt, text, length); return 1;
        case kProbeMasterVersion: return getMasterVersion();
        case kProbeInputConnected: return isInputConnected(length) ? 1 : 0;
        case kProbeAttachEditor:
            delete editor;  // the effect owns the editor it replaces
            setEditor(length ? new ProbeEditor(this) : nullptr);
            return cEffect.flags;
        case kProbeIsSynth: isSynth(length != 0); return cEffect.flags;
        case kProbeBeginEdit: return beginEdit(length) ? 1 : 0;
        case kProbeSpeakers: return speakersRoundTrip(length) ? 1 : 0;
        case kProbeResume: resume(); return 1;
        case kProbeHostVendor: return getHostVendorString(text) ? 1 : 0;
        default: return 0;
        }
    }

private:
    // Builds an arrangement of n named speakers, matches a copy to it and compares.
    bool speakersRoundTrip(VstInt32 channels) {
        VstSpeakerArrangement* source = nullptr;
        VstSpeakerArrangement* copy = nullptr;
        if (!allocateArrangement(&source, channels)) return false;
        source->type = 42;
        for (VstInt32 i = 0; i < channels; ++i) {
            VstSpeakerProperties& speaker = speakersOf(source)[i];
            speaker.azimuth = 0.1f * i;
            speaker.type = i + 1;
            std::memset(speaker.name, 'n', sizeof(speaker.name));  // unterminated on purpose
            speaker.future[27] = static_cast<char>(i);
        }
        bool ok = matchArrangement(&copy, source) && copy->numChannels == channels && copy->type == 42;
        for (VstInt32 i = 0; ok && i < channels; ++i) {
            const VstSpeakerProperties& c = speakersOf(copy)[i];
            ok = c.azimuth == 0.1f * i && c.type == i + 1 && std::strlen(c.name) == 63 &&
                 c.future[27] == static_cast<char>(i);
        }
        ok = ok && !copySpeaker(nullptr, &speakersOf(source)[0]) && !matchArrangement(&copy, nullptr);
        deallocateArrangement(&source);
        deallocateArrangement(&copy);
        return ok && source == nullptr && copy == nullptr;
    }
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new FrameProbe(audioMaster); }
