#include "analysis/tuning.h"

#include "analysis/fftw_planner.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

namespace pitkad {

namespace {

constexpr int window_size = 16384;
constexpr int hop = window_size / 2;
// Histogram bins per cent.
constexpr int bins_per_cent = 10;
constexpr int bins = 100 * bins_per_cent;
// Peaks between these frequencies, and within this many dB of the loudest
// peak of their window, are counted.
constexpr double lowest_hz = 60.0, highest_hz = 4000.0;
constexpr double peak_range_db = 30.0;

// Index of a distance in cents (any value) on the circular histogram.
int bin_of(double cents) {
    const double c = cents - 100.0 * std::floor(cents / 100.0); // 0 ≤ c < 100
    return std::min(bins - 1, int(c * bins_per_cent));
}

} // namespace

struct TuningEstimator::Fft {
    float* in = nullptr;
    fftwf_complex* out = nullptr;
    fftwf_plan plan = nullptr;
    std::vector<float> window;
    Fft() {
        in = fftwf_alloc_real(window_size);
        out = fftwf_alloc_complex(window_size / 2 + 1);
        {
            const std::lock_guard lock(fftw_planner_mutex());
            plan = fftwf_plan_dft_r2c_1d(window_size, in, out, FFTW_ESTIMATE);
        }
        window.resize(window_size);
        for (int i = 0; i < window_size; ++i)
            window[std::size_t(i)] =
                float(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / window_size));
    }
    ~Fft() {
        {
            const std::lock_guard lock(fftw_planner_mutex());
            fftwf_destroy_plan(plan);
        }
        fftwf_free(out);
        fftwf_free(in);
    }
};

TuningEstimator::TuningEstimator(int rate, double max_seconds)
    : fft_(std::make_unique<Fft>()), rate_(rate),
      max_samples_(std::int64_t(std::max(0.0, max_seconds) * rate)),
      histogram_(std::size_t(bins), 0.0) {}

TuningEstimator::~TuningEstimator() = default;

bool TuningEstimator::wants_more() const {
    return seen_ < max_samples_;
}

void TuningEstimator::add(std::span<const float> samples) {
    while (!samples.empty() && wants_more()) {
        const std::size_t n = std::min<std::size_t>(
            samples.size(), std::size_t(std::min<std::int64_t>(max_samples_ - seen_, hop)));
        pending_.insert(pending_.end(), samples.begin(), samples.begin() + std::ptrdiff_t(n));
        samples = samples.subspan(n);
        seen_ += std::int64_t(n);
        while (pending_.size() >= std::size_t(window_size)) {
            analyse_window();
            pending_.erase(pending_.begin(), pending_.begin() + hop);
        }
    }
}

void TuningEstimator::analyse_window() {
    Fft& f = *fft_;
    for (int i = 0; i < window_size; ++i)
        f.in[i] = pending_[std::size_t(i)] * f.window[std::size_t(i)];
    fftwf_execute(f.plan);

    const double bin_hz = double(rate_) / window_size;
    const int low = std::max(2, int(lowest_hz / bin_hz));
    const int high = std::min(window_size / 2 - 2, int(highest_hz / bin_hz));
    std::vector<double> db(std::size_t(high + 3), -300.0);
    double loudest = -300.0;
    for (int k = low - 2; k <= high + 2; ++k) {
        const double re = f.out[k][0], im = f.out[k][1];
        db[std::size_t(k)] = 10.0 * std::log10(re * re + im * im + 1e-30);
    }
    for (int k = low; k <= high; ++k)
        loudest = std::max(loudest, db[std::size_t(k)]);
    // Silence, or a window too quiet to hold notes (16-bit scale).
    if (loudest < 20.0) return;

    for (int k = low; k <= high; ++k) {
        const double b = db[std::size_t(k)];
        if (b < loudest - peak_range_db) continue;
        if (!(b > db[std::size_t(k - 1)] && b >= db[std::size_t(k + 1)] &&
              b > db[std::size_t(k - 2)] && b >= db[std::size_t(k + 2)]))
            continue;
        // The peak's position between bins: a parabola through the log
        // magnitudes of the bin and its neighbours.
        const double a = db[std::size_t(k - 1)], c = db[std::size_t(k + 1)];
        const double denominator = a - 2 * b + c;
        const double offset = denominator < 0 ? 0.5 * (a - c) / denominator : 0.0;
        const double hz = (k + offset) * bin_hz;
        const double cents = 1200.0 * std::log2(hz / 440.0);
        // Louder peaks weigh more: the amplitude over the window's floor.
        const double weight = std::pow(10.0, (b - (loudest - peak_range_db)) / 20.0);
        histogram_[std::size_t(bin_of(cents))] += weight;
        total_weight_ += weight;
        ++peaks_;
    }
}

TuningEstimate TuningEstimator::result() const {
    TuningEstimate e;
    if (peaks_ < 20 || total_weight_ <= 0) return e;
    // The mode: the histogram smoothed over a few cents, circularly.
    constexpr int spread = 3 * bins_per_cent;
    int best = 0;
    double best_sum = -1;
    for (int i = 0; i < bins; ++i) {
        double sum = 0;
        for (int d = -spread; d <= spread; ++d) {
            const double w = 1.0 - std::abs(d) / double(spread + 1);
            sum += w * histogram_[std::size_t((i + d + bins) % bins)];
        }
        if (sum > best_sum) {
            best_sum = sum;
            best = i;
        }
    }
    // Refined by the mean of the distances near the mode.
    constexpr int near = 6 * bins_per_cent;
    double weight = 0, offset = 0;
    for (int d = -near; d <= near; ++d) {
        const double w = histogram_[std::size_t((best + d + bins) % bins)];
        weight += w;
        offset += w * d;
    }
    if (weight <= 0) return e;
    double cents = (best + 0.5 + offset / weight) / bins_per_cent;
    cents -= 100.0 * std::floor((cents + 50.0) / 100.0); // −50 ≤ cents < 50
    e.ok = true;
    e.cents = cents;
    e.a4_hz = 440.0 * std::pow(2.0, cents / 1200.0);
    e.strength = weight / total_weight_;
    return e;
}

} // namespace pitkad
