// The services of the frame probe, chosen by the index of effVendorSpecific.
#pragma once

enum ProbeCall {
    kProbeCanHostDo = 1,           // ptr: the word
    kProbeUpdateSampleRate,        // returns the rate after asking the host
    kProbeUpdateBlockSize,         // returns the block size after asking the host
    kProbeSampleRate,              // returns the stored rate
    kProbeBlockSize,               // returns the stored block size
    kProbeSetParameterAutomated,   // value: index, opt: value
    kProbeSendEvents,              // ptr: VstEvents
    kProbeTimeInfo,                // value: filter; returns the host's pointer
    kProbeFloat2String,            // opt: value, ptr: text, value: maxLen
    kProbeInt2String,              // opt: value (whole), ptr, value: maxLen
    kProbeDb2String,
    kProbeHz2String,
    kProbeMs2String,
    kProbeMasterVersion,
    kProbeInputConnected,          // value: input
    kProbeAttachEditor,            // value: 1 attach, 0 detach; returns the flags
    kProbeIsSynth,                 // value: state; returns the flags
    kProbeBeginEdit,               // value: index
    kProbeSpeakers,                // value: channel count; 1 when the round trip holds
    kProbeResume,                  // calls the frame's resume directly
    kProbeHostVendor,              // ptr: text
};

// Sent to the host as audioMasterVendorSpecific's index when the probe is destroyed.
constexpr int kProbeDestroyed = 0x64656164;
