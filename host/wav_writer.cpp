#include "host/wav_writer.h"

#include <cmath>
#include <cstdint>
#include <fstream>

namespace vexlo::host {

namespace {
void put32(std::ofstream& out, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    out.write(reinterpret_cast<const char*>(b), 4);
}
void put16(std::ofstream& out, std::uint16_t v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    out.write(reinterpret_cast<const char*>(b), 2);
}
}  // namespace

bool writeWav(const std::string& path, const std::vector<std::vector<float>>& channels, int sampleRate) {
    if (channels.empty()) return false;
    std::ofstream out(path, std::ios::binary);
    if (!out) return false;
    const std::uint32_t frames = static_cast<std::uint32_t>(channels[0].size());
    const std::uint16_t count = static_cast<std::uint16_t>(channels.size());
    const std::uint32_t dataBytes = frames * count * 4u;
    out.write("RIFF", 4);
    put32(out, 4 + (8 + 16) + (8 + 4) + (8 + dataBytes));
    out.write("WAVE", 4);
    out.write("fmt ", 4);
    put32(out, 16);
    put16(out, 3);  // IEEE float
    put16(out, count);
    put32(out, static_cast<std::uint32_t>(sampleRate));
    put32(out, static_cast<std::uint32_t>(sampleRate) * count * 4u);
    put16(out, static_cast<std::uint16_t>(count * 4));
    put16(out, 32);
    out.write("fact", 4);
    put32(out, 4);
    put32(out, frames);
    out.write("data", 4);
    put32(out, dataBytes);
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (const auto& channel : channels) {
            float sample = channel[i];
            out.write(reinterpret_cast<const char*>(&sample), 4);
        }
    }
    return static_cast<bool>(out);
}

ChannelLevels measure(const std::vector<float>& samples) {
    ChannelLevels levels;
    double sum = 0.0;
    for (float s : samples) {
        if (!std::isfinite(s)) {
            levels.finite = false;
            continue;
        }
        levels.peak = std::fmax(levels.peak, std::fabs(s));
        sum += double(s) * s;
    }
    levels.rms = samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
    return levels;
}

}  // namespace vexlo::host
