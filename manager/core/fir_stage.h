// One stage of the high-quality resampler: a linear-phase FIR low-pass that changes the rate by
// a whole ratio, down (filter, keep every ratio-th sample) or up (insert zeros, filter). Its
// cut-off lies at the lower rate's Nyquist frequency, so a stage by 2 is a half-band filter
// whose every other tap is zero; only the taps that are not zero are computed.
//
// A stage keeps the samples it needs from earlier blocks in a line of its own, sized when it
// is made: processing works in place in that line and never allocates.
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
    struct Tap {
        int offset;
        float gain;
    };
    int ratio_;
    int taps_;
    int maxLowFrames_;
    // Down: the centre tap and the pairs of equal taps either side of it.
    float centreGain_ = 0.0f;
    std::vector<Tap> pairs_;
    // Up: each output phase's taps, as offsets back from the newest input sample.
    std::vector<std::vector<Tap>> phases_;
    int upHistory_ = 0;
    std::vector<float> downLine_;
    std::vector<float> upLine_;
};

}  // namespace vexlo::manager
