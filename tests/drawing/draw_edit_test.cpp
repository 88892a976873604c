#include "drawing/draw_edit.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace pitkad {
namespace {

// A run of equal bytes in one slot (a note, or a line mark).
struct Span {
    int slot, first, last, value;
    friend bool operator==(const Span&, const Span&) = default;
};
std::ostream& operator<<(std::ostream& o, const Span& r) {
    return o << "{" << r.slot << ", " << r.first << ", " << r.last << ", " << r.value << "}";
}

std::vector<Span> spans(const DrawData& d) {
    std::vector<Span> out;
    for (int s = 0; s < draw_record_size; ++s)
        for (int f = 0; f < 100; ++f) {
            const int v = d[f].slot[std::size_t(s)];
            if (v == 0) continue;
            Span* b = out.empty() ? nullptr : &out.back();
            if (b && b->slot == s && b->last == f - 1 && b->value == v)
                b->last = f;
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
    const std::vector<Span> notes = {{40, 10, 14, 3 | sel}, {40, 20, 24, 5}, {41, 12, 16, 4 | sel}};
    const std::vector<Span> lines = {{0, 10, 10, 2 | sel}, {0, 20, 20, 2 | sel}, {0, 30, 30, 6}};
    struct Case {
        const char* name;
        bool on_lines;
        int dframes, dbands;
        std::vector<Span> want; // empty: refused
    };
    const Case cases[] = {
        {"onto itself, up and right", false, 2, 1,
         {{40, 20, 24, 5}, {41, 12, 16, 3 | sel}, {42, 14, 18, 4 | sel}}},
        {"onto itself, down and left", false, -2, -1,
         {{39, 8, 12, 3 | sel}, {40, 10, 14, 4 | sel}, {40, 20, 24, 5}}},
        {"overwrites what it lands on", false, 8, 0,
         {{40, 18, 22, 3 | sel}, {40, 23, 24, 5}, {41, 20, 24, 4 | sel}}},
        {"to the last frame and band", false, 83, 34,
         {{40, 20, 24, 5}, {74, 93, 97, 3 | sel}, {75, 95, 99, 4 | sel}}},
        {"before the first frame", false, -11, 0, {}},
        {"past the last frame", false, 84, 0, {}},
        {"above band 75", false, 0, 35, {}},
        {"below band 2", false, 0, -39, {}},
        {"lines move in time only", true, 10, 5, {{0, 20, 20, 2 | sel}, {0, 30, 30, 2 | sel}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto& start = c.on_lines ? lines : notes;
        auto d = drawing(start);
        const DrawMode mode = c.on_lines ? DrawMode::line_select : DrawMode::pen_select;
        EXPECT_EQ(move_selection(*d, 100, mode, c.dframes, c.dbands), !c.want.empty());
        EXPECT_EQ(spans(*d), c.want.empty() ? start : c.want);
        EXPECT_EQ(d->modified, !c.want.empty());
    }
}

TEST(MoveSelection, LineIntervalAroundTheSelectionsFirstFrame) {
    // Marks around frame 25 (one on it is the left one); one alone is none.
    for (const auto& [marks, want] : std::vector<std::pair<std::vector<int>, int>>{
             {{10, 40}, 30}, {{10, 25, 45}, 20}, {{10}, default_line_interval}}) {
        auto d = drawing({{50, 25, 60, 3 | sel}});
        for (int f : marks)
            (*d)[f].line_mark() = 1;
        EXPECT_EQ(selection_line_interval(*d, 100, DrawMode::pen_select), want);
    }
}

TEST(Clip, CopyTakesTheSelectionFromItsFirstFrame) {
    const auto d = drawing({{0, 11, 11, 2 | sel}, {0, 30, 30, 6}, {40, 12, 13, 3 | sel},
                            {45, 14, 14, 7 | sel}, {46, 10, 12, 5}});
    EXPECT_EQ(copy_selection(*d, 100, DrawMode::pen_select).cells,
              (std::vector<ClipCell>{{0, 40, 3}, {1, 40, 3}, {2, 45, 7}}));
    EXPECT_EQ(copy_selection(*d, 100, DrawMode::line_select).cells,
              (std::vector<ClipCell>{{0, 0, 2}, {1, 40, 3}, {2, 40, 3}, {3, 45, 7}}));
    delete_copied(*d, 100, DrawMode::line_select);
    EXPECT_EQ(spans(*d), (std::vector<Span>{{0, 30, 30, 6}, {46, 10, 12, 5}}));
}

TEST(Clip, PasteSelectsWhatItPutsAndKeepsNotesApart) {
    // A line mark, two notes of band 40 (colours 3 and 4), one of band 45.
    const DrawClip clip{{{0, 0, 2}, {0, 40, 3}, {1, 40, 3}, {2, 40, 3}, {3, 40, 4}, {2, 45, 7}}};
    const std::vector<Span> pasted = {
        {0, 20, 20, 2 | sel}, {40, 20, 22, 3 | sel}, {40, 23, 23, 4 | sel}, {45, 22, 22, 7 | sel}};
    struct Case {
        const char* name;
        std::vector<Span> start;
        int frame_count;
        std::vector<Span> want;
    };
    const Case cases[] = {
        {"clears the old selection", {{50, 5, 6, 9 | sel}}, 100, {{50, 5, 6, 9}}},
        {"cut at the recording's end", {}, 22, {}},
        {"a note of its colour before", {{40, 15, 19, 3}}, 100, {{40, 15, 18, 3}}},
        {"a note of its colour after", {{45, 23, 30, 7}}, 100, {{45, 24, 30, 7}}},
        {"overwrites what it lands on", {{40, 10, 30, 9}}, 100, {{40, 10, 19, 9}, {40, 24, 30, 9}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = drawing(c.start);
        EXPECT_TRUE(paste_clip(*d, c.frame_count, clip, 20));
        auto want = drawing(c.want);
        for (const Span& p : pasted)
            for (int f = p.first; f <= std::min(p.last, c.frame_count - 1); ++f)
                (*want)[f].slot[std::size_t(p.slot)] = std::uint8_t(p.value);
        EXPECT_EQ(spans(*d), spans(*want));
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
        {"shorter, at least one frame", 3, 100, 14, 2, 10},
        {"longer", 3, 100, 14, 17, 17},
        {"up to an empty frame before a note of its colour", 3, 100, 14, 40, 18},
        {"up to a note of another colour", 5, 100, 14, 40, 19},
        {"up to the recording's end", 3, 17, 14, 40, 16},
        {"not the note's last frame", 3, 100, 12, 16, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = drawing({{40, 10, 14, 3 | sel}, {40, 20, 25, c.next_colour}});
        EXPECT_EQ(set_note_end(*d, c.frame_count, 40, c.last, c.wanted), c.want >= 0);
        EXPECT_EQ(spans(*d), (std::vector<Span>{{40, 10, c.want >= 0 ? c.want : 14, 3 | sel},
                                                {40, 20, 25, c.next_colour}}));
    }
}

} // namespace
} // namespace pitkad
