#include "manager/core/oversampler.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "hosting/hosted_child.h"
#include "manager/core/resampler.h"

namespace vexlo::manager {

namespace {
void silence(float** outputs, VstInt32 frames) {
    std::fill(outputs[0], outputs[0] + frames, 0.0f);
    std::fill(outputs[1], outputs[1] + frames, 0.0f);
}
}  // namespace

bool Oversampler::prepare(int blockSize, int channels) {
    const int frames = std::min(std::max(blockSize, 2048), kMaxBlock);
    const std::size_t samples = static_cast<std::size_t>(frames) * kMaxFactor;
    channels = std::max(channels, 2);
    try {
        std::vector<float> left(samples, 0.0f), right(samples, 0.0f), scratch(samples, 0.0f);
        std::vector<float*> outs(static_cast<std::size_t>(channels), nullptr), ins(outs);
        oversampled_[0].swap(left);
        oversampled_[1].swap(right);
        scratch_.swap(scratch);
        outputArray_.swap(outs);
        inputArray_.swap(ins);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::fill(outputArray_.begin(), outputArray_.end(), scratch_.data());
    std::fill(inputArray_.begin(), inputArray_.end(), scratch_.data());
    preparedFrames_ = frames;
    return true;
}

void Oversampler::setFactor(int factor, Quality quality) {
    factor_ = factor;
    quality_ = quality;
    decimatorState_[0] = decimatorState_[1] = 0.0f;
    for (BandLimitedResampler& channel : highQuality_) channel.setFactor(factor);
}

int Oversampler::latency() const {
    if (quality_ != Quality::high) return 0;
    return static_cast<int>(std::lround(BandLimitedResampler::latencyAt(factor_.load())));
}

void Oversampler::bind(float** inputs, float** outputs, VstInt32 frames, int inputCount, int outputCount) {
    const std::size_t oversampledFrames = static_cast<std::size_t>(frames) * static_cast<std::size_t>(factor_.load());
    const bool hostInputs = inputs && inputs[0] && inputs[1];
    if (outputCount > 2 || inputCount > 0 || !hostInputs || outputArray_.size() > 2)
        std::fill(scratch_.begin(), scratch_.begin() + static_cast<long>(oversampledFrames), 0.0f);
    inLeft_ = hostInputs ? inputs[0] : scratch_.data();
    inRight_ = hostInputs ? inputs[1] : scratch_.data();
    std::fill(outputArray_.begin(), outputArray_.end(), scratch_.data());
    outputArray_[0] = outputs[0];
    outputArray_[1] = outputs[1];
    std::fill(inputArray_.begin(), inputArray_.end(), scratch_.data());
    if (inputCount == 0) {
        inputArray_[0] = const_cast<float*>(inLeft_);
        inputArray_[1] = const_cast<float*>(inRight_);
    }
}

void Oversampler::render(HostedChild& instrument, float** outputs, VstInt32 frames, int outputCount, bool canReplace) {
    const int factor = factor_.load();
    if (factor == 1) {
        // An instrument that can only accumulate adds to silence, not to what the buffers held.
        if (!canReplace) silence(outputs, frames);
        instrument.process(inputArray_.data(), outputArray_.data(), frames);
    } else {
        float* left = oversampled_[0].data();
        float* right = oversampled_[1].data();
        const bool high = quality_ == Quality::high;
        if (high) {
            highQuality_[0].up(inLeft_, frames, left);
            highQuality_[1].up(inRight_, frames, right);
        } else {
            upsample(inLeft_, frames, factor, left);
            upsample(inRight_, frames, factor, right);
        }
        outputArray_[0] = left;
        outputArray_[1] = right;
        instrument.process(outputArray_.data(), outputArray_.data(), frames * factor);
        if (high) {
            highQuality_[0].down(left, frames, outputs[0]);
            if (outputCount > 1) highQuality_[1].down(right, frames, outputs[1]);
        } else {
            decimate(left, frames, factor, decimatorState_[0], outputs[0]);
            if (outputCount > 1) decimate(right, frames, factor, decimatorState_[1], outputs[1]);
        }
    }
    if (outputCount == 1) std::copy(outputs[0], outputs[0] + frames, outputs[1]);
}

}  // namespace vexlo::manager
