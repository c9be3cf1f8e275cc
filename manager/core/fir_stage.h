// One stage of the high-quality resampler: a linear-phase FIR low-pass that changes the rate by
// a whole ratio, down (filter, keep every ratio-th sample) or up (insert zeros, filter). Its
// cut-off lies at the lower rate's Nyquist frequency, so a stage by 2 is a half-band filter
// whose every other tap is zero; only the taps that are not zero are computed.
//
// A stage keeps the samples it needs from earlier blocks in a line of its own, sized when it
// is made, and works on it phase by phase (every ratio-th sample side by side), so that each
// tap is one pass over contiguous samples that the compiler turns into vector code. It never
// allocates.
#pragma once

#include <vector>

namespace vexlo::manager {

class FirStage {
public:
    // A Kaiser-windowed sinc of `taps` taps (odd) with the window's `beta`, for blocks of up to
    // maxLowFrames samples at the lower rate.
    FirStage(int ratio, int taps, double beta, int maxLowFrames);

    int ratio() const { return ratio_; }
    // The delay, in samples of the higher rate.
    int delay() const { return (taps_ - 1) / 2; }
    void reset();

    // lowFrames samples out from lowFrames * ratio samples in.
    void decimate(const float* in, int lowFrames, float* out);
    // lowFrames * ratio samples out from lowFrames samples in.
    void interpolate(const float* in, int lowFrames, float* out);

private:
    // One gain on one sample, or on two at once where the filter's symmetry puts equal taps
    // in the same phase (second is then not -1).
    struct Tap {
        int offset;
        int second;
        float gain;
    };
    static std::vector<Tap> folded(const std::vector<Tap>& taps);
    int ratio_;
    int taps_;
    int maxLowFrames_;
    // Down: each input phase's taps, as offsets into that phase.
    std::vector<std::vector<Tap>> downTaps_;
    // Up: each output phase's taps, as offsets back from the newest input sample.
    std::vector<std::vector<Tap>> upTaps_;
    int upHistory_ = 0;
    std::vector<float> downLine_;
    std::vector<float> phaseLine_;  // one input phase of the line down, or one output phase up
    std::vector<float> upLine_;
};

}  // namespace vexlo::manager
