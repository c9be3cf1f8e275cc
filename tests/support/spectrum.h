// Spectra of rendered sound for the tests that listen to real instruments: a Blackman-Harris
// window (side lobes below -92 dB, so that the window's own skirt is not taken for aliasing)
// and FFTW.
#pragma once

#include <vector>

namespace vexlo::test {

// Power per bin from 0 to the Nyquist frequency of samples.size() (a power of two) samples.
std::vector<double> powerSpectrum(const std::vector<float>& samples);

// The frequency of the strongest bin above 20 Hz, refined between its neighbours.
double peakFrequency(const std::vector<float>& samples, double rate);

// The energy below `limitHz` that lies off the harmonics of f0 against the energy on them, in
// dB. f0 is refined from the strongest bin near it.
double nonHarmonicDb(const std::vector<float>& samples, double rate, double f0, double limitHz = 20000.0);

}  // namespace vexlo::test
