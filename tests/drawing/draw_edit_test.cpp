#include "drawing/draw_edit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace pitkad {
namespace {

// A run of equal bytes in one slot: what a note or a line mark looks like.
struct Span {
    int slot, first, last, value;
    friend bool operator==(const Span&, const Span&) = default;
};

std::ostream& operator<<(std::ostream& o, const Span& r) {
    return o << "{" << r.slot << ", " << r.first << ", " << r.last << ", " << r.value << "}";
}

std::vector<Span> runs(const DrawData& d, int frame_count) {
    std::vector<Span> out;
    for (int s = 0; s < draw_record_size; ++s)
        for (int f = 0; f < frame_count; ++f) {
            const int v = d[f].slot[std::size_t(s)];
            if (v == 0) continue;
            if (!out.empty() && out.back().slot == s && out.back().last == f - 1 &&
                out.back().value == v)
                out.back().last = f;
            else
                out.push_back({s, f, f, v});
        }
    return out;
}

std::unique_ptr<DrawData> drawing(const std::vector<Span>& rs) {
    auto d = std::make_unique<DrawData>();
    for (const Span& r : rs)
        for (int f = r.first; f <= r.last; ++f)
            (*d)[f].slot[std::size_t(r.slot)] = std::uint8_t(r.value);
    return d;
}

constexpr int sel = draw_selected_bit;

TEST(MoveSelection, MovesByFramesAndBandsWithinTheRecording) {
    const std::vector<Span> notes = {{40, 10, 14, 3 | sel}, {41, 12, 16, 4 | sel}, {40, 20, 24, 5}};
    const std::vector<Span> lines = {{0, 10, 10, 2 | sel}, {0, 20, 20, 2 | sel}, {0, 30, 30, 6}};
    struct Case {
        const char* name;
        const std::vector<Span>& start;
        DrawMode mode;
        int dframes, dbands;
        std::vector<Span> want; // empty: refused
    };
    const Case cases[] = {
        {"right", notes, DrawMode::pen_select, 3, 0,
         {{40, 13, 17, 3 | sel}, {40, 20, 24, 5}, {41, 15, 19, 4 | sel}}},
        {"onto itself, up and right", notes, DrawMode::pen_select, 2, 1,
         {{40, 20, 24, 5}, {41, 12, 16, 3 | sel}, {42, 14, 18, 4 | sel}}},
        {"onto itself, down and left", notes, DrawMode::pen_select, -2, -1,
         {{39, 8, 12, 3 | sel}, {40, 10, 14, 4 | sel}, {40, 20, 24, 5}}},
        {"overwrites what it lands on", notes, DrawMode::pen_select, 8, 0,
         {{40, 18, 22, 3 | sel}, {40, 23, 24, 5}, {41, 20, 24, 4 | sel}}},
        {"to the first frame", notes, DrawMode::pen_select, -10, 0,
         {{40, 0, 4, 3 | sel}, {40, 20, 24, 5}, {41, 2, 6, 4 | sel}}},
        {"before the first frame", notes, DrawMode::pen_select, -11, 0, {}},
        {"to the last frame", notes, DrawMode::pen_select, 83, 0,
         {{40, 20, 24, 5}, {40, 93, 97, 3 | sel}, {41, 95, 99, 4 | sel}}},
        {"past the last frame", notes, DrawMode::pen_select, 84, 0, {}},
        {"to band 75", notes, DrawMode::pen_select, 0, 34,
         {{40, 20, 24, 5}, {74, 10, 14, 3 | sel}, {75, 12, 16, 4 | sel}}},
        {"above band 75", notes, DrawMode::pen_select, 0, 35, {}},
        {"to band 2", notes, DrawMode::pen_select, 0, -38,
         {{2, 10, 14, 3 | sel}, {3, 12, 16, 4 | sel}, {40, 20, 24, 5}}},
        {"below band 2", notes, DrawMode::pen_select, 0, -39, {}},
        {"no move", notes, DrawMode::pen_select, 0, 0, {}},
        {"nothing selected in that mode", notes, DrawMode::line_select, 3, 0, {}},
        {"lines move in time only", lines, DrawMode::line_select, 10, 5,
         {{0, 20, 20, 2 | sel}, {0, 30, 30, 2 | sel}}},
        {"no mode", lines, DrawMode::pen_draw, 1, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = drawing(c.start);
        const bool moved = move_selection(*d, 100, c.mode, c.dframes, c.dbands);
        EXPECT_EQ(moved, !c.want.empty());
        EXPECT_EQ(runs(*d, 100), c.want.empty() ? runs(*drawing(c.start), 100) : c.want);
        EXPECT_EQ(d->modified, moved);
    }
}

TEST(MoveSelection, LineIntervalAroundTheSelectionsFirstFrame) {
    struct Case {
        const char* name;
        std::vector<Span> start;
        DrawMode mode;
        int want;
    };
    const Case cases[] = {
        {"marks on both sides", {{0, 10, 10, 1}, {0, 40, 40, 1}, {50, 25, 60, 3 | sel}},
         DrawMode::pen_select, 30},
        {"a mark on the first frame is the left one",
         {{0, 10, 10, 1}, {0, 25, 25, 1}, {0, 45, 45, 1}, {50, 25, 60, 3 | sel}},
         DrawMode::pen_select, 20},
        {"selected line marks", {{0, 10, 10, 1}, {0, 40, 40, 1 | sel}, {0, 52, 52, 1}},
         DrawMode::line_select, 12},
        {"no mark after", {{0, 10, 10, 1}, {50, 25, 60, 3 | sel}}, DrawMode::pen_select, 25},
        {"nothing selected", {{0, 10, 10, 1}, {0, 40, 40, 1}}, DrawMode::pen_select, 25},
    };
    for (const Case& c : cases)
        EXPECT_EQ(selection_line_interval(*drawing(c.start), 100, c.mode), c.want) << c.name;
}

TEST(Clip, CopyTakesTheSelectionFromItsFirstFrame) {
    const auto d = drawing({{0, 11, 11, 2 | sel}, {0, 30, 30, 6}, {40, 12, 13, 3 | sel},
                            {45, 14, 14, 7 | sel}, {46, 10, 12, 5}});
    EXPECT_EQ(copy_selection(*d, 100, DrawMode::pen_select).cells,
              (std::vector<ClipCell>{{0, 40, 3}, {1, 40, 3}, {2, 45, 7}}));
    EXPECT_EQ(copy_selection(*d, 100, DrawMode::line_select).cells,
              (std::vector<ClipCell>{{0, 0, 2}, {1, 40, 3}, {2, 40, 3}, {3, 45, 7}}));
    EXPECT_TRUE(copy_selection(*d, 12, DrawMode::pen_select).empty());

    auto cut = drawing(runs(*d, 100));
    delete_copied(*cut, 100, DrawMode::line_select);
    EXPECT_EQ(runs(*cut, 100), (std::vector<Span>{{0, 30, 30, 6}, {46, 10, 12, 5}}));
    EXPECT_TRUE(cut->modified);
}

TEST(Clip, PasteSelectsWhatItPutsAndKeepsNotesApart) {
    // Two notes of band 40 in colour 3 and 4, one of band 45, a line mark.
    const DrawClip clip{{{0, 0, 2}, {0, 40, 3}, {1, 40, 3}, {2, 40, 3}, {3, 40, 4}, {2, 45, 7}}};
    struct Case {
        const char* name;
        std::vector<Span> start;
        int frame_count, at;
        std::vector<Span> want;
    };
    const Case cases[] = {
        {"clears the old selection", {{50, 5, 6, 9 | sel}}, 100, 20,
         {{0, 20, 20, 2 | sel}, {40, 20, 22, 3 | sel}, {40, 23, 23, 4 | sel},
          {45, 22, 22, 7 | sel}, {50, 5, 6, 9}}},
        {"cut at the recording's end", {}, 22, 20,
         {{0, 20, 20, 2 | sel}, {40, 20, 21, 3 | sel}}},
        {"a note of its colour before", {{40, 15, 19, 3}}, 100, 20,
         {{0, 20, 20, 2 | sel}, {40, 15, 18, 3}, {40, 20, 22, 3 | sel}, {40, 23, 23, 4 | sel},
          {45, 22, 22, 7 | sel}}},
        {"a note of its colour after", {{45, 23, 30, 7}}, 100, 20,
         {{0, 20, 20, 2 | sel}, {40, 20, 22, 3 | sel}, {40, 23, 23, 4 | sel},
          {45, 22, 22, 7 | sel}, {45, 24, 30, 7}}},
        {"notes of other colours touch", {{40, 15, 19, 5}, {40, 24, 26, 3}}, 100, 20,
         {{0, 20, 20, 2 | sel}, {40, 15, 19, 5}, {40, 20, 22, 3 | sel}, {40, 23, 23, 4 | sel},
          {40, 24, 26, 3}, {45, 22, 22, 7 | sel}}},
        {"overwrites what it lands on", {{40, 10, 30, 9}}, 100, 20,
         {{0, 20, 20, 2 | sel}, {40, 10, 19, 9}, {40, 20, 22, 3 | sel}, {40, 23, 23, 4 | sel},
          {40, 24, 30, 9}, {45, 22, 22, 7 | sel}}},
        {"outside the recording", {}, 100, 100, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = drawing(c.start);
        EXPECT_EQ(paste_clip(*d, c.frame_count, clip, c.at), c.at < c.frame_count);
        EXPECT_EQ(runs(*d, 100), c.want.empty() ? c.start : c.want);
    }
}

TEST(NoteEnd, DraggedWithinItsRoom) {
    // A note of band 40 on frames 10 … 14, the next of that band from 20.
    struct Case {
        const char* name;
        int next_colour, frame_count, last, wanted;
        int want; // the note's last frame afterwards; -1: no note ends there
    };
    const Case cases[] = {
        {"shorter", 3, 100, 14, 12, 12},
        {"at least one frame", 3, 100, 14, 2, 10},
        {"longer", 3, 100, 14, 17, 17},
        {"up to an empty frame before a note of its colour", 3, 100, 14, 40, 18},
        {"up to a note of another colour", 5, 100, 14, 40, 19},
        {"up to the recording's end", 3, 17, 14, 40, 16},
        {"not the note's last frame", 3, 100, 12, 16, -1},
        {"no note", 3, 100, 16, 18, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = drawing({{40, 10, 14, 3 | sel}, {40, 20, 25, c.next_colour}});
        EXPECT_EQ(note_end_limit(*d, c.frame_count, 40, c.last, c.wanted), c.want);
        EXPECT_EQ(set_note_end(*d, c.frame_count, 40, c.last, c.wanted),
                  c.want >= 0 && c.want != 14);
        const int last = c.want >= 0 ? c.want : 14;
        std::vector<Span> want = {{40, 10, last, 3 | sel}};
        if (c.frame_count > 20) want.push_back({40, 20, 25, c.next_colour});
        EXPECT_EQ(runs(*d, c.frame_count), want);
        EXPECT_EQ(note_start(*d, c.frame_count, 40, last), std::optional<int>(10));
    }
}

} // namespace
} // namespace pitkad
