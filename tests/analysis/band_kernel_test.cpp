#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
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
    std::vector<float> work_ = std::vector<float>(kernel_work_length);
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

// Folded kernel against the direct sum of the definition: random noise, an
// on-band sine, an off-band sine and a Dirac, for every band (all nine folds).
TEST_F(Kernel, AgreesWithDirectSumForEveryBand) {
    const std::vector<std::pair<const char*, History>> inputs = {
        {"noise", random_history(7)},
        {"sine 441", sine_history(20000, 441.0, 0.3)},
        {"sine 3000", sine_history(12000, 3000.0, 1.1)},
        {"sine 70", sine_history(32000, 70.0)},
    };
    std::set<int> folds_seen;
    for (const auto& [name, h] : inputs) {
        for (int b = first_band; b <= last_band; ++b) {
            const test::DirectPower ref = test::direct_power(b, h.data());
            const double p = power(b, h);
            EXPECT_LE(std::abs(p - ref.power), 1e-5 * std::max(ref.power, ref.energy))
                << name << " band " << b << " fold " << tables_->bands[std::size_t(b)].fold;
            folds_seen.insert(tables_->bands[std::size_t(b)].fold);
        }
    }
    EXPECT_EQ(folds_seen.size(), 9u);
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

TEST_F(Kernel, VectorisedPathsAreBitIdenticalToScalar) {
    const std::vector<History> inputs = {random_history(1), random_history(2),
                                         sine_history(32767, 441.0), sine_history(300, 1234.5)};
    int checked = 0;
    for (KernelPath path : {KernelPath::avx2, KernelPath::avx512}) {
        if (!kernel_path_supported(path)) continue;
        for (const History& h : inputs)
            for (int b = first_band; b <= last_band; ++b) {
                const float s = power(b, h);
                const float v = power(b, h, path);
                EXPECT_EQ(std::memcmp(&s, &v, sizeof s), 0)
                    << kernel_path_name(path) << " band " << b << ": " << s << " vs " << v;
                ++checked;
            }
    }
    if (checked == 0) GTEST_SKIP() << "no vector unit on this processor";
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
    EXPECT_EQ(hash, 0xedda347212201cb7ull);
}

// The frame-parallel form: each lane a different frame of one recording.
// The recordings span the fold sums' whole range: a busy full-range signal,
// a full-scale square wave (the largest sums), the quietest non-silent
// samples (the smallest), and a quiet tone under loud clicks (sums that
// cancel and change magnitude from period to period). Frames are 882
// samples apart, or 931 as at a sharp reference.
TEST_F(Kernel, FrameParallelFormIsBitIdenticalToScalar) {
    constexpr int sharp_stride = 931;
    std::vector<float> busy(history_length + 15 * sharp_stride);
    std::mt19937 gen(11);
    std::uniform_int_distribution<int> d(-32768, 32767);
    for (std::size_t i = 0; i < busy.size(); ++i)
        busy[i] = float(i % 3 == 0 ? d(gen) : std::lround(20000 * std::sin(i * 0.0628)));
    std::vector<float> square(busy.size()), quietest(busy.size()), clicks(busy.size());
    std::uniform_int_distribution<int> tiny(-1, 1);
    for (std::size_t i = 0; i < busy.size(); ++i) {
        square[i] = (i / 50) % 2 == 0 ? 32767.0f : -32768.0f;
        quietest[i] = float(tiny(gen));
        clicks[i] = i % 997 == 0 ? (i % 2 == 0 ? 32767.0f : -32768.0f)
                                 : float(std::lround(3 * std::sin(i * 0.31)));
    }
    int checked = 0;
    const std::vector<float>* recordings[] = {&busy, &square, &quietest, &clicks};
    for (int r = 0; r < 4; ++r) {
        const std::vector<float>& signal = *recordings[r];
        for (KernelPath path : {KernelPath::avx2, KernelPath::avx512}) {
            if (!kernel_path_supported(path)) continue;
            const int lanes = kernel_lanes(path);
            for (const auto& [count, stride] :
                 {std::pair{lanes, frame_step}, {lanes, sharp_stride}, {3, frame_step}}) {
                std::vector<float> interleaved(std::size_t(history_length) * lanes);
                interleave_histories(signal.data(), stride, count, interleaved.data(), path);
                std::vector<float> lanes_work(kernel_lanes_work_length);
                std::vector<float> out(static_cast<std::size_t>(lanes));
                for (int b = first_band; b <= last_band; ++b) {
                    band_power_lanes(*tables_, b, interleaved.data(), lanes_work, out.data(), path);
                    for (int k = 0; k < lanes; ++k) {
                        History h(history_length, 0.0f);
                        if (k < count)
                            std::copy_n(signal.begin() + k * stride, history_length, h.begin());
                        const float s = power(b, h);
                        ASSERT_EQ(std::memcmp(&s, &out[std::size_t(k)], sizeof s), 0)
                            << kernel_path_name(path) << " recording " << r << " band " << b
                            << " frame " << k;
                        ++checked;
                    }
                }
            }
        }
    }
    if (checked == 0) GTEST_SKIP() << "no vector unit on this processor";
}

TEST_F(Kernel, WorkBufferSentinelIsNotOverwritten) {
    std::vector<float> work(kernel_work_length + 16, 12345.0f);
    const History h = random_history(3);
    for (KernelPath path : {KernelPath::scalar, KernelPath::avx2, KernelPath::avx512}) {
        if (!kernel_path_supported(path)) continue;
        for (int b = first_band; b <= last_band; ++b)
            band_power(*tables_, b, view(h), std::span<float>(work.data(), kernel_work_length),
                       path);
        for (int i = kernel_work_length; i < kernel_work_length + 16; ++i)
            EXPECT_EQ(work[std::size_t(i)], 12345.0f);
    }
}

} // namespace
} // namespace pitkad
