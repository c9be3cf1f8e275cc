// What Vexlo VM's parts ask of its front: the host's figures, our own parameters and the
// program in force, and the steps that reach the outer host or more than one part. The front
// (VstManager) answers; a test can stand in for it.
#pragma once

#include <string>

#include "frame/vst_records.h"

namespace vexlo::manager {

class ManagerFront {
public:
    virtual ~ManagerFront() = default;

    // The rate and block size the host runs us at.
    virtual float hostRate() const = 0;
    virtual VstInt32 hostBlock() const = 0;
    // What the instrument runs at for an oversampling factor.
    float instrumentRate(int factor) const { return hostRate() * static_cast<float>(factor); }
    VstInt32 instrumentBlock(int factor) const { return hostBlock() * factor; }
    // The factor an instrument opened now is opened for (1 under the bypass), and the one the
    // instrument in place runs at.
    virtual int desiredFactor() const = 0;
    virtual int appliedFactor() const = 0;
    // The factor a state's first own parameter chooses, under the bypass as it stands.
    virtual int factorForState(float parameterValue) const = 0;

    virtual float ownParameter(int index) const = 0;
    // As the host sets it: a new factor or quality reconfigures the instrument (gate held).
    virtual void setOwnParameter(int index, float value) = 0;

    virtual VstInt32 currentProgram() const = 0;
    virtual void setCurrentProgram(VstInt32 program) = 0;
    // Tells the instrument a program, kept within its programs; without an instrument the
    // program is only kept.
    virtual void forwardProgram(VstInt32 program) = 0;

    // ---- Told by the parts, with the gate held ----
    // A new instrument is in place: buffers, factor, program, and the host told of its shape.
    virtual void instrumentInstalled() = 0;
    // The instrument went: the host is told the latency it no longer has.
    virtual void instrumentRemoved() = 0;
    // The instrument started again (a new rate, a preset): the notes the host holds, again.
    virtual void instrumentRestarted() = 0;
    // A MIDI slot came or went: the channel buffers fit the widest child.
    virtual void midiSlotsChanged() = 0;

    // ---- Told without the gate ----
    virtual void displayChanged() = 0;
    // A change ended: the state is captured as the last one known whole.
    virtual void stateChanged() = 0;
    virtual void tellStatus(const std::string& text) = 0;
};

}  // namespace vexlo::manager
