#include "drawing/draw_ops.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace pitkad {
namespace {

std::unique_ptr<DrawData> fresh() {
    return std::make_unique<DrawData>();
}

std::vector<int> line_marks(const DrawData& d, int frame_count) {
    std::vector<int> out;
    for (int f = 0; f < frame_count; ++f)
        if (d[f].line_mark() != 0) out.push_back(f);
    return out;
}

void fill_run(DrawData& d, int band, int from, int to, std::uint8_t v) {
    for (int f = from; f <= to; ++f)
        d[f].note_cell(band) = v;
}

TEST(EraseNearestLine, ClearsTheNearestMarkWithinFourFrames) {
    struct Case {
        const char* name;
        std::vector<int> marks;
        int frame_count, click;
        std::vector<int> left;
    };
    const Case cases[] = {
        {"later of two equally near", {97, 103}, 3000, 100, {97}},
        {"earlier when nearer", {98, 103}, 3000, 100, {103}},
        {"on the mark", {100, 101}, 3000, 100, {101}},
        {"four away", {104}, 3000, 100, {}},
        {"five away is out of reach", {95, 105}, 3000, 100, {95, 105}},
        {"start of the recording", {0}, 3000, 3, {}},
        {"search stops at the end of the recording", {105}, 110, 108, {105}},
    };
    for (const auto& c : cases) {
        auto d = fresh();
        for (int f : c.marks)
            d->draw_data[std::size_t(f)].line_mark() = 3;
        erase_nearest_line(*d, c.frame_count, c.click);
        EXPECT_EQ(line_marks(*d, c.frame_count), c.left) << c.name;
    }
}

TEST(LineMark, SetIsClampedToTheLastFrame) {
    auto d = fresh();
    set_line_mark(*d, 100, 250, 7);
    EXPECT_EQ((*d)[99].line_mark(), 7);
    EXPECT_EQ((*d)[250].line_mark(), 0);
    EXPECT_TRUE(d->modified);
}

TEST(EraseRun, RemovesOnlyTheRunUnderThePoint) {
    auto d = fresh();
    fill_run(*d, 40, 10, 20, 3);
    fill_run(*d, 40, 21, 25, 5); // touching, another colour: another note
    fill_run(*d, 41, 10, 20, 3); // another band
    EXPECT_TRUE(erase_run(*d, 3000, 15, 40));
    for (int f = 10; f <= 20; ++f)
        EXPECT_EQ((*d)[f].note_cell(40), 0) << f;
    for (int f = 21; f <= 25; ++f)
        EXPECT_EQ((*d)[f].note_cell(40), 5) << f;
    EXPECT_EQ((*d)[15].note_cell(41), 3);
    EXPECT_FALSE(erase_run(*d, 3000, 15, 40));
    EXPECT_FALSE(erase_run(*d, 3000, 59000, 40)); // beyond the recording
}

TEST(QuantizeFrame, SnapsToDivisionsOfTheLineInterval) {
    struct Case {
        std::vector<int> marks;
        int n, f, want;
    };
    const Case cases[] = {
        {{100, 150}, 16, 117, 116}, {{100, 150}, 16, 140, 141}, {{100, 150}, 16, 100, 100},
        {{100, 150}, 16, 150, 150}, {{100, 150}, 16, 60, 60}, // no mark before
        {{100, 150}, 16, 160, 160},                           // no mark after
        {{0, 12}, 6, 5, 4},                                   // k = round(2.5) = 2, ties to even
        {{0, 12}, 6, 3, 4},                                   // k = round(1.5) = 2
        {{0, 10}, 4, 1, 0},         {{0, 10}, 4, 4, 5},       // 2 × 2.5 = 5
        {{0, 10}, 4, 3, 2},                                   // 1 × 2.5 rounds to even 2
        {{0, 10}, 4, 7, 8},                                   // 3 × 2.5 = 7.5 rounds to even 8
        {{0, 10}, 3, 5, 7}, // single-precision step 3.3333333 makes 5 / step exceed 1.5
    };
    for (const auto& c : cases) {
        auto d = fresh();
        for (int f : c.marks)
            (*d)[f].line_mark() = 2;
        EXPECT_EQ(quantize_frame(*d, 3000, c.f, c.n), c.want)
            << "marks " << c.marks[0] << "," << c.marks[1] << " n " << c.n << " f " << c.f;
    }
}

TEST(QuantizeFrame, SelectedMarksCountAndMarksBeyondTheRecordingDoNot) {
    auto d = fresh();
    (*d)[100].line_mark() = 2 | draw_selected_bit;
    (*d)[150].line_mark() = 2;
    EXPECT_EQ(quantize_frame(*d, 3000, 117, 16), 116);
    EXPECT_EQ(quantize_frame(*d, 150, 117, 16), 117); // 150 lies outside
}

std::vector<int> cells(const DrawData& d, int band) {
    std::vector<int> out;
    for (int f = 0; f < 400; ++f)
        if (d[f].note_cell(band) != 0) out.push_back(f);
    return out;
}

std::vector<int> range(int a, int b) {
    std::vector<int> v;
    for (int f = a; f <= b; ++f)
        v.push_back(f);
    return v;
}

std::vector<int> cat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(PenStroke, FillsTheSameFramesInEitherDirection) {
    struct Case {
        const char* name;
        int start, end, frame_count;
        bool quantize;
        std::vector<int> want;
    };
    const Case cases[] = {
        {"left to right", 117, 140, 3000, false, range(117, 140)},
        {"right to left", 140, 117, 3000, false, range(117, 140)},
        {"quantised 1/16", 117, 140, 3000, true, range(116, 140)},
        {"quantised right to left", 140, 117, 3000, true, range(116, 140)},
        // Both ends snapping to one point: the division the stroke lies in.
        {"within one division", 102, 102, 3000, true, range(100, 102)},
        {"within the last division", 149, 149, 3000, true, range(147, 149)},
        {"one frame where no lines enclose it", 160, 160, 3000, true, range(160, 160)},
        {"cut at the end of the recording", 140, 390, 145, false, range(140, 144)},
        {"wholly beyond the recording", 146, 160, 145, false, {}},
    };
    for (const auto& c : cases) {
        auto d = fresh();
        (*d)[100].line_mark() = 1;
        (*d)[150].line_mark() = 1;
        d->modified = false;
        commit_pen_stroke(*d, c.frame_count, c.start, c.end, 60, 9, c.quantize, 16);
        EXPECT_EQ(cells(*d, 60), c.want) << c.name;
        EXPECT_EQ(d->modified, !c.want.empty()) << c.name;
    }
}

// A stroke touching a note of its pitch and colour leaves one empty frame
// before the later of the two; one that covers part of it lengthens it.
TEST(PenStroke, TouchingTheSameNoteStrikesItAgain) {
    struct Case {
        const char* name;
        int note_first, note_last; // colour 9 at band 60
        int start, end;
        std::vector<int> want;
    };
    const Case cases[] = {
        {"after a note", 10, 19, 20, 29, cat(range(10, 18), range(20, 29))},
        {"before a note", 30, 39, 20, 29, cat(range(20, 28), range(30, 39))},
        {"after a one-frame note", 19, 19, 20, 29, cat({19}, range(21, 29))},
        {"a one-frame stroke before a note", 30, 39, 29, 29, cat({29}, range(31, 39))},
        {"over its end: longer", 10, 19, 15, 29, range(10, 29)},
        {"a frame apart: untouched", 10, 18, 20, 29, cat(range(10, 18), range(20, 29))},
    };
    for (const auto& c : cases) {
        auto d = fresh();
        fill_run(*d, 60, c.note_first, c.note_last, 9);
        commit_pen_stroke(*d, 3000, c.start, c.end, 60, 9, false, 16);
        EXPECT_EQ(cells(*d, 60), c.want) << c.name;
    }
    // Another colour is another note: nothing changes.
    auto d = fresh();
    fill_run(*d, 60, 10, 19, 4);
    commit_pen_stroke(*d, 3000, 20, 29, 60, 9, false, 16);
    EXPECT_EQ(cells(*d, 60), range(10, 29));
}

TEST(PenStroke, ReplacesWhateverWasThere) {
    auto d = fresh();
    fill_run(*d, 60, 10, 30, 4 | draw_selected_bit);
    commit_pen_stroke(*d, 3000, 15, 20, 60, 9, false, 16);
    EXPECT_EQ((*d)[14].note_cell(60), 4 | draw_selected_bit);
    EXPECT_EQ((*d)[15].note_cell(60), 9);
    EXPECT_EQ((*d)[20].note_cell(60), 9);
}

TEST(PenSelection, SelectsRunsCrossingTheEdgesWhole) {
    auto d = fresh();
    fill_run(*d, 40, 50, 100, 3);  // cut through by the rectangle
    fill_run(*d, 40, 101, 120, 4); // touches it, another colour
    fill_run(*d, 41, 40, 59, 3);   // ends just before the rectangle
    fill_run(*d, 42, 65, 66, 5);   // inside
    fill_run(*d, 42, 68, 90, 7);   // crosses the right edge
    fill_run(*d, 43, 60, 70, 3);   // outside the band range
    select_pen_rect(*d, 3000, 70, 60, 40, 42);
    struct Expect {
        int band, from, to;
        bool selected;
    };
    const Expect expect[] = {{40, 50, 100, true}, {40, 101, 120, false}, {41, 40, 59, false},
                             {42, 65, 66, true},  {42, 68, 90, true},    {43, 60, 70, false}};
    for (const auto& e : expect)
        for (int f = e.from; f <= e.to; ++f)
            EXPECT_EQ(((*d)[f].note_cell(e.band) & draw_selected_bit) != 0, e.selected)
                << "band " << e.band << " frame " << f;
    EXPECT_FALSE(d->modified);
}

TEST(LineSelection, SelectsMarksInTheFrameRangeOnly) {
    auto d = fresh();
    for (int f : {10, 20, 30, 40})
        (*d)[f].line_mark() = 2;
    select_lines(*d, 3000, 35, 15);
    EXPECT_EQ((*d)[10].line_mark(), 2);
    EXPECT_EQ((*d)[20].line_mark(), 2 | draw_selected_bit);
    EXPECT_EQ((*d)[30].line_mark(), 2 | draw_selected_bit);
    EXPECT_EQ((*d)[40].line_mark(), 2);
}

TEST(SelectionCommands, ActOnTheTargetOfTheSelectionMode) {
    // One note cell and one line mark, both selected; each command in each mode.
    struct Case {
        const char* name;
        DrawMode mode;
        int command; // 0 all select, 1 delete, 2 recolour to 12
        std::uint8_t note, line;
        bool modified;
    };
    const std::uint8_t s = draw_selected_bit;
    const Case cases[] = {
        {"pen: delete", DrawMode::pen_select, 1, 0, 3 | s, true},
        {"line: delete", DrawMode::line_select, 1, 5 | s, 0, true},
        {"line drawing: delete does nothing", DrawMode::line_draw, 1, 5 | s, 3 | s, false},
        {"pen: recolour, still selected", DrawMode::pen_select, 2, 12 | s, 3 | s, true},
        {"line: recolour, still selected", DrawMode::line_select, 2, 5 | s, 12 | s, true},
        {"none: recolour does nothing", DrawMode::none, 2, 5 | s, 3 | s, false},
    };
    for (const auto& c : cases) {
        auto d = fresh();
        (*d)[7].note_cell(30) = 5 | s;
        (*d)[7].line_mark() = 3 | s;
        (*d)[8].note_cell(30) = 6; // unselected: never touched
        if (c.command == 1) select_del(*d, 3000, c.mode);
        if (c.command == 2) recolour_selected(*d, 3000, c.mode, 12);
        EXPECT_EQ((*d)[7].note_cell(30), c.note) << c.name;
        EXPECT_EQ((*d)[7].line_mark(), c.line) << c.name;
        EXPECT_EQ((*d)[8].note_cell(30), 6) << c.name;
        EXPECT_EQ(d->modified, c.modified) << c.name;
    }
}

TEST(SelectionCommands, AllSelectAndResetStayInsideTheRecording) {
    auto d = fresh();
    (*d)[5].note_cell(2) = 1;
    (*d)[5].note_cell(75) = 16;
    (*d)[5].line_mark() = 4;
    all_select(*d, 3000, DrawMode::pen_select);
    EXPECT_EQ((*d)[5].note_cell(2), 33);
    EXPECT_EQ((*d)[5].note_cell(75), 48);
    EXPECT_EQ((*d)[5].line_mark(), 4);
    all_select(*d, 3000, DrawMode::line_select);
    EXPECT_EQ((*d)[5].line_mark(), 36);
    (*d)[3000].note_cell(10) = 33; // never happens, but reset must not look there
    reset_draw_select(*d, 3000);
    EXPECT_EQ((*d)[5].note_cell(2), 1);
    EXPECT_EQ((*d)[5].line_mark(), 4);
    EXPECT_EQ((*d)[3000].note_cell(10), 33);
    EXPECT_FALSE(d->modified);
}

TEST(LineCopy, RepeatsTheSelectedIntervalOnePressAtATime) {
    const std::uint8_t s = draw_selected_bit;
    auto d = fresh();
    (*d)[100].line_mark() = 2 | s;
    (*d)[150].line_mark() = 2 | s;
    EXPECT_TRUE(copy_line_interval(*d, 3000, CopyDirection::left, 11));
    EXPECT_EQ((*d)[50].line_mark(), 11 | s);
    EXPECT_EQ((*d)[100].line_mark(), 2 | s);
    EXPECT_EQ((*d)[150].line_mark(), 2);
    EXPECT_TRUE(copy_line_interval(*d, 3000, CopyDirection::left, 11));
    EXPECT_EQ((*d)[0].line_mark(), 11 | s);
    EXPECT_EQ((*d)[100].line_mark(), 2);
    EXPECT_FALSE(copy_line_interval(*d, 3000, CopyDirection::left, 11)); // -50
    EXPECT_EQ(line_marks(*d, 3000), (std::vector<int>{0, 50, 100, 150}));

    EXPECT_TRUE(copy_line_interval(*d, 3000, CopyDirection::right, 11)); // 0, 50 → 100
    EXPECT_EQ((*d)[100].line_mark(), 11 | s);
    EXPECT_EQ((*d)[0].line_mark(), 11);
}

TEST(LineCopy, NeedsExactlyTwoSelectedMarksAndRoomInTheRecording) {
    struct Case {
        const char* name;
        std::vector<int> selected;
        int frame_count;
        CopyDirection dir;
    };
    const Case cases[] = {
        {"three selected", {100, 150, 200}, 3000, CopyDirection::right},
        {"three selected, left", {100, 150, 200}, 3000, CopyDirection::left},
        {"one selected", {100}, 3000, CopyDirection::right},
        {"past the end", {100, 150}, 200, CopyDirection::right},
    };
    for (const auto& c : cases) {
        auto d = fresh();
        for (int f : c.selected)
            (*d)[f].line_mark() = 2 | draw_selected_bit;
        EXPECT_FALSE(copy_line_interval(*d, c.frame_count, c.dir, 5)) << c.name;
        EXPECT_EQ(line_marks(*d, 3000), c.selected) << c.name;
        EXPECT_FALSE(d->modified) << c.name;
    }
}

} // namespace
} // namespace pitkad
