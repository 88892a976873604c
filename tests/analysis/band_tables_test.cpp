#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "analysis/band_tables.h"

namespace pitkad {
namespace {

TEST(BandTables, TableSizesAndFoldCensus) {
    const BandTables t = build_band_tables();
    EXPECT_EQ(t.window_cos.size(), 112844u);
    EXPECT_EQ(t.coef.size(), 6050u);
    EXPECT_EQ(t.window_low.size(), t.window_cos.size());
    EXPECT_EQ(t.window_high.size(), t.window_cos.size());

    std::map<int, int> census;
    long total_length = 0;
    for (int b = first_band; b <= last_band; ++b) {
        ++census[t.bands[std::size_t(b)].fold];
        total_length += t.bands[std::size_t(b)].window_length;
    }
    const std::map<int, int> expected = {{36, 26}, {18, 12}, {12, 8}, {9, 5}, {6, 6},
                                         {4, 5},   {3, 2},   {2, 5},  {1, 5}};
    EXPECT_EQ(census, expected);
    EXPECT_EQ(total_length, 451080);
    EXPECT_EQ(t.bands[0].window_length, 0);
    EXPECT_EQ(t.bands[1].window_length, 0);
}

struct BandRow {
    int band, n, q, d, v, h;
    double centre_hz;
};

TEST(BandTables, DerivedConstantsOfSampleBands) {
    const BandRow rows[] = {
        {2, 25632, 6408, 36, 178, 178, 61.94},  {13, 13608, 3402, 18, 189, 94, 116.67},
        {25, 6816, 1704, 12, 142, 142, 232.92}, {40, 2856, 714, 6, 119, 59, 555.88},
        {41, 2700, 675, 9, 75, 37, 588.00},     {52, 1428, 357, 3, 119, 59, 1111.76},
        {53, 1352, 338, 2, 169, 84, 1174.26},   {56, 1136, 284, 4, 71, 71, 1397.54},
        {75, 380, 95, 1, 95, 47, 4177.89},
    };
    const BandTables t = build_band_tables();
    for (const BandRow& r : rows) {
        SCOPED_TRACE(r.band);
        const Band& b = t.bands[std::size_t(r.band)];
        EXPECT_EQ(b.window_length, r.n);
        EXPECT_EQ(b.quarter, r.q);
        EXPECT_EQ(b.fold, r.d);
        EXPECT_EQ(b.count_v, r.v);
        EXPECT_EQ(b.pairs_h, r.h);
        EXPECT_NEAR(centre_frequency_of(r.band), r.centre_hz, 0.005);
    }
}

TEST(BandTables, RunsAreContiguousAndHoldTheirAngles) {
    const BandTables t = build_band_tables();
    int window_next = 0, coef_next = 0;
    for (int b = first_band; b <= last_band; ++b) {
        SCOPED_TRACE(b);
        const Band& bd = t.bands[std::size_t(b)];
        EXPECT_EQ(bd.window_offset, window_next);
        EXPECT_EQ(bd.coef_offset, coef_next);
        window_next += bd.quarter + 1;
        const bool full = bd.fold == 36 || bd.fold == 12 || bd.fold == 4;
        coef_next += full ? bd.count_v + 1 : 2 * bd.pairs_h;
        const int n = bd.window_length;
        EXPECT_EQ(t.window_cos[std::size_t(bd.window_offset)], 1.0f);
        EXPECT_NEAR(t.window_cos[std::size_t(bd.window_offset + bd.quarter)], 0.0, 1e-7);
        const int j = bd.quarter / 3;
        EXPECT_NEAR(t.window_cos[std::size_t(bd.window_offset + j)], std::cos(2 * M_PI * j / n),
                    1e-7);
        // First coefficient: j = 0 (cos 1) for full runs, the pair of j = 1 otherwise.
        const double a1 = 2 * M_PI * 36.0 / n;
        if (full) {
            EXPECT_EQ(t.coef[std::size_t(bd.coef_offset)], 1.0f);
            EXPECT_NEAR(t.coef[std::size_t(bd.coef_offset + 1)], std::cos(a1), 1e-7);
        } else {
            EXPECT_NEAR(t.coef[std::size_t(bd.coef_offset)], std::cos(a1), 1e-7);
            EXPECT_NEAR(t.coef[std::size_t(bd.coef_offset + 1)], std::sin(a1), 1e-7);
        }
        // Centres within −3.8 … +7.9 cents of the notes.
        const double cents = 1200 * std::log2(centre_frequency_of(b) / nominal_frequency_of(b));
        EXPECT_GE(cents, -3.85);
        EXPECT_LE(cents, 7.95);
    }
}

TEST(BandTables, NotesAndNames) {
    const struct {
        int band;
        int midi;
        const char* name;
        double hz;
    } rows[] = {{2, 35, "B1", 61.735},
                {3, 36, "C2", 65.406},
                {36, 69, "A4", 440.0},
                {37, 70, "A#4", 466.164},
                {75, 108, "C8", 4186.009}};
    for (const auto& r : rows) {
        EXPECT_EQ(midi_note_of(r.band), r.midi);
        EXPECT_EQ(note_name_of(r.band), r.name);
        EXPECT_NEAR(nominal_frequency_of(r.band), r.hz, 0.001);
    }
}

} // namespace
} // namespace pitkad
