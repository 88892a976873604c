#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "analysis/analyse_wav.h"
#include "analysis/analysis_cache.h"
#include "analysis/loudness.h"
#include "test_support.h"

namespace pitkad {
namespace {

namespace fs = std::filesystem;

std::string lines(int count, const std::string& sep = "\n") {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += std::to_string(i + 1) + ".5" + sep;
    return s;
}

TEST(LoudnessFile, Parsing) {
    const struct {
        const char* name;
        std::string text;
        bool ok;
        std::vector<std::pair<int, float>> cells; // band, expected value
    } rows[] = {
        {"74 lines", lines(74), true, {{2, 1.5f}, {40, 39.5f}, {75, 74.5f}}},
        {"10 lines", lines(10), true, {{2, 1.5f}, {11, 10.5f}, {12, 0.0f}, {75, 0.0f}}},
        {"word as fifth value", "1\n2\n3\n4\nloud\n6\n", false, {}},
        {"number glued to a word", "1\n2x\n", false, {}},
        {"empty file", "", true, {{2, 0.0f}, {75, 0.0f}}},
        {"blank lines, tabs and CRLF",
         "\n\n\t -3.25\r\n\n+2e1\r\n.5\n",
         true,
         {{2, -3.25f}, {3, 20.0f}, {4, 0.5f}, {5, 0.0f}}},
        {"rest of the line discarded",
         "1.5 dB at B1\n2 3 4\n7\n",
         true,
         {{2, 1.5f}, {3, 2.0f}, {4, 7.0f}}},
        {"exponent without digits", "1e\n", false, {}},
        {"lone sign", "-\n", false, {}},
        {"more than 74 lines", lines(80) + "junk\n", true, {{75, 74.5f}}},
        // Finite as a double, not as a float.
        {"beyond the float range", "1\n1e39\n", false, {}},
        {"below the float range", "-3.5e38\n", false, {}},
        {"infinity written out", "inf\n", false, {}},
        {"not a number", "nan\n", false, {}},
        {"largest float", "3.4e38\n", true, {{2, 3.4e38f}}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const LoudnessLoad load = parse_loudness_table(r.text);
        EXPECT_EQ(load.ok, r.ok);
        EXPECT_EQ(load.table[0], 0.0f);
        EXPECT_EQ(load.table[1], 0.0f);
        for (const auto& [band, value] : r.cells)
            EXPECT_EQ(load.table[std::size_t(band)], value) << band;
    }
}

TEST(LoudnessFile, LoadingFiles) {
    test::TempDir dir;
    EXPECT_FALSE(load_loudness_table(dir / "loudness.dat").ok);

    // The table shipped with the program: 74 values, the equal-loudness
    // contour's offsets (far below 0 for the lowest notes, near 0 at 1 kHz).
    const LoudnessLoad shipped =
        load_loudness_table(fs::path(PITKAD_TEST_DATA_DIR) / "loudness.dat");
    if (!fs::exists(fs::path(PITKAD_TEST_DATA_DIR) / "loudness.dat")) GTEST_SKIP();
    ASSERT_TRUE(shipped.ok);
    EXPECT_LT(shipped.table[2], -20.0f);
    EXPECT_NEAR(shipped.table[48], 0.0f, 1.0f); // C5, 523 Hz
    for (int b = first_band; b <= last_band; ++b)
        EXPECT_NE(shipped.table[std::size_t(b)], 0.0f) << b;
}

class Levels : public ::testing::Test {
  protected:
    void fill(int frames, float base) {
        store_->reset();
        store_->frame_count = frames;
        for (int t = 0; t < frames; ++t)
            for (int b = first_band; b <= last_band; ++b)
                store_->at(t, b) = base + float((t * 7 + b * 3) % 23);
    }
    std::unique_ptr<SpectrogramStore> store_ = std::make_unique<SpectrogramStore>();
};

TEST_F(Levels, NormaliseToPeak) {
    fill(9, -40.0f);
    store_->at(4, 20) = 12.5f;
    normalise_to_peak(*store_);
    float peak = -1000;
    for (int t = 0; t < 9; ++t)
        for (int b = first_band; b <= last_band; ++b)
            peak = std::max(peak, store_->at(t, b));
    EXPECT_EQ(peak, 0.0f);
    EXPECT_EQ(store_->at(4, 20), 0.0f);
    EXPECT_EQ(store_->at(0, 2), -40.0f + 6.0f - 12.5f);
    // Cells 0, 1 and the columns past the recording are untouched.
    EXPECT_EQ(store_->at(3, 0), empty_level);
    EXPECT_EQ(store_->at(3, 1), empty_level);
    EXPECT_EQ(store_->at(9, 30), empty_level);

    // Silence (-60 everywhere) goes down to the empty level, as does a
    // silence normalised before with a correction added since.
    for (const float correction : {0.0f, 4.0f}) {
        SCOPED_TRACE(correction);
        store_->reset();
        store_->frame_count = 4;
        for (int t = 0; t < 4; ++t)
            for (int b = first_band; b <= last_band; ++b)
                store_->at(t, b) = -60.0f;
        normalise_to_peak(*store_);
        store_->at(2, 30) += correction;
        normalise_to_peak(*store_);
        for (int t = 0; t < 4; ++t)
            for (int b = first_band; b <= last_band; ++b)
                ASSERT_LE(store_->at(t, b), empty_level);
        EXPECT_EQ(store_->at(0, 2), correction > 0 ? empty_level - correction : empty_level);
    }
}

TEST_F(Levels, AddLoudness) {
    fill(3, -20.0f);
    LoudnessTable table{};
    table[2] = -30.0f;
    table[75] = 4.0f;
    const auto before = store_->spectrogram;
    add_loudness(*store_, table);
    EXPECT_EQ(store_->at(1, 2), before[76 + 2] - 30.0f);
    EXPECT_EQ(store_->at(2, 75), before[2 * 76 + 75] + 4.0f);
    EXPECT_EQ(store_->at(2, 40), before[2 * 76 + 40]);
    EXPECT_EQ(store_->at(3, 2), empty_level);
}

// Switching the correction any number of times starts from the cache file,
// so nothing accumulates; equal offsets change nothing after normalisation.
TEST_F(Levels, RefreshSwitchesTheCorrection) {
    test::TempDir dir;
    const auto wav = dir / "song.wav";
    std::vector<std::int16_t> s(882 * 20);
    for (int i = 0; i < int(s.size()); ++i)
        s[std::size_t(i)] = std::int16_t(test::sine_sample(8000, 110, 44100, i) +
                                         test::sine_sample(8000, 1760, 44100, i));
    test::write_file(wav, test::mono_wav(s));
    const BandTables tables = build_band_tables();
    ASSERT_TRUE(analyse_wav(wav, *store_, tables).ok);
    normalise_to_peak(*store_);
    ASSERT_TRUE(write_analysis_cache(wav, *store_, dir / "fallback.tmp"));
    const auto uncorrected = store_->spectrogram;

    LoudnessTable table{};
    for (int b = first_band; b <= last_band; ++b)
        table[std::size_t(b)] = float(b - 40) * 0.5f;

    refresh_spectrogram(*store_, true, true, table);
    const auto corrected_once = store_->spectrogram;
    EXPECT_NE(corrected_once, uncorrected);

    refresh_spectrogram(*store_, true, false, table);
    EXPECT_EQ(store_->spectrogram, uncorrected);
    refresh_spectrogram(*store_, true, true, table);
    EXPECT_EQ(store_->spectrogram, corrected_once);
    // The cache file shortened, then gone, while the recording is open: the
    // correction still never piles up.
    std::filesystem::resize_file(store_->cache_file_name, 100);
    refresh_spectrogram(*store_, true, true, table);
    EXPECT_EQ(store_->spectrogram, corrected_once);
    std::filesystem::remove(store_->cache_file_name);
    refresh_spectrogram(*store_, true, false, table);
    EXPECT_EQ(store_->spectrogram, uncorrected);
    refresh_spectrogram(*store_, true, true, table);
    EXPECT_EQ(store_->spectrogram, corrected_once);

    LoudnessTable equal{};
    for (int b = first_band; b <= last_band; ++b)
        equal[std::size_t(b)] = -7.0f;
    refresh_spectrogram(*store_, true, true, equal);
    // Equal up to single-precision rounding of the offset's round trip.
    for (std::size_t i = 0; i < uncorrected.size(); ++i)
        ASSERT_NEAR(store_->spectrogram[i], uncorrected[i], 1e-5) << i;

    // No recording open: nothing happens.
    store_->at(0, 10) = 1.0f;
    refresh_spectrogram(*store_, false, true, table);
    EXPECT_EQ(store_->at(0, 10), 1.0f);
}

} // namespace
} // namespace pitkad
