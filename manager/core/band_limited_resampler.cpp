#include "manager/core/band_limited_resampler.h"

#include <algorithm>
#include <cmath>

namespace vexlo::manager {

namespace {

// Taps and Kaiser betas, each measured to stay more than 99 dB down over its stop band and
// within 0.001 dB over its pass band (pass band to 0.4535 of the host's rate, stop band from
// 0.5465 of it, folded by each stage's own rate).
constexpr int kToHostTaps = 139;
constexpr double kToHostBeta = 10.0;
constexpr int kToTwiceTaps = 27;
constexpr double kToTwiceBeta = 10.0;
constexpr int kToFourTimesTaps = 23;
constexpr double kToFourTimesBeta = 9.5;
constexpr int kFromSixTaps = 45;
constexpr double kFromSixBeta = 10.0;

// More than the filters of every factor remember, in host samples.
constexpr int kSettled = 2 * BandLimitedResampler::kPiece;

bool silent(const float* samples, int count) {
    for (int i = 0; i < count; ++i)
        if (samples[i] != 0.0f) return false;
    return true;
}

}  // namespace

BandLimitedResampler::BandLimitedResampler()
    : toHost_(2, kToHostTaps, kToHostBeta, kPiece),
      toTwice_(2, kToTwiceTaps, kToTwiceBeta, 2 * kPiece),
      toFourTimes_(2, kToFourTimesTaps, kToFourTimesBeta, 4 * kPiece),
      fromSixTimes_(3, kFromSixTaps, kFromSixBeta, 2 * kPiece) {}

void BandLimitedResampler::setFactor(int factor) {
    factor_ = factor;
    reset();
}

void BandLimitedResampler::reset() {
    toHost_.reset();
    toTwice_.reset();
    toFourTimes_.reset();
    fromSixTimes_.reset();
    quietRun_ = 0;
}

double BandLimitedResampler::latencyAt(int factor) {
    const double toHost = (kToHostTaps - 1) / 2 / 2.0;
    switch (factor) {
    case 2: return toHost;
    case 4: return toHost + (kToTwiceTaps - 1) / 2 / 4.0;
    case 8: return toHost + (kToTwiceTaps - 1) / 2 / 4.0 + (kToFourTimesTaps - 1) / 2 / 8.0;
    case 6: return toHost + (kFromSixTaps - 1) / 2 / 6.0;
    default: return 0.0;
    }
}

double BandLimitedResampler::latency() const { return latencyAt(factor_); }

void BandLimitedResampler::up(const float* in, int frames, float* out) {
    for (int done = 0; done < frames; done += kPiece) {
        const int piece = std::min(kPiece, frames - done);
        float* to = out + static_cast<long>(done) * factor_;
        if (silent(in + done, piece)) {
            if (quietRun_ >= kSettled) {
                std::fill(to, to + piece * factor_, 0.0f);
                continue;
            }
            quietRun_ += piece;
        } else {
            quietRun_ = 0;
        }
        upPiece(in + done, piece, to);
    }
}

void BandLimitedResampler::down(const float* in, int frames, float* out) {
    for (int done = 0; done < frames; done += kPiece) {
        const int piece = std::min(kPiece, frames - done);
        downPiece(in + static_cast<long>(done) * factor_, piece, out + done);
    }
}

void BandLimitedResampler::upPiece(const float* in, int frames, float* out) {
    float* a = between_[0];
    float* b = between_[1];
    switch (factor_) {
    case 2: toHost_.interpolate(in, frames, out); break;
    case 4:
        toHost_.interpolate(in, frames, a);
        toTwice_.interpolate(a, 2 * frames, out);
        break;
    case 8:
        toHost_.interpolate(in, frames, a);
        toTwice_.interpolate(a, 2 * frames, b);
        toFourTimes_.interpolate(b, 4 * frames, out);
        break;
    case 6:
        toHost_.interpolate(in, frames, a);
        fromSixTimes_.interpolate(a, 2 * frames, out);
        break;
    default: std::copy(in, in + frames, out); break;
    }
}

void BandLimitedResampler::downPiece(const float* in, int frames, float* out) {
    float* a = between_[0];
    float* b = between_[1];
    switch (factor_) {
    case 2: toHost_.decimate(in, frames, out); break;
    case 4:
        toTwice_.decimate(in, 2 * frames, a);
        toHost_.decimate(a, frames, out);
        break;
    case 8:
        toFourTimes_.decimate(in, 4 * frames, b);
        toTwice_.decimate(b, 2 * frames, a);
        toHost_.decimate(a, frames, out);
        break;
    case 6:
        fromSixTimes_.decimate(in, 2 * frames, a);
        toHost_.decimate(a, frames, out);
        break;
    default: std::copy(in, in + frames, out); break;
    }
}

}  // namespace vexlo::manager
