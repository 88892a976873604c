#include "drawing/csv_export.h"
#include "drawing/draw_ops.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace pitkad {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

TEST(AnalysisCsv, HeaderOfNoteNamesThenOneRowPerFrameInDb) {
    auto store = std::make_unique<SpectrogramStore>();
    store->frame_count = 3;
    store->at(0, first_band) = -12.5f;
    store->at(1, last_band) = -0.5f;
    store->at(2, 40) = -45.678f;
    store->at(3, 40) = 5.0f; // past the recording: not written
    const std::string text = analysis_csv(*store);
    ASSERT_EQ(text.back(), '\n');
    const auto lines = lines_of(text);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 15), "time,B1,C2,C#2,");
    EXPECT_EQ(lines[0].substr(lines[0].size() - 6), ",B7,C8");
    struct Case {
        int row;
        std::string starts, ends;
    };
    const Case cases[] = {
        {1, "0.00,-12.50,-100.00,", ",-100.00"},
        {2, "0.02,-100.00,", ",-100.00,-0.50"},
        {3, "0.04,-100.00,", ",-100.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const std::string& l = lines[std::size_t(c.row)];
        EXPECT_EQ(l.substr(0, c.starts.size()), c.starts);
        EXPECT_EQ(l.substr(l.size() - c.ends.size()), c.ends);
        EXPECT_EQ(std::count(l.begin(), l.end(), ','), band_count);
    }
    // Band 40 is the 39th value of a row.
    std::istringstream row(lines[3]);
    std::string cell;
    for (int i = 0; i <= 40 - first_band + 1; ++i)
        std::getline(row, cell, ',');
    EXPECT_EQ(cell, "-45.68");
}

TEST(AnalysisCsv, EmptyRecordingHasTheHeaderAlone) {
    auto store = std::make_unique<SpectrogramStore>();
    store->frame_count = 0;
    EXPECT_EQ(lines_of(analysis_csv(*store)).size(), 1u);
}

TEST(NotesCsv, OneRowPerRunByStartThenBand) {
    auto draw = std::make_unique<DrawData>();
    auto run = [&](int band, int from, int to, std::uint8_t v) {
        for (int f = from; f <= to; ++f)
            (*draw)[f].note_cell(band) = v;
    };
    run(30, 10, 14, 3);
    run(30, 15, 15, 4);                     // another colour right after: a second note
    run(20, 10, 11, 1 | draw_selected_bit); // selected: still colour 1
    run(20, 12, 12, 1);                     // the selection does not split the run
    run(75, 98, 99, 16);                    // cut at the recording's end
    (*draw)[50].line_mark() = 16;           // lines are not notes
    const std::string expected = "start,end,note,name,colour\n"
                                 "0.20,0.26,53,F3,1\n"
                                 "0.20,0.30,63,D#4,3\n"
                                 "0.30,0.32,63,D#4,4\n"
                                 "1.96,2.00,108,C8,16\n";
    EXPECT_EQ(notes_csv(*draw, 100), expected);
    EXPECT_EQ(drawn_notes(*draw, 99).back(), (DrawnNote{98, 98, 75, 16}));
}

TEST(DrawingState, EmptinessAndSelection) {
    struct Case {
        const char* name;
        int frame, slot;
        std::uint8_t value;
        bool empty, selected;
    };
    const Case cases[] = {
        {"nothing", 0, 2, 0, true, false},
        {"a note", 5, 2, 7, false, false},
        {"a line", 5, 0, 16, false, false},
        {"a selected note", 5, 75, 7 | draw_selected_bit, false, true},
        {"a selected line is no selected note", 5, 0, 16 | draw_selected_bit, false, false},
        {"past the recording", 100, 40, 7 | draw_selected_bit, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto draw = std::make_unique<DrawData>();
        (*draw)[c.frame].slot[std::size_t(c.slot)] = c.value;
        EXPECT_EQ(drawing_is_empty(*draw, 100), c.empty);
        EXPECT_EQ(has_selected_notes(*draw, 100), c.selected);
    }
}

} // namespace
} // namespace pitkad
