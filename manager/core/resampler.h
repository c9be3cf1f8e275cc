// The oversampler's two halves: repetition up, and a short averaging filter down whose gains
// (1.2 for a factor of 2, 1.05 for 4, about 1.067 for 6, 1.125 for 8) are part of Vexlo VM's
// sound.
#pragma once

namespace vexlo::manager {

// out[j] = in[j / factor] for j < frames * factor.
void upsample(const float* in, int frames, int factor, float* out);

// Writes `frames` output samples from frames * factor input samples. `state` carries the
// filter from one group to the next and across blocks.
void decimate(const float* in, int frames, int factor, float& state, float* out);

}  // namespace vexlo::manager
