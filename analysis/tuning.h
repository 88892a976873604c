#pragma once
// The tuning of a recording: how far its notes sit from the equal-tempered
// grid of A4 = 440 Hz, in cents. The spectrum's peaks are located to a
// fraction of a bin, each peak's distance to the nearest semitone of the
// grid is weighed by its strength, and the most common distance is taken
// (the mode of a circular histogram, refined by the mean near it), so that
// partials off the grid (a fifth harmonic sits 14 cents flat) do not pull
// the answer. The grid repeats every semitone: a recording tuned a whole
// semitone away reads as in tune, and the answer lies in −50 … +50 cents.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pitkad {

struct TuningEstimate {
    bool ok = false;       // enough tonal peaks to tell
    double cents = 0;      // −50 ≤ cents < 50
    double a4_hz = 440.0;  // 440 × 2^(cents / 1200)
    double strength = 0;   // 0 … 1: how much of the peaks' weight agrees
};

class TuningEstimator {
  public:
    // Samples at `rate` Hz; at most `max_seconds` of them are looked at.
    explicit TuningEstimator(int rate = 44100, double max_seconds = 600);
    ~TuningEstimator();
    TuningEstimator(const TuningEstimator&) = delete;
    TuningEstimator& operator=(const TuningEstimator&) = delete;

    // The next samples of the recording, in order, on any scale.
    void add(std::span<const float> samples);
    // Whether more samples would still be looked at.
    bool wants_more() const;
    TuningEstimate result() const;

  private:
    void analyse_window();

    struct Fft;
    std::unique_ptr<Fft> fft_;
    int rate_;
    std::int64_t max_samples_;
    std::int64_t seen_ = 0;
    std::vector<float> pending_;
    // Weight per cent of distance, 0 … 99 standing for 0 … +99 (≡ −1 …).
    std::vector<double> histogram_;
    double total_weight_ = 0;
    int peaks_ = 0;
};

} // namespace pitkad
