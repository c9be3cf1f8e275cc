// The instrument's side of processing: the channel arrays every child plays into, and the
// instrument played directly or at a multiple of the host's rate, in one of two qualities:
// Classic (repetition up, a short averaging filter down: Vexlo VM's sound of old) or High
// (band-limited both ways). Buffers are prepared off the audio thread for the longest block
// the host announced; processing never allocates.
#pragma once

#include <atomic>
#include <vector>

#include "frame/vst_records.h"
#include "manager/core/band_limited_resampler.h"

namespace vexlo::hosting {
class HostedChild;
}

namespace vexlo::manager {

using hosting::HostedChild;

class Oversampler {
public:
    static constexpr int kMaxFactor = 8;
    // Blocks longer than this are never prepared for, whatever a host announces.
    static constexpr int kMaxBlock = 1 << 17;

    // Buffers for blocks of up to max(blockSize, 2048) frames (at most kMaxBlock) at the largest
    // factor, and channel arrays for `channels` pins. Off the audio thread only. False when the
    // memory cannot be had; what was prepared before stays.
    bool prepare(int blockSize, int channels);
    int preparedFrames() const { return preparedFrames_; }

    enum class Quality { classic, high };

    // The factor the instrument runs at and the way there and back. Either change starts the
    // filters afresh. Never while the audio thread renders.
    void setFactor(int factor, Quality quality = Quality::classic);
    int factor() const { return factor_.load(); }
    Quality quality() const { return quality_; }
    // Host samples the way back delays the instrument's sound by, rounded.
    int latency() const;

    // ---- The audio thread ----
    // Points the channel arrays at the host's buffers (the first two outputs, and the inputs
    // unless the instrument has inputs of its own); every further channel, and inputs a host
    // does not give, share a scratch buffer of silence.
    void bind(float** inputs, float** outputs, VstInt32 frames, int inputCount, int outputCount);
    float** inputs() { return inputArray_.data(); }
    float** outputs() { return outputArray_.data(); }
    // Plays the instrument into the host's outputs: directly, or oversampled from the host's
    // inputs and decimated back. A mono instrument's channel is copied to the right side.
    void render(HostedChild& instrument, float** outputs, VstInt32 frames, int outputCount, bool canReplace);

private:
    std::atomic<int> factor_{1};
    Quality quality_ = Quality::classic;
    BandLimitedResampler highQuality_[2];
    int preparedFrames_ = 0;
    std::vector<float> oversampled_[2];
    std::vector<float> scratch_;
    std::vector<float*> outputArray_;
    std::vector<float*> inputArray_;
    const float* inLeft_ = nullptr;
    const float* inRight_ = nullptr;
    float decimatorState_[2] = {0.0f, 0.0f};
};

}  // namespace vexlo::manager
