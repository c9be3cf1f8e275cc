// What the three Vexlo plug-ins answer alike.
#pragma once

#include <cstdio>
#include <cstring>

#include "frame/audio_effect.h"

namespace vexlo {

inline constexpr const char* kVendor = "Vexloworks";
inline constexpr VstInt32 kVendorVersion = 1000;

// Outputs 0 and 1 are "Vstx 1" and "Vstx 2", active and stereo; there are no others.
inline bool stereoOutputProperties(VstInt32 index, VstPinProperties* properties) {
    if (index < 0 || index > 1) return false;
    std::snprintf(properties->label, 63, "Vstx %d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

inline bool copyName(char* text, const char* name, VstInt32 maxLen) {
    vstStrncpy(text, name, maxLen);
    return true;
}

}  // namespace vexlo
