// The extended effect: opcodes 25 to 79 and the host services of VST 2.x.
#pragma once

#include "frame/audio_effect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    void resume() override;

    virtual bool canParameterBeAutomated(VstInt32) { return true; }
    virtual bool string2parameter(VstInt32, char*) { return false; }
    virtual bool getParameterProperties(VstInt32, VstParameterProperties*) { return false; }
    virtual bool beginEdit(VstInt32 index) { return callHost(audioMasterBeginEdit, index) != 0; }
    virtual bool endEdit(VstInt32 index) { return callHost(audioMasterEndEdit, index) != 0; }
    virtual bool getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual VstInt32 beginLoadBank(VstPatchChunkInfo*) { return 0; }
    virtual VstInt32 beginLoadProgram(VstPatchChunkInfo*) { return 0; }

    virtual bool ioChanged() { return callHost(audioMasterIOChanged) != 0; }
    virtual double updateSampleRate();
    virtual VstInt32 updateBlockSize();
    virtual VstInt32 getInputLatency() { return hostInt(audioMasterGetInputLatency); }
    virtual VstInt32 getOutputLatency() { return hostInt(audioMasterGetOutputLatency); }
    virtual bool getInputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool getOutputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
    virtual bool setBypass(bool) { return false; }
    virtual bool setPanLaw(VstInt32, float) { return false; }
    virtual bool setProcessPrecision(VstInt32) { return false; }
    virtual VstInt32 getNumMidiInputChannels() { return 0; }
    virtual VstInt32 getNumMidiOutputChannels() { return 0; }
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    virtual VstInt32 getCurrentProcessLevel() { return hostInt(audioMasterGetCurrentProcessLevel); }
    virtual VstInt32 getAutomationState() { return hostInt(audioMasterGetAutomationState); }
    virtual VstInt32 processEvents(VstEvents*) { return 0; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual bool processVariableIo(VstVariableIo*) { return false; }
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }
    virtual bool getHostVendorString(char* text) { return callHost(audioMasterGetVendorString, 0, 0, text) != 0; }
    virtual bool getHostProductString(char* text) { return callHost(audioMasterGetProductString, 0, 0, text) != 0; }
    virtual VstInt32 getHostVendorVersion() { return hostInt(audioMasterGetVendorVersion); }
    virtual VstIntPtr hostVendorSpecific(VstInt32 arg1, VstIntPtr arg2, void* ptr, float opt) {
        return callHost(audioMasterVendorSpecific, arg1, arg2, ptr, opt);
    }
    virtual VstInt32 canHostDo(char* text) { return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0; }
    virtual VstInt32 getHostLanguage() { return hostInt(audioMasterGetLanguage); }
    virtual void isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state) { setFlag(effFlagsNoSoundInStop, state); }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual void* getDirectory() { return reinterpret_cast<void*>(callHost(audioMasterGetDirectory)); }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }
    virtual VstInt32 canDo(char*) { return 0; }
    virtual VstInt32 getVstVersion() { return 2400; }
    virtual VstInt32 getPlugCategory();
    virtual VstInt32 getMidiProgramName(VstInt32, MidiProgramName*) { return 0; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32, MidiProgramName*) { return -1; }
    virtual VstInt32 getMidiProgramCategory(VstInt32, MidiProgramCategory*) { return 0; }
    virtual bool hasMidiProgramsChanged(VstInt32) { return false; }
    virtual bool getMidiKeyName(VstInt32, MidiKeyName*) { return false; }
    virtual bool updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
    virtual bool sizeWindow(VstInt32 width, VstInt32 height) {
        return callHost(audioMasterSizeWindow, width, height) != 0;
    }
    virtual bool openFileSelector(VstFileSelect* selector) {
        return selector && callHost(audioMasterOpenFileSelector, 0, 0, selector) != 0;
    }
    virtual bool closeFileSelector(VstFileSelect* selector) {
        return selector && callHost(audioMasterCloseFileSelector, 0, 0, selector) != 0;
    }
    virtual VstInt32 getNextShellPlugin(char*) { return 0; }

    virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 numChannels);
    virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
    virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);

    virtual bool offlineRead(VstOfflineTask* task, VstInt32 option, bool readSource) {
        return callHost(audioMasterOfflineRead, readSource, option, task) != 0;
    }
    virtual bool offlineWrite(VstOfflineTask* task, VstInt32 option) {
        return callHost(audioMasterOfflineWrite, 0, option, task) != 0;
    }
    virtual bool offlineStart(VstAudioFile* files, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
        return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files) != 0;
    }
    virtual VstInt32 offlineGetCurrentPass() { return callHost(audioMasterOfflineGetCurrentPass) != 0; }
    virtual VstInt32 offlineGetCurrentMetaPass() { return callHost(audioMasterOfflineGetCurrentMetaPass) != 0; }
    virtual bool offlineNotify(VstAudioFile*, VstInt32, bool) { return false; }
    virtual bool offlinePrepare(VstOfflineTask*, VstInt32) { return false; }
    virtual bool offlineRun(VstOfflineTask*, VstInt32) { return false; }
    virtual VstInt32 offlineGetNumPasses() { return 0; }
    virtual VstInt32 offlineGetNumMetaPasses() { return 0; }

    virtual void wantEvents(VstInt32 filter = 1) { callHost(audioMasterWantMidi, 0, filter); }
    virtual VstInt32 tempoAt(VstInt32 pos) { return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos)); }
    virtual VstInt32 getNumAutomatableParameters() { return hostInt(audioMasterGetNumAutomatableParameters); }
    virtual VstInt32 getParameterQuantization() { return hostInt(audioMasterGetParameterQuantization); }
    virtual VstInt32 getNumCategories() { return 1; }
    virtual bool copyProgram(VstInt32) { return false; }
    virtual bool needIdle() { return callHost(audioMasterNeedIdle) != 0; }
    virtual AEffect* getPreviousPlug(VstInt32) {
        return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
    }
    virtual AEffect* getNextPlug(VstInt32) { return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug)); }
    virtual void inputConnected(VstInt32, bool) {}
    virtual void outputConnected(VstInt32, bool) {}
    virtual VstInt32 willProcessReplacing() { return hostInt(audioMasterWillReplaceOrAccumulate); }
    virtual void wantAsyncOperation(bool state) { setFlag(effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }
    virtual VstInt32 reportCurrentPosition() { return 0; }
    virtual float* reportDestinationBuffer() { return nullptr; }
    virtual void setOutputSamplerate(float rate) { callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate); }
    virtual VstSpeakerArrangement* getInputSpeakerArrangement() {
        return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
    }
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement() {
        return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
    }
    virtual void* openWindow(void* window) {
        return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
    }
    virtual bool closeWindow(void* window) { return callHost(audioMasterCloseWindow, 0, 0, window) != 0; }
    virtual void setBlockSizeAndSampleRate(VstInt32 size, float rate) {
        blockSize = size;
        sampleRate = rate;
    }
    virtual bool getErrorText(char*) { return false; }
    virtual void* getIcon() { return nullptr; }
    virtual bool setViewPosition(VstInt32, VstInt32) { return false; }
    virtual VstInt32 fxIdle() { return 0; }
    virtual bool keysRequired() { return false; }
    virtual bool getChunkFile(void* nativePath) {
        return nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
    }

    // Hands an event list to the host; true when the host answers exactly 1.
    bool sendVstEventsToHost(VstEvents* events);

protected:
    VstInt32 hostInt(VstInt32 opcode) { return static_cast<VstInt32>(callHost(opcode)); }
};
