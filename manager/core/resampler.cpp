#include "manager/core/resampler.h"

#include <cmath>

namespace vexlo::manager {

void upsample(const float* in, int frames, int factor, float* out) {
    for (int i = 0; i < frames; ++i) {
        const float sample = in[i];
        for (int k = 0; k < factor; ++k) *out++ = sample;
    }
}

void decimate(const float* in, int frames, int factor, float& state, float* out) {
    const double f = factor;
    const double c = 0.5f / f;
    const double gain = 1.0f + static_cast<double>(0.1f) * f;
    double s = state;
    for (int k = 0; k < frames; ++k, in += factor) {
        double rest = 0.0;
        for (int i = 1; i < factor; ++i) rest += in[i];
        const double sum = in[0] / f + s + c * rest;
        // The carried value is the group's second sample, scaled; tiny values are flushed so
        // that no denormal lingers in the state.
        float carried = static_cast<float>(c * in[1]);
        if (std::fabs(carried) < 1e-30f) carried = 0.0f;
        s = carried;
        out[k] = static_cast<float>(sum * gain);
    }
    state = static_cast<float>(s);
}

}  // namespace vexlo::manager
