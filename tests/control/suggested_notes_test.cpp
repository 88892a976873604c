#include "control/model_note_suggestions.h"
#include "control/suggested_notes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace pitkad {
namespace {

struct CellRun {
    int band, first, end, colour;
};

// The user's note: band 40, frames 50 … 59, colour 3. The recording has 150
// frames.
std::unique_ptr<DrawData> users_drawing() {
    auto draw = std::make_unique<DrawData>();
    for (int f = 50; f < 60; ++f)
        (*draw)[f].note_cell(40) = 3;
    return draw;
}

void expect_cells(const DrawData& draw, const std::vector<CellRun>& runs, const char* what) {
    for (int band : {40, 41, 50})
        for (int f = 0; f < 160; ++f) {
            int want = 0;
            for (const CellRun& r : runs)
                if (r.band == band && f >= r.first && f < r.end) want = r.colour;
            ASSERT_EQ(draw[f].note_cell(band), want) << what << " band " << band << " frame " << f;
        }
}

// The notes starting in the area are placed in the colour, never over a
// drawn cell nor past the recording, a frame apart from a note of their
// band and colour; those not placed stay shown.
TEST(SuggestedNotes, AcceptedInTheAreaIntoEmptyCells) {
    const std::vector<SuggestedNote> suggested{{10, 20, 40},  {20, 25, 40}, {30, 40, 41},
                                               {45, 52, 40},  {60, 70, 40}, {140, 160, 50},
                                               {150, 170, 50}};
    const CellRun user{40, 50, 60, 3};
    const struct {
        const char* what;
        NoteArea area;
        int colour;
        std::vector<CellRun> placed;
        std::size_t shown;
    } rows[] = {
        {"all",
         {0, 150},
         9,
         {{40, 10, 20, 9}, {40, 21, 25, 9}, {41, 30, 40, 9}, {40, 60, 70, 9}, {50, 140, 150, 9}},
         2},
        {"frames", {15, 65}, 9, {{40, 20, 25, 9}, {41, 30, 40, 9}, {40, 60, 70, 9}}, 4},
        {"bands", {0, 150, 41, 50}, 9, {{41, 30, 40, 9}, {50, 140, 150, 9}}, 5},
        {"the user's colour", {60, 61}, 3, {{40, 61, 70, 3}}, 6},
        {"nothing", {0, 0}, 9, {}, 7},
    };
    for (const auto& row : rows) {
        auto draw = users_drawing();
        NoteSuggestions s = make_note_suggestions(suggested);
        const int placed = accept_suggested_notes(*draw, s, 150, row.area, row.colour);
        EXPECT_EQ(placed, int(row.placed.size())) << row.what;
        std::vector<CellRun> want = row.placed;
        want.push_back(user);
        expect_cells(*draw, want, row.what);
        EXPECT_EQ(s.shown.size(), row.shown) << row.what;
        EXPECT_EQ(draw->modified, placed > 0) << row.what;
    }
}

// One at a time; a note taken whose cells are emptied (the taking undone,
// or the note erased) is shown again. The area is the pen selection's,
// else the loop's, else the recording.
TEST(SuggestedNotes, TakenOneAtATimeAndShownAgainWhenEmptied) {
    auto draw = users_drawing();
    NoteSuggestions s = make_note_suggestions({{10, 20, 40}, {30, 40, 40}});
    EXPECT_TRUE(accept_suggested_note_at(*draw, s, 150, 35, 36, 40, 9));
    EXPECT_EQ(s.shown, std::vector<SuggestedNote>({{10, 20, 40}}));
    EXPECT_FALSE(accept_suggested_note_at(*draw, s, 150, 35, 36, 40, 9)); // taken already
    EXPECT_FALSE(accept_suggested_note_at(*draw, s, 150, 25, 30, 40, 9)); // between the two
    EXPECT_FALSE(accept_suggested_note_at(*draw, s, 150, 15, 16, 41, 9)); // another band
    for (int f = 30; f < 40; ++f)
        (*draw)[f].note_cell(40) = 0;
    update_shown(s, *draw, 150);
    EXPECT_EQ(s.shown.size(), 2u);

    const auto area = [&](int loop_first, int loop_end) {
        const NoteArea a = suggested_notes_area(*draw, 150, loop_first, loop_end);
        return std::vector<int>{a.first, a.end, a.low_band, a.high_band};
    };
    EXPECT_EQ(area(0, 0), (std::vector<int>{0, 150, 2, 75}));
    EXPECT_EQ(area(20, 80), (std::vector<int>{20, 80, 2, 75}));
    (*draw)[55].note_cell(40) |= draw_selected_bit;
    (*draw)[12].note_cell(42) = 9 | draw_selected_bit;
    EXPECT_EQ(area(20, 80), (std::vector<int>{12, 56, 40, 42}));
}

// 44100 Hz to 22050 Hz for the note model: what it hears keeps its level and
// place, what would fold back is gone, and pieces join seamlessly.
TEST(HalfRate, KeepsTheBandTheModelHearsAndDropsWhatWouldFoldBack) {
    auto gain = [](double hz, int delay_check) {
        std::vector<float> in(44100), out;
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = float(std::sin(2 * std::numbers::pi * hz * double(i) / 44100.0));
        HalfRate half;
        half.add(in.data(), 1000, out); // in two pieces
        half.add(in.data() + 1000, in.size() - 1000, out);
        half.finish(out);
        EXPECT_EQ(out.size(), in.size() / 2);
        double peak = 0;
        for (std::size_t n = 1000; n < out.size() - 1000; ++n)
            peak = std::max(peak, double(std::abs(out[n])));
        if (delay_check) { // output n is input 2n
            for (std::size_t n = 1000; n < 1100; ++n)
                EXPECT_NEAR(out[n], in[2 * n], 0.01);
        }
        return 20 * std::log10(peak);
    };
    EXPECT_NEAR(gain(440, 1), 0.0, 0.1);
    EXPECT_NEAR(gain(4186, 0), 0.0, 0.1);
    EXPECT_LT(gain(14000, 0), -60.0);
}

} // namespace
} // namespace pitkad
