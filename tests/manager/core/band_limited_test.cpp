// The high-quality resampler measured with pure tones: what it keeps, what it keeps out, and
// that its blocks and its silences leave no trace.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "manager/core/band_limited_resampler.h"

using vexlo::manager::BandLimitedResampler;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHostRate = 44100.0;
constexpr int kFactors[] = {2, 4, 6, 8};

std::vector<float> tone(double frequency, double rate, int count) {
    std::vector<float> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) samples[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(2.0 * kPi * frequency * i / rate));
    return samples;
}

// The level of a tone in dB relative to a full-scale sine, and what is left when the best
// fitting sine of that frequency is taken out of the signal; both from `skip` on.
struct Fit {
    double levelDb;
    double restDb;
};
Fit fitTone(const std::vector<float>& samples, double frequency, double rate, std::size_t skip) {
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (std::size_t i = skip; i < samples.size(); ++i) {
        const double s = std::sin(2.0 * kPi * frequency * static_cast<double>(i) / rate);
        const double c = std::cos(2.0 * kPi * frequency * static_cast<double>(i) / rate);
        ss += s * s, cc += c * c, sc += s * c, ys += samples[i] * s, yc += samples[i] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double rest = 0;
    for (std::size_t i = skip; i < samples.size(); ++i) {
        const double phase = 2.0 * kPi * frequency * static_cast<double>(i) / rate;
        const double e = samples[i] - (a * std::sin(phase) + b * std::cos(phase));
        rest += e * e;
    }
    const double count = static_cast<double>(samples.size() - skip);
    return {20.0 * std::log10(std::sqrt(a * a + b * b)), 10.0 * std::log10(rest / count / 0.5 + 1e-30)};
}

double rmsDb(const std::vector<float>& samples, std::size_t skip) {
    double sum = 0;
    for (std::size_t i = skip; i < samples.size(); ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return 10.0 * std::log10(sum / static_cast<double>(samples.size() - skip) / 0.5 + 1e-30);
}

std::vector<float> down(int factor, const std::vector<float>& in, int block) {
    BandLimitedResampler resampler;
    resampler.setFactor(factor);
    const int frames = static_cast<int>(in.size()) / factor;
    std::vector<float> out(static_cast<std::size_t>(frames));
    for (int done = 0; done < frames; done += block) {
        const int n = std::min(block, frames - done);
        resampler.down(in.data() + static_cast<std::size_t>(done) * factor, n, out.data() + done);
    }
    return out;
}

std::vector<float> up(int factor, const std::vector<float>& in, int block) {
    BandLimitedResampler resampler;
    resampler.setFactor(factor);
    const int frames = static_cast<int>(in.size());
    std::vector<float> out(static_cast<std::size_t>(frames) * factor);
    for (int done = 0; done < frames; done += block) {
        const int n = std::min(block, frames - done);
        resampler.up(in.data() + done, n, out.data() + static_cast<std::size_t>(done) * factor);
    }
    return out;
}

constexpr int kFrames = 8192;
constexpr std::size_t kSettle = 512;

}  // namespace

TEST(BandLimitedResampler, DownKeepsThePassBandFlatAndKeepsOutWhatWouldFoldBack) {
    for (int factor : kFactors) {
        const double high = kHostRate * factor;
        for (double f : {50.0, 1000.0, 7000.0, 15000.0, 19000.0, 20000.0}) {
            const Fit fit = fitTone(down(factor, tone(f, high, kFrames * factor), 256), f, kHostRate, kSettle);
            EXPECT_NEAR(fit.levelDb, 0.0, 0.1) << factor << "x, " << f << " Hz";
            EXPECT_LT(fit.restDb, -90.0) << factor << "x, " << f << " Hz";
        }
        // Everything that would land below 20 kHz once at the host's rate.
        for (double f = kHostRate - 20000.0; f < high / 2; f += 1733.0) {
            const double folded = std::fabs(f - kHostRate * std::round(f / kHostRate));
            if (folded > 20000.0) continue;
            EXPECT_LT(rmsDb(down(factor, tone(f, high, kFrames * factor), 256), kSettle), -90.0)
                << factor << "x, " << f << " Hz";
        }
    }
}

TEST(BandLimitedResampler, UpKeepsTheToneAndLeavesOutItsImages) {
    for (int factor : kFactors) {
        for (double f : {100.0, 5000.0, 12000.0, 20000.0}) {
            const Fit fit = fitTone(up(factor, tone(f, kHostRate, kFrames), 256), f, kHostRate * factor, kSettle * factor);
            EXPECT_NEAR(fit.levelDb, 0.0, 0.1) << factor << "x, " << f << " Hz";
            EXPECT_LT(fit.restDb, -90.0) << factor << "x, " << f << " Hz";
        }
    }
}

TEST(BandLimitedResampler, BlocksOfAnySizeGiveTheSameSamples) {
    const std::vector<float> music = [] {
        std::vector<float> a = tone(440.0, kHostRate * 8, kFrames * 8), b = tone(23456.0, kHostRate * 8, kFrames * 8);
        for (std::size_t i = 0; i < a.size(); ++i) a[i] = 0.5f * a[i] + 0.25f * b[i];
        return a;
    }();
    for (int factor : kFactors) {
        const std::vector<float> in(music.begin(), music.begin() + kFrames * factor);
        const std::vector<float> whole = down(factor, in, kFrames);
        for (int block : {1, 7, 100, 256, 257, 1000}) EXPECT_EQ(down(factor, in, block), whole) << factor << "x by " << block;
        const std::vector<float> hostSide(music.begin(), music.begin() + kFrames);
        const std::vector<float> upWhole = up(factor, hostSide, kFrames);
        for (int block : {1, 13, 256, 300}) EXPECT_EQ(up(factor, hostSide, block), upWhole) << factor << "x by " << block;
    }
}

TEST(BandLimitedResampler, SilenceAfterSoundIsExactSilenceAndTheNextSoundStartsClean) {
    for (int factor : kFactors) {
        BandLimitedResampler resampler, fresh;
        resampler.setFactor(factor);
        fresh.setFactor(factor);
        const std::vector<float> sound = tone(3000.0, kHostRate, 300), silence(4096, 0.0f);
        std::vector<float> out(4096 * static_cast<std::size_t>(factor)), again(out.size());
        resampler.up(sound.data(), 300, out.data());
        resampler.up(silence.data(), 4096, out.data());
        for (std::size_t i = 2048 * static_cast<std::size_t>(factor); i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << factor;
        resampler.up(sound.data(), 300, out.data());
        fresh.up(sound.data(), 300, again.data());
        EXPECT_TRUE(std::equal(again.begin(), again.begin() + 300 * factor, out.begin())) << factor;
    }
}

TEST(BandLimitedResampler, LatencyIsTheFiltersDelayInHostSamples) {
    // A click through down arrives where the latency says, and its peak is there.
    for (int factor : kFactors) {
        std::vector<float> click(static_cast<std::size_t>(256 * factor), 0.0f);
        click[0] = 1.0f;
        BandLimitedResampler resampler;
        resampler.setFactor(factor);
        std::vector<float> out(256);
        resampler.down(click.data(), 256, out.data());
        const long peak = std::max_element(out.begin(), out.end()) - out.begin();
        EXPECT_NEAR(static_cast<double>(peak), resampler.latency(), 0.5) << factor;
    }
    EXPECT_EQ(BandLimitedResampler::latencyAt(1), 0.0);
}
