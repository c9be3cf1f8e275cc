// Vexlo VM's state as the host keeps it: captured from the children into a ManagerState and
// encoded, or decoded whole and then applied, and the last state known whole, which a host
// gets when it asks while a change runs. A state that does not decode changes nothing.
#pragma once

#include <mutex>
#include <vector>

#include "manager/core/child_rack.h"

namespace vexlo::manager {

class StateKeeper {
public:
    StateKeeper(ChildRack& rack, AudioGate& gate, ManagerFront& front) : rack_(rack), gate_(gate), front_(front) {}

    // The host's effGetChunk and effSetChunk. The bytes handed out stay ours until the next call.
    VstInt32 getChunk(void** data);
    VstInt32 setChunk(const void* data, VstInt32 byteSize);
    // Captures the state as the last one known whole (after a change has ended).
    void remember();

    // The state of what is in place; the caller has passed the gate.
    files::ManagerState capture();
    // Loads what the state names (before the gate), then puts it in place with the gate held.
    // False when the gate could not be had; nothing changed then. Messages for the person are
    // left in `messages`, to be shown once the gate is free.
    bool restore(const files::ManagerState& state, std::vector<LoadMessage>& messages);
    // Starts children again with the state they had (when last asked, for one whose process
    // died): the instrument (position 0) and the MIDI slots (1 + slot) marked in `which`.
    void reload(const std::array<bool, 1 + ChildRack::kMidiSlots>& which);

private:
    void applyInstrumentState(const files::StoredChild& stored, bool flatList);
    void tellInstrumentStatus();

    ChildRack& rack_;
    AudioGate& gate_;
    ManagerFront& front_;
    // The state last handed to the host, and the last one known complete.
    std::vector<unsigned char> chunkBuffer_;
    std::vector<unsigned char> lastCompleteState_;
    // Keeps two threads from capturing the children's states at once.
    std::mutex stateMutex_;
};

}  // namespace vexlo::manager
