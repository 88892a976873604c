// The band kernel against the definition summed directly in long double:
// for a few hard signals, the worst error in dB of the cells within 60 dB of
// the frame's loudest band, and of those 60 to 80 dB down. Every ninth frame
// of a 64-frame slab, 882 samples apart. Prints a table; not a timing.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "analysis/band_kernel.h"

namespace {

using namespace pitkad;

double direct_power(int band, const float* history) {
    const int n = window_length_of(band);
    const float* x = history + history_centre - n / 2;
    long double re = 0, im = 0;
    for (int i = 0; i < n; ++i) {
        const long double w = 27.0L / 23.0L - std::cos(2 * M_PIl * i / n);
        const long double a = 2 * M_PIl * double((36LL * i) % n) / n;
        re += w * x[i] * std::cos(a);
        im -= w * x[i] * std::sin(a);
    }
    return double((re * re + im * im) / ((long double)n * n));
}

double sample(int signal, int i, std::mt19937& gen) {
    std::normal_distribution<double> faint(0, 2);
    std::uniform_int_distribution<int> full(-32768, 32767);
    const double t = i / 44100.0;
    double v = 0;
    switch (signal) {
    case 0:
        return 20000 * std::sin(2 * M_PI * 3000 * t) +
               8000 * (std::sin(2 * M_PI * 1250 * t + 0.3) >= 0 ? 1 : -1) +
               30 * std::sin(2 * M_PI * 65 * t) + 30 * std::sin(2 * M_PI * 98 * t + 1) + faint(gen);
    case 1:
        return full(gen);
    case 2:
        for (double f : {130.8, 164.8, 196.0, 261.6})
            for (int k = 1; k <= 10; ++k)
                v += 3000.0 / (k * k) * std::sin(2 * M_PI * f * k * t + k) * std::exp(-t);
        return v;
    case 3:
        return (i % 997 == 0 ? 32767 : 0) + 3 * std::sin(i * 0.31);
    default:
        return (i / 50) % 2 ? 32767 : -32768;
    }
}

} // namespace

int main() {
    const BandTables tables = build_band_tables();
    KernelWork work;
    constexpr int frames = kernel_batch_frames;
    constexpr int length = history_length + (frames - 1) * frame_step;
    const char* names[] = {"loud 3 kHz sine and 1250 Hz square over quiet low tones",
                           "white noise, full scale", "four-note chord, ten partials",
                           "full-scale clicks over a 3-unit tone", "full-scale square wave"};
    std::printf("%-58s %6s %12s %12s\n", "signal", "cells", "worst dB", "60-80 dB");
    for (int s = 0; s < 5; ++s) {
        std::mt19937 gen(3);
        std::vector<float> x(length);
        for (int i = 0; i < length; ++i)
            x[std::size_t(i)] =
                float(std::lround(std::clamp(sample(s, i, gen), -32768.0, 32767.0)));
        std::vector<float> out(std::size_t(frames) * cells_per_frame);
        analyse_slab(tables, x.data(), length, frame_step, frames, first_band, last_band, work,
                     out.data(), cells_per_frame, best_kernel_path());
        double worst = 0, worst_low = 0;
        int cells = 0;
        for (int k = 0; k < frames; k += 9) {
            double ref[cells_per_frame] = {}, peak = 0;
            for (int b = first_band; b <= last_band; ++b)
                peak = std::max(peak, ref[b] = direct_power(b, x.data() + k * frame_step));
            for (int b = first_band; b <= last_band; ++b) {
                const double e =
                    std::abs(10 * std::log10(out[std::size_t(k * cells_per_frame + b)] / ref[b]));
                if (ref[b] > peak * 1e-6) {
                    worst = std::max(worst, e);
                    ++cells;
                } else if (ref[b] > peak * 1e-8) {
                    worst_low = std::max(worst_low, e);
                }
            }
        }
        std::printf("%-58s %6d %12.5f %12.5f\n", names[s], cells, worst, worst_low);
    }
}
