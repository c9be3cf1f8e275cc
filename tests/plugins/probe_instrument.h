// Questions the probe instrument answers through effVendorSpecific (index = question).
#pragma once

enum ProbeInstrumentQuestion {
    kAskInputSample = 1,  // value: sample index 0..7 of input 0 in the last block; answers 1000 x the sample
    kAskEventCount,       // how many MIDI events arrived
    kAskEvent,            // value: event number; answers deltaFrames << 16 | status << 8 | data1
    kAskToldRate,         // the rate effSetSampleRate gave
    kAskToldBlock,        // the size effSetBlockSize gave
    kAskAnsweredRate,     // what the host answered to audioMasterGetSampleRate at resume
    kAskAnsweredBlock,    // what the host answered to audioMasterGetBlockSize at resume
    kAskFrames,           // frames of the last processing call
    kAskAutomate,         // value: parameter; automates it to 0.75 through the host
};

constexpr int kProbeInstrumentId = 0x56745070;  // plus its number of inputs: "VtPr" with two
