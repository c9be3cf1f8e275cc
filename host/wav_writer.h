// Writes 32-bit float WAV files.
#pragma once

#include <string>
#include <vector>

namespace vexlo::host {

// channels[c][i] is sample i of channel c; all channels have the same length.
bool writeWav(const std::string& path, const std::vector<std::vector<float>>& channels, int sampleRate);

struct ChannelLevels {
    float peak = 0.0f;
    double rms = 0.0;
    bool finite = true;  // no NaN or infinity anywhere
};
ChannelLevels measure(const std::vector<float>& samples);

}  // namespace vexlo::host
