#include "analysis/tuning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace pitkad {
namespace {

// Notes of a tune (MIDI numbers) played one after another at a reference
// `a4`, each with harmonics 1 … 6 falling off, so that partials off the
// equal-tempered grid (the 5th sits 14 cents flat, the 3rd 2 cents sharp)
// are heard too.
std::vector<float> tune(double a4, double seconds) {
    const int notes[] = {57, 60, 64, 67, 62, 65, 69, 55};
    std::vector<float> s(std::size_t(seconds * 44100));
    const std::size_t per_note = s.size() / std::size(notes);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const int note = notes[std::min(i / per_note, std::size(notes) - 1)];
        const double f0 = a4 * std::pow(2.0, (note - 69) / 12.0);
        double v = 0;
        for (int h = 1; h <= 6; ++h)
            v += 3000.0 / h * std::sin(2 * std::numbers::pi * f0 * h * double(i) / 44100.0);
        s[i] = float(v);
    }
    return s;
}

TEST(Tuning, EstimatesTheReferenceToACent) {
    for (const double a4 : {440.0, 446.1, 432.0, 415.3 * std::pow(2.0, 0.4 / 12), 451.0}) {
        SCOPED_TRACE(a4);
        TuningEstimator e;
        const std::vector<float> s = tune(a4, 8);
        // In pieces of any size.
        for (std::size_t at = 0, n = 1000; at < s.size(); at += n, n = n * 7 % 30011 + 1)
            e.add(std::span(s).subspan(at, std::min(n, s.size() - at)));
        const TuningEstimate t = e.result();
        ASSERT_TRUE(t.ok);
        double want = 1200.0 * std::log2(a4 / 440.0);
        want -= 100.0 * std::floor((want + 50.0) / 100.0);
        EXPECT_NEAR(t.cents, want, 1.0);
        EXPECT_NEAR(t.a4_hz, 440.0 * std::pow(2.0, want / 1200.0), 0.3);
    }
}

TEST(Tuning, SilenceAndTooLittleTellNothing) {
    TuningEstimator silent;
    silent.add(std::vector<float>(44100 * 5, 0.0f));
    EXPECT_FALSE(silent.result().ok);

    TuningEstimator brief;
    brief.add(tune(440, 0.2));
    EXPECT_FALSE(brief.result().ok);

    // Past its limit the estimator looks no further.
    TuningEstimator limited(44100, 1.0);
    limited.add(tune(440, 3));
    EXPECT_FALSE(limited.wants_more());
}

} // namespace
} // namespace pitkad
