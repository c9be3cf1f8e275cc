#include "tests/support/spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

namespace vexlo::test {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Bins either side of a harmonic that belong to it: the window's main lobe and a little more.
constexpr long kLobe = 6;
}  // namespace

std::vector<double> powerSpectrum(const std::vector<float>& samples) {
    const int n = static_cast<int>(samples.size());
    double* in = fftw_alloc_real(static_cast<std::size_t>(n));
    fftw_complex* out = fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    for (int i = 0; i < n; ++i) {
        const double x = 2.0 * kPi * i / n;
        const double window = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        in[i] = samples[static_cast<std::size_t>(i)] * window;
    }
    fftw_execute(plan);
    std::vector<double> power(static_cast<std::size_t>(n / 2 + 1));
    for (int k = 0; k <= n / 2; ++k) power[static_cast<std::size_t>(k)] = out[k][0] * out[k][0] + out[k][1] * out[k][1];
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
    return power;
}

namespace {

double refinedPeak(const std::vector<double>& power, long from, long to) {
    from = std::max(from, 1L);
    to = std::min(to, static_cast<long>(power.size()) - 2);
    long best = from;
    for (long k = from; k <= to; ++k)
        if (power[static_cast<std::size_t>(k)] > power[static_cast<std::size_t>(best)]) best = k;
    const double a = std::log(power[static_cast<std::size_t>(best - 1)] + 1e-300);
    const double b = std::log(power[static_cast<std::size_t>(best)] + 1e-300);
    const double c = std::log(power[static_cast<std::size_t>(best + 1)] + 1e-300);
    const double denominator = a - 2 * b + c;
    return static_cast<double>(best) + (denominator != 0.0 ? 0.5 * (a - c) / denominator : 0.0);
}

}  // namespace

double peakFrequency(const std::vector<float>& samples, double rate) {
    const std::vector<double> power = powerSpectrum(samples);
    const double binHz = rate / static_cast<double>(samples.size());
    return refinedPeak(power, static_cast<long>(20.0 / binHz) + 1, static_cast<long>(power.size()) - 2) * binHz;
}

double nonHarmonicDb(const std::vector<float>& samples, double rate, double f0, double limitHz) {
    const std::vector<double> power = powerSpectrum(samples);
    const double binHz = rate / static_cast<double>(samples.size());
    const double fundamental = refinedPeak(power, static_cast<long>(f0 * 0.97 / binHz), static_cast<long>(f0 * 1.03 / binHz));
    const long limit = std::min(static_cast<long>(limitHz / binHz), static_cast<long>(power.size()) - 1);
    std::vector<bool> onHarmonic(power.size(), false);
    for (double h = fundamental; h < static_cast<double>(limit) + kLobe; h += fundamental)
        for (long k = std::lround(h) - kLobe; k <= std::lround(h) + kLobe; ++k)
            if (k >= 0 && k < static_cast<long>(power.size())) onHarmonic[static_cast<std::size_t>(k)] = true;
    double harmonic = 0.0, rest = 0.0;
    // Below 30 Hz lies what a DC offset leaves, which is no aliasing.
    for (long k = static_cast<long>(30.0 / binHz); k <= limit; ++k)
        (onHarmonic[static_cast<std::size_t>(k)] ? harmonic : rest) += power[static_cast<std::size_t>(k)];
    return 10.0 * std::log10(rest / harmonic);
}

}  // namespace vexlo::test
