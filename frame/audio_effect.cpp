#include "frame/audio_effect.h"

#include <cmath>
#include <cstring>

namespace {

AudioEffect* owner(AEffect* e) { return static_cast<AudioEffect*>(e->object); }

// No exception may cross into a host written in another language or built by another compiler:
// a request that throws (out of memory, for one) answers 0 and the host's process lives on.
VstIntPtr VEXLO_CDECL dispatchTrampoline(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt) {
    AudioEffect* effect = owner(e);
    VstIntPtr result = 0;
    try {
        result = effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        result = 0;
    }
    if (opcode == effClose) {
        delete effect;
        return 1;
    }
    return result;
}

void VEXLO_CDECL processTrampoline(AEffect* e, float** in, float** out, VstInt32 frames) {
    owner(e)->process(in, out, frames);
}

void VEXLO_CDECL processReplacingTrampoline(AEffect* e, float** in, float** out, VstInt32 frames) {
    owner(e)->processReplacing(in, out, frames);
}

void VEXLO_CDECL processDoubleReplacingTrampoline(AEffect* e, double** in, double** out, VstInt32 frames) {
    owner(e)->processDoubleReplacing(in, out, frames);
}

void VEXLO_CDECL setParameterTrampoline(AEffect* e, VstInt32 index, float value) {
    try {
        owner(e)->setParameter(index, value);
    } catch (...) {
    }
}

float VEXLO_CDECL getParameterTrampoline(AEffect* e, VstInt32 index) { return owner(e)->getParameter(index); }

}  // namespace

char* vstStrncpy(char* dst, const char* src, VstInt32 maxLen) {
    VstInt32 i = 0;
    for (; i < maxLen && src[i]; ++i) dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

char* vstStrncat(char* dst, const char* src, VstInt32 maxLen) {
    VstInt32 used = static_cast<VstInt32>(std::strlen(dst));
    if (used < maxLen) vstStrncpy(dst + used, src, maxLen - used);
    dst[maxLen] = 0;
    return dst;
}

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchTrampoline;
    cEffect.process = processTrampoline;
    cEffect.setParameter = setParameterTrampoline;
    cEffect.getParameter = getParameterTrampoline;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingTrampoline;
    cEffect.processDoubleReplacing = processDoubleReplacingTrampoline;
    canProcessReplacing(true);
}

AudioEffect::~AudioEffect() { delete editor; }

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        if (value < numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: setProgramName(static_cast<char*>(ptr)); return 0;
    case effGetProgramName: getProgramName(static_cast<char*>(ptr)); return 0;
    case effGetParamLabel: getParameterLabel(index, static_cast<char*>(ptr)); return 0;
    case effGetParamDisplay: getParameterDisplay(index, static_cast<char*>(ptr)); return 0;
    case effGetParamName: getParameterName(index, static_cast<char*>(ptr)); return 0;
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
    case effMainsChanged:
        if (value) resume();
        else suspend();
        return 0;
    case effEditGetRect: return editor && editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen: return editor && editor->open(ptr) ? 1 : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify: return fourCharCode('N', 'v', 'E', 'f');
    case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk: return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default: return 0;
    }
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion() {
    VstInt32 version = static_cast<VstInt32>(callHost(audioMasterVersion));
    return version ? version : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId() { return static_cast<VstInt32>(callHost(audioMasterCurrentId)); }

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(VstInt32 input) {
    return !audioMaster || callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return !audioMaster || callHost(audioMasterPinConnected, output, 1) == 0;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setFlag(VstInt32 flag, bool state) {
    if (state) cEffect.flags |= flag;
    else cEffect.flags &= ~flag;
}

// ---- Text helpers for parameter displays -----------------------------------------------------

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    if (value <= 0.0f) vstStrncpy(text, "-oo", maxLen);
    else float2string(static_cast<float>(20.0 * std::log10(value)), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    float hz = samples == 0.0f ? 0.0f : static_cast<float>(sampleRate * (1.0 / samples));
    float2string(hz, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    float2string(static_cast<float>(1000.0 * samples / sampleRate), text, maxLen);
}

// Eight characters in all: the integer part first, then as many fraction digits as fit.
void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    constexpr int kWidth = 8;
    double v = value;
    bool negative = v < 0.0;
    if (negative) v = -v;
    if ((negative && v > 9999999.0) || (!negative && v > 99999999.0)) {
        vstStrncpy(text, "Huge!", maxLen);
        return;
    }

    char buffer[32];
    char* s = buffer + sizeof(buffer) - 1;
    *s-- = 0;
    *s-- = '.';
    int used = negative ? 2 : 1;
    double integer = std::floor(v);
    do {
        *s-- = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.0)));
        integer = std::floor(integer / 10.0);
        ++used;
    } while (integer >= 1.0);  // never drop leading digits, even when they fill all eight places
    if (negative) *s-- = '-';
    vstStrncpy(text, s + 1, maxLen);
    if (used >= kWidth) return;

    int remaining = kWidth - used;
    char fraction[16];
    char* f = fraction + sizeof(fraction) - 1;
    *f-- = 0;
    double mantissa = std::fmod(v, 1.0) * std::pow(10.0, remaining);
    for (int i = 0; i < remaining; ++i) {
        if (mantissa <= 0.0) {
            *f-- = '0';
        } else {
            *f-- = static_cast<char>('0' + static_cast<int>(std::fmod(mantissa, 10.0)));
            mantissa /= 10.0;
        }
    }
    vstStrncat(text, f + 1, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    if (value >= 100000000) {
        vstStrncpy(text, "Huge!", maxLen);
        return;
    }
    char buffer[16];
    char* s = buffer + sizeof(buffer) - 1;
    *s = 0;
    long long v = value;
    bool negative = v < 0;
    if (negative) v = -v;
    do {
        *--s = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    if (negative) *--s = '-';
    vstStrncpy(text, s, maxLen);
}
