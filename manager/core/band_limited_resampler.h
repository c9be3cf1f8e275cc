// The high-quality way between the host's rate and a multiple of it, for one channel: a cascade
// of linear-phase stages (half-band filters by 2, a filter by 3 for a factor of 6). Down, it
// keeps at least 90 dB of everything that would fold back below 20/44.1 of the host's Nyquist
// frequency out of the result, and stays flat to well within 0.1 dB up to there; up, it leaves
// out the images of the host's signal the same way.
//
// All of it is sized when made; up and down work block by block in pieces of kPiece host
// frames, keep their filters' memory across blocks, and never allocate.
#pragma once

#include "manager/core/fir_stage.h"

namespace vexlo::manager {

class BandLimitedResampler {
public:
    static constexpr int kPiece = 256;

    BandLimitedResampler();

    // 2, 4, 6 or 8; anything else leaves the signal to the caller. Forgets the filters' memory.
    void setFactor(int factor);
    int factor() const { return factor_; }
    void reset();

    // The delay down adds, in host samples (fractions of one are possible).
    double latency() const;
    static double latencyAt(int factor);

    // frames * factor samples out of frames host samples.
    void up(const float* in, int frames, float* out);
    // frames host samples out of frames * factor samples.
    void down(const float* in, int frames, float* out);

private:
    void upPiece(const float* in, int frames, float* out);
    void downPiece(const float* in, int frames, float* out);

    int factor_ = 1;
    // By the rate they run down to: the host's rate from twice it, twice the host's from four
    // times, four times from eight times, and twice the host's from six times.
    FirStage toHost_;
    FirStage toTwice_;
    FirStage toFourTimes_;
    FirStage fromSixTimes_;
    float between_[2][4 * kPiece];
    // Host samples of silence taken in a row: once the filters hold nothing else, silence up
    // is silence without any filtering.
    int quietRun_ = 0;
};

}  // namespace vexlo::manager
