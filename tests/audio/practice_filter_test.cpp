#include "audio/practice_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace pitkad;

namespace {

constexpr double two_pi = 2 * std::numbers::pi;

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(std::size_t n) : left(n), right(n) {}
};

// Amplitude of the component at `hz` in x, by correlation with a sine and a
// cosine; exact for tones of whole cycles over x.
double amplitude_at(const std::vector<float>& x, double hz, int rate) {
    double s = 0, c = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double p = two_pi * hz * double(i) / rate;
        s += x[i] * std::sin(p);
        c += x[i] * std::cos(p);
    }
    return 2 * std::hypot(s, c) / double(x.size());
}

} // namespace

// One second at 48 kHz: 300 Hz on the left only, 500 Hz on the right only,
// 700 Hz alike on both (a centred voice); whole cycles, so the components
// separate exactly.
TEST(PracticeFilter, ChannelModesRouteEachSide) {
    constexpr int rate = 48000;
    constexpr double a_left = 0.4, a_right = 0.2, a_centre = 0.3;
    struct Case {
        ChannelMode mode;
        // Expected amplitudes of the left, right and centred tones, per speaker.
        double out_left[3], out_right[3];
    };
    const Case cases[] = {
        {ChannelMode::stereo, {a_left, 0, a_centre}, {0, a_right, a_centre}},
        {ChannelMode::left, {a_left, 0, a_centre}, {a_left, 0, a_centre}},
        {ChannelMode::right, {0, a_right, a_centre}, {0, a_right, a_centre}},
        {ChannelMode::mono,
         {a_left / 2, a_right / 2, a_centre},
         {a_left / 2, a_right / 2, a_centre}},
        {ChannelMode::centre_removed, {a_left, a_right, 0}, {a_left, a_right, 0}},
    };
    const double tones[3] = {300, 500, 700};
    for (const auto& c : cases) {
        Stereo s(rate);
        for (int i = 0; i < rate; ++i) {
            const double t = double(i) / rate;
            const double centre = a_centre * std::sin(two_pi * tones[2] * t);
            s.left[i] = float(a_left * std::sin(two_pi * tones[0] * t) + centre);
            s.right[i] = float(a_right * std::sin(two_pi * tones[1] * t) + centre);
        }
        PracticeFilter f(rate);
        f.configure(c.mode, 0, 0);
        f.process(s.left.data(), s.right.data(), rate);
        for (int k = 0; k < 3; ++k) {
            // 0.1 % of full level: rounding to single precision is far below.
            EXPECT_NEAR(amplitude_at(s.left, tones[k], rate), c.out_left[k], 1e-3)
                << int(c.mode) << " left, tone " << tones[k];
            EXPECT_NEAR(amplitude_at(s.right, tones[k], rate), c.out_right[k], 1e-3)
                << int(c.mode) << " right, tone " << tones[k];
        }
        if (c.mode == ChannelMode::centre_removed) {
            // The centred tone is cancelled by at least 60 dB.
            EXPECT_LT(amplitude_at(s.left, tones[2], rate), a_centre * 1e-3);
            EXPECT_LT(amplitude_at(s.right, tones[2], rate), a_centre * 1e-3);
        }
    }
}

TEST(PracticeFilter, NeutralLeavesSamplesBitIdentical) {
    constexpr int n = 4096;
    Stereo in(n + 1);
    unsigned seed = 12345;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        in.left[i] = float(int(seed >> 8) % 65536 - 32768) / 32768.0f;
        in.right[i] = -0.7f * in.left[i];
    }
    in.left[n] = in.right[n] = 9.0f; // sentinel past the end
    PracticeFilter f(44100);
    EXPECT_TRUE(f.neutral());
    f.configure(ChannelMode::mono, 0, 0);
    EXPECT_FALSE(f.neutral());
    f.configure(ChannelMode::stereo, 0, 0);
    ASSERT_TRUE(f.neutral());
    Stereo out = in;
    f.process(out.left.data(), out.right.data(), n);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
}
