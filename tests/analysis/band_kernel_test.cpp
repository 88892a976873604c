#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "analysis/analyse_wav.h"
#include "analysis/band_kernel.h"
#include "test_support.h"

namespace pitkad {
namespace {

using History = std::vector<float>;

History silent_history() {
    return History(history_length, 0.0f);
}

History sine_history(double amplitude, double hz, double phase = 0.0) {
    History h(history_length);
    for (int i = 0; i < history_length; ++i)
        h[std::size_t(i)] = float(std::lround(
            amplitude * std::sin(2 * M_PI * hz * (i - history_centre) / 44100.0 + phase)));
    return h;
}

History random_history(unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> d(-32768, 32767);
    History h(history_length);
    for (float& x : h)
        x = float(d(gen));
    return h;
}

std::span<const float, history_length> view(const History& h) {
    return std::span<const float, history_length>(h.data(), history_length);
}

class Kernel : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { tables_ = new BandTables(build_band_tables()); }
    static void TearDownTestSuite() { delete tables_; }
    float power(int band, const History& h, KernelPath path = KernelPath::scalar) {
        return band_power(*tables_, band, view(h), work_, path);
    }
    static BandTables* tables_;
    KernelWork work_;
};
BandTables* Kernel::tables_ = nullptr;

TEST_F(Kernel, FullScaleSineOnBand36) {
    const float p = power(36, sine_history(32767, 441.0));
    EXPECT_NEAR(p, 3.7e8, 0.01e8);
    EXPECT_NEAR(power_to_db(p), 85.7, 0.05);
    // Roughly (A · 27/46)² for any phase.
    EXPECT_NEAR(power(36, sine_history(32767, 441.0, 1.0)) / std::pow(32767 * 27.0 / 46, 2), 1.0,
                0.002);
}

TEST_F(Kernel, SilenceGivesZeroEverywhere) {
    const History h = silent_history();
    for (int b = first_band; b <= last_band; ++b)
        EXPECT_EQ(power(b, h), 0.0f) << b;
}

// Band 2 spans the whole history, band 75 only indexes 12626 … 13005.
TEST_F(Kernel, WindowExtentsFollowTheCentre) {
    const struct {
        int band, index;
        bool inside;
    } rows[] = {{2, 0, true},
                {2, history_length - 1, true},
                {75, 12625, false},
                {75, 12626, true},
                {75, 13005, true},
                {75, 13006, false},
                {36, history_centre, true}};
    for (const auto& r : rows) {
        History h = silent_history();
        h[std::size_t(r.index)] = 30000;
        EXPECT_EQ(power(r.band, h) > 0.0f, r.inside) << r.band << " @" << r.index;
    }
}

// The kernel against the direct sum of the definition: every cell within 60 dB
// of the input's loudest band within 0.01 dB of it. The inputs: noise, sines
// on and off band, and the hard case for a multirate sum, loud high partials
// (a sine and a square wave, which alias if anything does) over quiet low
// tones and faint noise.
History adversarial_history(std::size_t length = history_length) {
    std::mt19937 gen(5);
    std::normal_distribution<double> noise(0.0, 2.0);
    History h(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double t = double(i) / 44100.0;
        const double v = 20000 * std::sin(2 * M_PI * 3000 * t) +
                         8000 * (std::sin(2 * M_PI * 1250 * t + 0.3) >= 0 ? 1 : -1) +
                         30 * std::sin(2 * M_PI * 65 * t) + 30 * std::sin(2 * M_PI * 98 * t + 1) +
                         noise(gen);
        h[i] = float(std::clamp(std::lround(v), -32768L, 32767L));
    }
    return h;
}

// The largest error in dB of the cells of one history within 60 dB of its
// loudest band; `powers` holds P(b) at index b.
double worst_error_db(const float* history, const float* powers) {
    double ref[cells_per_frame] = {}, peak = 0;
    for (int b = first_band; b <= last_band; ++b)
        peak = std::max(peak, ref[b] = test::direct_power(b, history).power);
    double worst = 0;
    for (int b = first_band; b <= last_band; ++b)
        if (ref[b] > peak * 1e-6)
            worst = std::max(worst, std::abs(10 * std::log10(double(powers[b]) / ref[b])));
    return worst;
}

TEST_F(Kernel, AgreesWithDirectSumForEveryBand) {
    const std::vector<std::pair<const char*, History>> inputs = {
        {"noise", random_history(7)},
        {"sine 441", sine_history(20000, 441.0, 0.3)},
        {"sine 3000", sine_history(12000, 3000.0, 1.1)},
        {"sine 70", sine_history(32000, 70.0)},
        {"loud highs over quiet lows", adversarial_history()},
    };
    for (const auto& [name, h] : inputs) {
        float column[cells_per_frame] = {};
        analyse_frame(*tables_, view(h), work_, column, KernelPath::scalar);
        EXPECT_LE(worst_error_db(h.data(), column), 0.01) << name;
    }
}

// Frames of one slab, 882 samples apart or 931 as at a sharp reference: each
// frame agrees with the direct sum of its own history, and the vectorised
// paths give the scalar path's results bit for bit.
TEST_F(Kernel, SlabFramesAgreeWithDirectSumOnEveryPath) {
    for (const int stride : {frame_step, 931}) {
        const int length = history_length + (kernel_batch_frames - 1) * stride;
        const History slab = adversarial_history(std::size_t(length));
        std::vector<float> scalar(std::size_t(kernel_batch_frames) * cells_per_frame);
        analyse_slab(*tables_, slab.data(), length, stride, kernel_batch_frames, first_band,
                     last_band, work_, scalar.data(), cells_per_frame);
        for (int k = 0; k < kernel_batch_frames; k += 5)
            EXPECT_LE(worst_error_db(slab.data() + k * stride, scalar.data() + k * cells_per_frame),
                      0.01)
                << "stride " << stride << " frame " << k;
        for (KernelPath path : {KernelPath::avx2, KernelPath::avx512}) {
            if (!kernel_path_supported(path)) continue;
            std::vector<float> vector(scalar.size());
            analyse_slab(*tables_, slab.data(), length, stride, kernel_batch_frames, first_band,
                         last_band, work_, vector.data(), cells_per_frame, path);
            EXPECT_EQ(std::memcmp(vector.data(), scalar.data(), scalar.size() * sizeof(float)), 0)
                << kernel_path_name(path) << " stride " << stride;
        }
    }
}

TEST_F(Kernel, OnBandSineIsItsBandsPeak) {
    for (int b : {2, 13, 25, 40, 41, 52, 53, 56, 75}) {
        const History h = sine_history(10000, centre_frequency_of(b), 0.7);
        const float own = power(b, h);
        if (b > first_band) {
            EXPECT_GT(own, 10 * power(b - 1, h)) << b;
        }
        if (b < last_band) {
            EXPECT_GT(own, 10 * power(b + 1, h)) << b;
        }
    }
}

// The results are pinned bit for bit, so every compiler and build type that
// passes gives the same analysis (the value was taken from the GCC build).
TEST_F(Kernel, ResultsArePinnedAcrossCompilers) {
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a over the result bits
    for (const History& h : {random_history(1), sine_history(300, 1234.5)})
        for (int b = first_band; b <= last_band; ++b) {
            const float p = power(b, h);
            std::uint32_t bits;
            std::memcpy(&bits, &p, sizeof bits);
            hash = (hash ^ bits) * 1099511628211ull;
        }
    EXPECT_EQ(hash, 0x3462cb0bf6d9ee94ull);
}

} // namespace
} // namespace pitkad
