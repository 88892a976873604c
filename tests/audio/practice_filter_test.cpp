#include "audio/practice_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
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

// Gain in dB of a sine at `hz` through the filter, from the RMS of the
// output after the transient: 1.5 s processed in 256-frame blocks (as the
// callback would), the first 0.5 s left out. Both channels carry the sine;
// the left one is measured.
double gain_db(PracticeFilter& f, double hz, int rate) {
    constexpr double amplitude = 0.5;
    constexpr int block = 256;
    const int total = rate * 3 / 2, skip = rate / 2;
    std::vector<float> l(block), r(block);
    double sum = 0;
    for (int start = 0; start < total; start += block) {
        const int n = std::min(block, total - start);
        for (int i = 0; i < n; ++i)
            l[i] = r[i] = float(amplitude * std::sin(two_pi * hz * double(start + i) / rate));
        f.process(l.data(), r.data(), n);
        for (int i = 0; i < n; ++i)
            if (start + i >= skip) sum += double(l[i]) * l[i];
    }
    const double rms = std::sqrt(sum / (total - skip));
    return 20 * std::log10(rms / (amplitude / std::sqrt(2.0)));
}

// Full-scale white noise, the same on both channels.
Stereo noise(std::size_t n, unsigned seed) {
    Stereo s(n);
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    for (std::size_t i = 0; i < n; ++i)
        s.left[i] = s.right[i] = d(gen);
    return s;
}

} // namespace

TEST(PracticeFilter, BandEdgesLieHalfASemitoneOut) {
    const double half = std::pow(2.0, 1.0 / 24);
    EXPECT_NEAR(band_lower_edge_hz(36), 440 / half, 1e-9); // A4
    EXPECT_NEAR(band_upper_edge_hz(36), 440 * half, 1e-9);
    EXPECT_NEAR(band_lower_edge_hz(2), 59.98, 0.01);  // B1
    EXPECT_NEAR(band_upper_edge_hz(75), 4308.7, 0.1); // C8
    for (int b = 2; b < 75; ++b)
        EXPECT_NEAR(band_upper_edge_hz(b), band_lower_edge_hz(b + 1), 1e-9) << b;
}

// The focus passes the middle of its range within 1 dB and is at least
// 30 dB down 7 semitones past either edge, 60 dB an octave past. A side whose
// test tone falls below 20 Hz or above 0.45 of the rate has no filter there
// (or a clamped one) and is not measured.
TEST(PracticeFilter, FocusPassesItsRangeAndCutsOutside) {
    struct Case {
        int rate, low, high;
    };
    const Case cases[] = {
        {44100, 2, 75}, {44100, 10, 21}, {44100, 30, 54}, {44100, 60, 75}, {44100, 34, 38},
        {48000, 2, 75}, {48000, 10, 21}, {48000, 30, 54}, {48000, 60, 75}, {48000, 34, 38},
        {8000, 2, 75},  {8000, 60, 75},  {192000, 2, 75}, {192000, 2, 14},
    };
    const struct {
        int semitones;
        double min_cut_db;
    } distances[] = {{7, 30}, {12, 60}};
    for (const auto& c : cases) {
        const auto where = ::testing::Message()
                           << c.rate << " Hz, bands " << c.low << "…" << c.high;
        PracticeFilter f(c.rate);
        f.configure(ChannelMode::stereo, c.low, c.high);
        const double lower = band_lower_edge_hz(c.low), upper = band_upper_edge_hz(c.high);
        EXPECT_NEAR(gain_db(f, std::sqrt(lower * upper), c.rate), 0, 1) << where;
        for (const auto& d : distances) {
            const double step = std::pow(2.0, d.semitones / 12.0);
            if (lower / step >= 20) {
                EXPECT_LT(gain_db(f, lower / step, c.rate), -d.min_cut_db)
                    << where << ", " << d.semitones << " below";
            }
            if (upper * step <= 0.45 * c.rate) {
                EXPECT_LT(gain_db(f, upper * step, c.rate), -d.min_cut_db)
                    << where << ", " << d.semitones << " above";
            }
        }
    }
}

