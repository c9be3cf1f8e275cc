// The arpeggiator's engine: key collection, sequence building, the tick clock and the
// per-sample loop. Everything here runs on the host's processing thread and never allocates.
#include <climits>
#include <cmath>
#include <cstring>

#include "arp/arp_effect.h"

namespace vexlo::arp {

namespace {

// Each thread draws from its own generator, which starts at 1 and is never seeded, so a given
// input gives the same notes in every build.
thread_local std::uint32_t randomState = 1;

int nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFF);
}

// The float closest below 1/32767: bit pattern 0x38000100.
float randomScale() {
    const std::uint32_t bits = 0x38000100u;
    float scale;
    std::memcpy(&scale, &bits, sizeof(scale));
    return scale;
}

constexpr int kTimeFilter = kVstPpqPosValid | kVstTempoValid | kVstBarsValid;  // 0x0E00

enum class Family { none, up, down, upDown, random, order };

struct ModeShape {
    Family family;
    int octaves;  // extra octave passes beyond the first
};

ModeShape shapeOf(float modeValue) {
    if (!(modeValue > -1.0f && modeValue < 24.0f)) return {Family::none, 0};
    int mode = static_cast<int>(modeValue);
    switch (mode) {
    case 0: case 1: case 2: case 3: return {Family::up, mode};
    case 5: case 6: case 7: case 8: return {Family::down, mode - 5};
    case 10: case 11: case 12: case 13: return {Family::upDown, mode - 10};
    case 15: return {Family::random, 0};
    case 16: case 17: case 18: return {Family::random, mode - 14};
    case 20: case 21: case 22: case 23: return {Family::order, mode - 20};
    default: return {Family::none, 0};
    }
}

}  // namespace

void ArpEffect::recomputeTickLength() {
    samplesPerTick = static_cast<float>(sampleRate * (240.0f / lastTempo.load()) * (tickNumerator / tickDenominator));
}

// ---- Collecting notes ----

VstInt32 ArpEffect::processEvents(VstEvents* events) {
    if (!events || events->numEvents <= 0) return 1;
    if (bypass) {
        resetState();
        return sendLiveEventsToHost(events) ? 1 : 0;
    }
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        VstEvent* event = eventsOf(events)[i];
        if (!event || event->type != kVstMidiType) continue;
        auto* midi = reinterpret_cast<VstMidiEvent*>(event);
        const unsigned kind = static_cast<unsigned char>(midi->midiData[0]) & 0xF0;
        const int key = midi->midiData[1] & 0x7F;
        const int velocity = midi->midiData[2] & 0x7F;
        if (kind == 0xB0 && midi->midiData[1] == 123) {
            resetState();
            continue;
        }
        if (kind == 0x90 && velocity > 0) noteOn(key, velocity);
        else if (kind == 0x80 || kind == 0x90) noteOff(key);
        else continue;
        // The note is used up: an empty event goes back in its place.
        midi->midiData[0] = midi->midiData[1] = midi->midiData[2] = 0;
    }
    return sendLiveEventsToHost(events) ? 1 : 0;
}

void ArpEffect::noteOn(int key, int velocity) {
    sequenceDirty = true;
    if (heldCount == 0) firstKeyVelocity = velocity;
    heldKeys[key] = 1;
    keyVelocity[key] = velocity;
    // Beyond 128 presses without releases the key is held but not remembered in press order.
    if (heldCount < kKeys) pressOrder[heldCount++] = key;
    if (restartPending) {
        playPosition = 0;
        patternIndex = 0;
        // The first tick falls on sample 1 of the next block; while the tick length is not known
        // yet, a whole tick after its start.
        const float length = samplesPerTick;
        tickCounter = (length >= 0.0f && length < 2147483520.0f) ? static_cast<std::int32_t>(length) : 0;
        if (lastNote == -1) noteOnPhase = true;
        restartPending = false;
    }
}

void ArpEffect::noteOff(int key) {
    sequenceDirty = true;
    heldKeys[key] = 0;
    keyVelocity[key] = 0;
    for (int i = 0; i < kKeys; ++i) {
        if (pressOrder[i] == key) {
            std::memmove(&pressOrder[i], &pressOrder[i + 1], sizeof(pressOrder[0]) * (kKeys - 1 - i));
            pressOrder[kKeys - 1] = 0;
            break;
        }
    }
    if (heldCount > 0) --heldCount;
}

void ArpEffect::resetState() {
    restartPending = true;
    std::memset(heldKeys, 0, sizeof(heldKeys));
    std::memset(pressOrder, 0, sizeof(pressOrder));
    std::memset(keyVelocity, 0, sizeof(keyVelocity));
    std::memset(sequenceNotes, 0, sizeof(sequenceNotes));
    std::memset(sequenceVelocities, 0, sizeof(sequenceVelocities));
    for (auto& step : stepPattern) step = 1;
    heldCount = 0;
    sequenceDirty = true;
}

// ---- Building the sequence ----

void ArpEffect::appendEntry(int key, int octave, int previousNote) {
    if (sequenceLength >= kSequenceSize) return;  // the table is full: later entries are left out
    const int note = key + 12 * octave;
    sequenceNotes[sequenceLength] = note < 127 ? note : 127;
    sequenceVelocities[sequenceLength] = keyVelocity[key];
    if (!restartPending && previousNote == note) playPosition = sequenceLength;
    ++sequenceLength;
}

