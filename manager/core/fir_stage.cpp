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

    // Down: output m is the sum over n of h[n] * line[m * ratio + n], and line[k * ratio + r]
    // is sample k of phase r.
    downTaps_.resize(static_cast<std::size_t>(ratio_));
    for (int n = 0; n < taps_; ++n)
        if (std::fabs(h[static_cast<std::size_t>(n)]) > kZeroTap)
            downTaps_[static_cast<std::size_t>(n % ratio_)].push_back({n / ratio_, -1, static_cast<float>(h[static_cast<std::size_t>(n)])});
    // Up: output sample n * ratio + p is the sum over i of ratio * h[p + i * ratio] * x[n - i].
    upTaps_.resize(static_cast<std::size_t>(ratio_));
    for (int p = 0; p < ratio_; ++p)
        for (int i = 0; p + i * ratio_ < taps_; ++i) {
            const double tap = h[static_cast<std::size_t>(p + i * ratio_)];
            if (std::fabs(tap) > kZeroTap) upTaps_[static_cast<std::size_t>(p)].push_back({i, -1, static_cast<float>(ratio_ * tap)});
        }
    for (auto& taps : downTaps_) taps = folded(taps);
    for (auto& taps : upTaps_) taps = folded(taps);
    upHistory_ = (taps_ + ratio_ - 1) / ratio_;

    downLine_.assign(static_cast<std::size_t>(taps_ - 1 + maxLowFrames_ * ratio_), 0.0f);
    phaseLine_.assign(static_cast<std::size_t>(maxLowFrames_ + upHistory_), 0.0f);
    upLine_.assign(static_cast<std::size_t>(upHistory_ + maxLowFrames_), 0.0f);
}

std::vector<FirStage::Tap> FirStage::folded(const std::vector<Tap>& taps) {
    // A phase whose gains read the same backwards pairs its first tap with its last, and so on.
    const std::size_t count = taps.size();
    for (std::size_t i = 0; i < count; ++i)
        if (taps[i].gain != taps[count - 1 - i].gain) return taps;
    std::vector<Tap> pairs;
    for (std::size_t i = 0; i < count / 2; ++i) pairs.push_back({taps[i].offset, taps[count - 1 - i].offset, taps[i].gain});
    if (count % 2) pairs.push_back(taps[count / 2]);
    return pairs;
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
    std::fill(out, out + lowFrames, 0.0f);
    // Phase by phase, tap by tap: the inner loop runs over contiguous samples.
    float* phase = phaseLine_.data();
    const int available = history + highFrames;
    for (int r = 0; r < ratio_; ++r) {
        const int length = (available - r + ratio_ - 1) / ratio_;
        for (int k = 0; k < length; ++k) phase[k] = line[k * ratio_ + r];
        for (const Tap& tap : downTaps_[static_cast<std::size_t>(r)]) {
            const float* from = phase + tap.offset;
            const float gain = tap.gain;
            if (tap.second < 0) {
                for (int m = 0; m < lowFrames; ++m) out[m] += gain * from[m];
            } else {
                const float* mirror = phase + tap.second;
                for (int m = 0; m < lowFrames; ++m) out[m] += gain * (from[m] + mirror[m]);
            }
        }
    }
    std::copy(line + highFrames, line + highFrames + history, line);
}

void FirStage::interpolate(const float* in, int lowFrames, float* out) {
    lowFrames = std::min(lowFrames, maxLowFrames_);
    float* line = upLine_.data();
    std::copy(in, in + lowFrames, line + upHistory_);
    const float* newest = line + upHistory_;  // newest[n] is input sample n of this block
    float* phase = phaseLine_.data();
    for (int p = 0; p < ratio_; ++p) {
        std::fill(phase, phase + lowFrames, 0.0f);
        for (const Tap& tap : upTaps_[static_cast<std::size_t>(p)]) {
            const float* from = newest - tap.offset;
            const float gain = tap.gain;
            if (tap.second < 0) {
                for (int n = 0; n < lowFrames; ++n) phase[n] += gain * from[n];
            } else {
                const float* mirror = newest - tap.second;
                for (int n = 0; n < lowFrames; ++n) phase[n] += gain * (from[n] + mirror[n]);
            }
        }
        for (int n = 0; n < lowFrames; ++n) out[n * ratio_ + p] = phase[n];
    }
    std::copy(line + lowFrames, line + lowFrames + upHistory_, line);
}

}  // namespace vexlo::manager
