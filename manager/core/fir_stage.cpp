#include "manager/core/fir_stage.h"

#include <algorithm>
#include <cmath>

namespace vexlo::manager {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The modified Bessel function of the first kind, order 0, by its power series.
double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 64 && term > sum * 1e-17; ++k) {
        const double half = x / (2.0 * k);
        term *= half * half;
        sum += term;
    }
    return sum;
}

// Taps this small are the half-band filter's zeros, left over from rounding.
constexpr double kZeroTap = 1e-12;

}  // namespace

FirStage::FirStage(int ratio, int taps, double beta, int maxLowFrames)
    : ratio_(ratio), taps_(taps | 1), maxLowFrames_(maxLowFrames) {
    const int centre = (taps_ - 1) / 2;
    const double cutoff = 0.5 / ratio_;  // of the higher rate
    std::vector<double> h(static_cast<std::size_t>(taps_));
    for (int n = 0; n < taps_; ++n) {
        const double t = n - centre;
        const double sinc = t == 0 ? 1.0 : std::sin(2.0 * kPi * cutoff * t) / (2.0 * kPi * cutoff * t);
        const double r = t / centre;
        const double window = besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
        h[static_cast<std::size_t>(n)] = 2.0 * cutoff * sinc * window;
    }
    // Every phase sums to exactly 1 / ratio: steady levels pass unchanged, with no ripple
    // at the lower rate, up and down.
    for (int p = 0; p < ratio_; ++p) {
        double sum = 0.0;
        for (int n = p; n < taps_; n += ratio_) sum += h[static_cast<std::size_t>(n)];
        for (int n = p; n < taps_; n += ratio_) h[static_cast<std::size_t>(n)] *= 1.0 / (ratio_ * sum);
    }

    centreGain_ = static_cast<float>(h[static_cast<std::size_t>(centre)]);
    for (int n = 0; n < centre; ++n)
        if (std::fabs(h[static_cast<std::size_t>(n)]) > kZeroTap)
            pairs_.push_back({n, static_cast<float>(h[static_cast<std::size_t>(n)])});

    // Output sample n * ratio + p is the sum over i of ratio * h[p + i * ratio] * x[n - i].
    phases_.resize(static_cast<std::size_t>(ratio_));
    for (int p = 0; p < ratio_; ++p)
        for (int i = 0; p + i * ratio_ < taps_; ++i) {
            const double tap = h[static_cast<std::size_t>(p + i * ratio_)];
            if (std::fabs(tap) > kZeroTap) phases_[static_cast<std::size_t>(p)].push_back({i, static_cast<float>(ratio_ * tap)});
        }
    upHistory_ = (taps_ + ratio_ - 1) / ratio_;

    downLine_.assign(static_cast<std::size_t>(taps_ - 1 + maxLowFrames_ * ratio_), 0.0f);
    upLine_.assign(static_cast<std::size_t>(upHistory_ + maxLowFrames_), 0.0f);
}

void FirStage::reset() {
    std::fill(downLine_.begin(), downLine_.end(), 0.0f);
    std::fill(upLine_.begin(), upLine_.end(), 0.0f);
}

void FirStage::decimate(const float* in, int lowFrames, float* out) {
    lowFrames = std::min(lowFrames, maxLowFrames_);
    const int history = taps_ - 1;
    const int highFrames = lowFrames * ratio_;
    float* line = downLine_.data();
    std::copy(in, in + highFrames, line + history);

    const int centre = history / 2;
    const int step = ratio_;
    for (int m = 0; m < lowFrames; ++m) out[m] = centreGain_ * line[m * step + centre];
    // Tap by tap over the whole block: the inner loop runs over output samples and vectorises.
    for (const Tap& tap : pairs_) {
        const float* early = line + tap.offset;
        const float* late = line + (history - tap.offset);
        const float gain = tap.gain;
        for (int m = 0; m < lowFrames; ++m) out[m] += gain * (early[m * step] + late[m * step]);
    }
    std::copy(line + highFrames, line + highFrames + history, line);
}

void FirStage::interpolate(const float* in, int lowFrames, float* out) {
    lowFrames = std::min(lowFrames, maxLowFrames_);
    float* line = upLine_.data();
    std::copy(in, in + lowFrames, line + upHistory_);
    const float* newest = line + upHistory_;  // newest[n] is input sample n of this block
    for (int p = 0; p < ratio_; ++p) {
        float* phaseOut = out + p;
        for (int n = 0; n < lowFrames; ++n) phaseOut[n * ratio_] = 0.0f;
        for (const Tap& tap : phases_[static_cast<std::size_t>(p)]) {
            const float* from = newest - tap.offset;
            const float gain = tap.gain;
            for (int n = 0; n < lowFrames; ++n) phaseOut[n * ratio_] += gain * from[n];
        }
    }
    std::copy(line + lowFrames, line + lowFrames + upHistory_, line);
}

}  // namespace vexlo::manager