void ArpEffect::appendPass(int octave, bool descending, int previousNote, int skipA, int skipB) {
    for (int i = 0; i < kKeys; ++i) {
        const int key = descending ? kKeys - 1 - i : i;
        if (!heldKeys[key]) continue;
        const int note = key + 12 * octave;
        const int stored = note < 127 ? note : 127;
        if (stored == skipA || stored == skipB) continue;
        appendEntry(key, octave, previousNote);
    }
}

void ArpEffect::rebuildSequence() {
    const bool positionInTable = playPosition >= 0 && playPosition < kSequenceSize;
    // -1 matches no note: the position then stays where it is.
    const int previousNote = positionInTable ? sequenceNotes[playPosition] : -1;
    sequenceLength = 0;
    const ModeShape shape = shapeOf(parameters[kMode]);
    switch (shape.family) {
    case Family::up:
    case Family::random:
        for (int o = 0; o <= shape.octaves; ++o) appendPass(o, false, previousNote);
        break;
    case Family::down:
        for (int o = shape.octaves; o >= 0; --o) appendPass(o, true, previousNote);
        break;
    case Family::upDown: {
        for (int o = 0; o <= shape.octaves; ++o) appendPass(o, false, previousNote);
        if (sequenceLength == 0) break;
        const int first = sequenceNotes[0];
        const int last = sequenceNotes[sequenceLength - 1];
        for (int o = shape.octaves; o >= 0; --o) appendPass(o, true, previousNote, first, last);
        break;
    }
    case Family::order:
        for (int o = 0; o <= shape.octaves; ++o)
            for (int i = 0; i < heldCount; ++i) appendEntry(pressOrder[i], o, previousNote);
        break;
    case Family::none: break;
    }
    if (sequenceLength == 0) restartPending = true;
}

void ArpEffect::advancePlayPosition(bool randomOrder) {
    if (randomOrder) {
        const double product = static_cast<double>(nextRandom()) * static_cast<double>(randomScale()) *
                               static_cast<double>(sequenceLength);
        playPosition = static_cast<std::int32_t>(product);
    } else {
        ++playPosition;
    }
}

// ---- The per-sample loop ----

bool ArpEffect::queueEvent(int sampleOffset, unsigned char status, int note, int velocity) {
    if (outputCount >= kMaxOutputEvents) return false;
    VstMidiEvent& event = outputRecords[outputCount++];
    event.deltaFrames = sampleOffset;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(note);
    event.midiData[2] = static_cast<char>(velocity);
    return true;
}

void ArpEffect::processReplacing(float**, float**, VstInt32 sampleFrames) {
    if (bypass) return;
    // Without time information the last known tempo stays in force.
    if (const VstTimeInfo* time = getTimeInfo(kTimeFilter)) {
        if (time->tempo != lastTempo.load()) {
            lastTempo = static_cast<float>(time->tempo);
            recomputeTickLength();
        }
    }
    const bool tempoKnown = lastTempo.load() > 0.0f;
    const float tickLength = samplesPerTick;
    const bool full = fullLength;
    const bool randomOrder = shapeOf(parameters[kMode]).family == Family::random;
    const int velocityRule = velocityType;

    outputCount = 0;
    for (VstInt32 s = 0; s < sampleFrames; ++s) {
        if (sequenceDirty.load(std::memory_order_relaxed) && sequenceDirty.exchange(false)) rebuildSequence();
        if (sequenceLength == 0) {
            if (lastNote != -1 && queueEvent(s, 0x80, lastNote, 0)) lastNote = -1;
            continue;
        }
        if (!(tempoKnown && static_cast<float>(tickCounter) > tickLength)) {
            if (tickCounter < INT_MAX) ++tickCounter;
            continue;
        }
        tickCounter = 0;
        if (noteOnPhase) {
            if (stepPattern[patternIndex] == 1) {
                // Full steps end here; a note left over from a Full step after a switch to Half ends
                // here too, so that no note is ever left hanging.
                if (lastNote != -1 && queueEvent(s, 0x80, lastNote, 0)) lastNote = -1;
                // A note-on is sent only while its note-off is sure to find room in this block's list;
                // otherwise the step falls silent.
                if (lastNote == -1 && outputCount + 2 <= kMaxOutputEvents) {
                    if (playPosition >= sequenceLength || playPosition < 0) playPosition = 0;
                    const int note = sequenceNotes[playPosition];
                    const int velocity = velocityRule == kVelocityNormal  ? sequenceVelocities[playPosition]
                                         : velocityRule == kVelocityFixed ? 127
                                                                          : firstKeyVelocity;
                    queueEvent(s, 0x90, note, velocity);
                    lastNote = note;
                    advancePlayPosition(randomOrder);
                }
            }
            patternIndex = (patternIndex + 1) % kPatternSteps;
        } else if (!full && lastNote != -1 && queueEvent(s, 0x80, lastNote, 0)) {
            lastNote = -1;
        }
        noteOnPhase = !noteOnPhase;
    }
    if (outputCount > 0) {
        outputEvents->numEvents = outputCount;
        sendVstEventsToHost(outputEvents);
    }
}

}  // namespace vexlo::arp