// The focus filters what the channel mode made: with the left side on both
// speakers, a tone in range on the right only is not heard, and the two
// speakers carry the same filtered left side.
TEST(PracticeFilter, FocusFollowsTheChannelMode) {
    constexpr int rate = 44100, n = 8192;
    Stereo s = noise(n, 7);
    for (int i = 0; i < n; ++i)
        s.right[i] = float(0.8 * std::sin(two_pi * 440 * i / rate));
    PracticeFilter f(rate);
    f.configure(ChannelMode::left, 30, 42);
    f.process(s.left.data(), s.right.data(), n);
    EXPECT_EQ(s.left, s.right);
    EXPECT_LT(amplitude_at(s.left, 440, rate), 0.02); // noise only
}

// After reset(), or a configure that changes the focus, silence in gives
// exact silence out; a configure that only changes the mode keeps the tail.
TEST(PracticeFilter, ResetClearsTheFilterMemory) {
    struct Case {
        const char* name;
        void (*act)(PracticeFilter&);
        bool tail_kept;
    };
    const Case cases[] = {
        {"nothing", [](PracticeFilter&) {}, true},
        {"reset", [](PracticeFilter& f) { f.reset(); }, false},
        {"new focus", [](PracticeFilter& f) { f.configure(ChannelMode::stereo, 20, 40); }, false},
        {"new mode", [](PracticeFilter& f) { f.configure(ChannelMode::mono, 20, 50); }, true},
    };
    for (const auto& c : cases) {
        PracticeFilter f(48000);
        f.configure(ChannelMode::stereo, 20, 50);
        Stereo loud = noise(4096, 3);
        f.process(loud.left.data(), loud.right.data(), 4096);
        c.act(f);
        Stereo quiet(256);
        f.process(quiet.left.data(), quiet.right.data(), 256);
        const bool tail =
            std::any_of(quiet.left.begin(), quiet.left.end(), [](float v) { return v != 0; });
        EXPECT_EQ(tail, c.tail_kept) << c.name;
    }
}

// Full-scale noise and a full-scale square wave through the narrowest and
// widest foci, at the lowest and highest rates, in one long call each: every
// output stays finite and within a sane bound.
TEST(PracticeFilter, LongBuffersStayFiniteAtEveryRate) {
    const int rates[] = {8000, 44100, 192000};
    const int foci[][2] = {{2, 2}, {2, 75}, {40, 40}, {75, 75}};
    for (int rate : rates)
        for (const auto& focus : foci) {
            const std::size_t n = std::size_t(rate) * 5;
            Stereo s = noise(n, unsigned(rate + focus[0]));
            for (std::size_t i = n / 2; i < n; ++i)
                s.right[i] = (i / 37) % 2 ? 1.0f : -1.0f;
            PracticeFilter f(rate);
            f.configure(ChannelMode::centre_removed, focus[0], focus[1]);
            f.process(s.left.data(), s.right.data(), int(n));
            float peak = 0;
            bool finite = true;
            for (std::size_t i = 0; i < n; ++i) {
                finite = finite && std::isfinite(s.left[i]) && std::isfinite(s.right[i]);
                peak = std::max({peak, std::abs(s.left[i]), std::abs(s.right[i])});
            }
            EXPECT_TRUE(finite) << rate << " Hz, band " << focus[0];
            EXPECT_LT(peak, 8.0f) << rate << " Hz, band " << focus[0];
        }
}

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
        {ChannelMode::audit, {a_left / 2, a_right / 2, a_centre}, {0, 0, 0}},
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
        // 3e-4 is 60 dB below the centred tone, so centre removed cancels it
        // by at least that; single-precision rounding lies far below.
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(amplitude_at(s.left, tones[k], rate), c.out_left[k], 3e-4)
                << int(c.mode) << " left, tone " << tones[k];
            EXPECT_NEAR(amplitude_at(s.right, tones[k], rate), c.out_right[k], 3e-4)
                << int(c.mode) << " right, tone " << tones[k];
        }
    }
}

TEST(PracticeFilter, NeutralLeavesSamplesBitIdentical) {
    constexpr int n = 4096;
    Stereo in = noise(n + 1, 5);
    for (float& v : in.right)
        v *= -0.7f;
    in.left[n] = in.right[n] = 9.0f; // sentinel past the end
    PracticeFilter f(44100);
    EXPECT_TRUE(f.neutral());
    f.configure(ChannelMode::mono, 0, 0);
    EXPECT_FALSE(f.neutral());
    f.configure(ChannelMode::stereo, 30, 40);
    EXPECT_FALSE(f.neutral());
    f.configure(ChannelMode::stereo, 0, 0);
    ASSERT_TRUE(f.neutral());
    Stereo out = in;
    f.process(out.left.data(), out.right.data(), n);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
}
