#pragma once
// Helpers for the analysis tests: synthetic signals, and a double-precision
// direct sum of the band definition as the reference for the folded kernel.
// Temporary folders and WAV files come from tests/common.

#include "tests/common/temp_dir.h"
#include "tests/common/test_wav.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/band_tables.h"

namespace pitkad::test {

namespace fs = std::filesystem;

// Interleaved samples: channel c of sample frame i from f(c, i).
template <class F> std::vector<std::int16_t> interleave(int frames, int channels, F f) {
    std::vector<std::int16_t> v;
    v.reserve(std::size_t(frames) * std::size_t(channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v.push_back(std::int16_t(f(c, i)));
    return v;
}

inline std::int16_t sine_sample(double amplitude, double hz, double rate, int i) {
    return std::int16_t(std::lround(amplitude * std::sin(2.0 * M_PI * hz * i / rate)));
}

struct DirectPower {
    double power = 0;  // the definition's P
    double energy = 0; // Σ (w(n) x(n))² / N², the scale of rounding errors
};

// The band definition summed directly in double precision.
inline DirectPower direct_power(int band, const float* history) {
    const int n = window_length_of(band);
    const float* x = history + history_centre - n / 2;
    double re = 0, im = 0, energy = 0;
    for (int i = 0; i < n; ++i) {
        const double w = 27.0 / 23.0 - std::cos(2.0 * M_PI * i / n);
        const double wx = w * x[i];
        const double angle = 2.0 * M_PI * 36.0 * double(i) / n;
        re += wx * std::cos(angle);
        im -= wx * std::sin(angle);
        energy += wx * wx;
    }
    const double n2 = double(n) * double(n);
    return {(re * re + im * im) / n2, energy / n2};
}

} // namespace pitkad::test
