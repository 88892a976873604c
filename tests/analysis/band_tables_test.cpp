#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "analysis/band_tables.h"

namespace pitkad {
namespace {

TEST(BandTables, WindowsAndCentres) {
    const BandTables t = build_band_tables();
    long total_length = 0;
    for (int b = first_band; b <= last_band; ++b) {
        SCOPED_TRACE(b);
        total_length += t.bands[std::size_t(b)].window_length;
        // Centres within −3.8 … +7.9 cents of the notes.
        const double cents = 1200 * std::log2(centre_frequency_of(b) / nominal_frequency_of(b));
        EXPECT_GE(cents, -3.85);
        EXPECT_LE(cents, 7.95);
    }
    EXPECT_EQ(total_length, 451080);
    EXPECT_EQ(t.bands[0].window_length, 0);
    EXPECT_EQ(t.bands[1].window_length, 0);
    EXPECT_NEAR(centre_frequency_of(36), 441.0, 0.005);
}

// Each piece has one run per phase, and the runs of a piece share out its
// offsets: together they hold every offset of [begin, end) once. A column
// costs under a ninth of the direct sum's 451080 complex terms.
TEST(BandTables, PiecesCoverTheirOffsetsOnce) {
    const BandTables t = build_band_tables();
    double terms = 0; // per column: a piece's offsets over its phases
    for (const KernelPiece& piece : t.pieces) {
        const int scale = 1 << piece.level;
        int covered = 0;
        for (int r = 0; r < scale; ++r) {
            const KernelRun& run = t.runs[std::size_t(piece.first_run + r)];
            if (run.count == 0) continue;
            EXPECT_EQ(run.t_first % scale, r);
            EXPECT_GE(run.t_first, piece.begin);
            EXPECT_LT(run.t_first + (run.count - 1) * scale, piece.end);
            covered += run.count;
        }
        EXPECT_EQ(covered, piece.end - piece.begin);
        terms += double(covered) / scale;
    }
    EXPECT_LT(terms, 451080 / 9);
    EXPECT_EQ(t.max_level, kernel_max_level);
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
