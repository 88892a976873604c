#include "drawing/draw_history.h"

#include "drawing/draw_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace pitkad {
namespace {

constexpr int frames = 400; // the recording's frame count in these tests

// A drawing with notes in a few bands and line marks every 50 frames.
std::unique_ptr<DrawData> sample() {
    auto d = std::make_unique<DrawData>();
    for (int f = 0; f < frames; f += 50)
        (*d)[f].line_mark() = 3;
    for (int f = 10; f < 40; ++f)
        (*d)[f].note_cell(30) = 5;
    for (int f = 60; f < 90; ++f)
        (*d)[f].note_cell(44) = 9;
    return d;
}

struct State {
    std::vector<draw_frame> records;
    DrawChannels channels;
    DrawAnnotations annotations;
    friend bool operator==(const State&, const State&) = default;
};

State state_of(const DrawData& d, const MidiChannelSettings& t) {
    return {d.draw_data, draw_channels(t), d.annotations};
}

// Undo of each kind of change gives back the drawing (selection included)
// and the channel settings as they were; redo gives the edited ones.
TEST(DrawHistory, UndoAndRedoOfEachKindRestoreEveryRecord) {
    struct Case {
        const char* name;
        std::function<void(DrawData&, MidiChannelSettings&)> edit;
        bool is_step;
    };
    const Case cases[] = {
        {"pen stroke",
         [](DrawData& d, MidiChannelSettings&) {
             commit_pen_stroke(d, frames, 5, 80, 30, 7, false, 16);
         },
         true},
        {"quantised stroke",
         [](DrawData& d, MidiChannelSettings&) {
             commit_pen_stroke(d, frames, 53, 97, 20, 2, true, 4);
         },
         true},
        {"line mark", [](DrawData& d, MidiChannelSettings&) { set_line_mark(d, frames, 77, 12); },
         true},
        {"beat tap cleared",
         [](DrawData& d, MidiChannelSettings&) { clear_line_mark(d, frames, 100); }, true},
        {"nearest line erased",
         [](DrawData& d, MidiChannelSettings&) { erase_nearest_line(d, frames, 148); }, true},
        {"run eraser", [](DrawData& d, MidiChannelSettings&) { erase_run(d, frames, 20, 30); },
         true},
        {"select all, delete notes",
         [](DrawData& d, MidiChannelSettings&) {
             all_select(d, frames, DrawMode::pen_select);
             select_del(d, frames, DrawMode::pen_select);
         },
         true},
        {"selected lines deleted",
         [](DrawData& d, MidiChannelSettings&) {
             select_lines(d, frames, 90, 210);
             select_del(d, frames, DrawMode::line_select);
         },
         true},
        {"recolour",
         [](DrawData& d, MidiChannelSettings&) {
             select_pen_rect(d, frames, 15, 70, 30, 44);
             recolour_selected(d, frames, DrawMode::pen_select, 14);
         },
         true},
        {"line interval copied",
         [](DrawData& d, MidiChannelSettings&) {
             reset_draw_select(d, frames);
             select_lines(d, frames, 100, 150);
             copy_line_interval(d, frames, CopyDirection::right, 6);
         },
         true},
        {"channel program", [](DrawData&, MidiChannelSettings& t) { t.program[3] = 41; }, true},
        {"channel volume", [](DrawData&, MidiChannelSettings& t) { t.volume[8] = 20; }, true},
        {"marker added",
         [](DrawData& d, MidiChannelSettings&) { add_marker(d.annotations, 40, "Verse"); }, true},
        {"meter set", [](DrawData& d, MidiChannelSettings&) {
             set_meter(d.annotations, 50, MeterMark{0, 6, 8});
         }, true},
        {"click channel is not the drawing's",
         [](DrawData&, MidiChannelSettings& t) { t.program[0] = 9; }, false},
        {"selection only",
         [](DrawData& d, MidiChannelSettings&) { all_select(d, frames, DrawMode::pen_select); },
         false},
        {"same colour again",
         [](DrawData& d, MidiChannelSettings&) { set_line_mark(d, frames, 50, 3); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = sample();
        MidiChannelSettings t;
        DrawHistory h;
        // A selection made before the step stays out of it unless the
        // step rewrites those records.
        select_lines(*d, frames, 0, 60);
        const State before = state_of(*d, t);
        h.begin_step(*d, t);
        c.edit(*d, t);
        EXPECT_EQ(h.end_step(*d, t), c.is_step);
        EXPECT_EQ(h.can_undo(), c.is_step);
        if (!c.is_step) continue;
        const State after = state_of(*d, t);
        ASSERT_NE(before, after);
        EXPECT_TRUE(d->modified);
        EXPECT_TRUE(h.undo(*d, t).moved);
        EXPECT_TRUE(state_of(*d, t) == before);
        EXPECT_FALSE(d->modified);
        EXPECT_TRUE(h.redo(*d, t).moved);
        EXPECT_TRUE(state_of(*d, t) == after);
        EXPECT_FALSE(h.can_redo());
    }
}

// Random edits, each a step: undoing them all gives the first drawing,
// redoing them all the last, and every position in between matches.
TEST(DrawHistory, RandomEditsUndoAndRedoThroughEveryState) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        auto d = sample();
        MidiChannelSettings t;
        DrawHistory h;
        std::vector<State> states{state_of(*d, t)};
        for (int i = 0; i < 40; ++i) {
            h.begin_step(*d, t);
            switch (pick(0, 7)) {
            case 0:
                commit_pen_stroke(*d, frames, pick(0, 399), pick(0, 399), pick(2, 75), pick(1, 16),
                                  pick(0, 1), 8);
                break;
            case 1:
                set_line_mark(*d, frames, pick(0, 399), pick(1, 16));
                break;
            case 2:
                erase_nearest_line(*d, frames, pick(0, 399));
                break;
            case 3:
                erase_run(*d, frames, pick(0, 399), pick(2, 75));
                break;
            case 4:
                select_pen_rect(*d, frames, pick(0, 399), pick(0, 399), pick(2, 40), pick(40, 75));
                select_del(*d, frames, DrawMode::pen_select);
                break;
            case 5:
                select_pen_rect(*d, frames, pick(0, 399), pick(0, 399), 2, 75);
                recolour_selected(*d, frames, DrawMode::pen_select, pick(1, 16));
                break;
            case 6:
                t.program[std::size_t(pick(1, 8))] = pick(0, 127);
                break;
            default:
                reset_draw_select(*d, frames);
                break;
            }
            if (h.end_step(*d, t))
                states.push_back(state_of(*d, t));
            else
                states.back() = state_of(*d, t); // a selection change, no step
        }
        ASSERT_EQ(h.undo_count() + 1, states.size());
        for (std::size_t k = states.size() - 1; k > 0; --k) {
            ASSERT_TRUE(h.undo(*d, t).moved);
            // Selections made after a step are not part of it: compare content.
            reset_draw_select(*d, frames);
            State want = states[k - 1];
            for (auto& r : want.records)
                for (auto& v : r.slot)
                    v &= std::uint8_t(~draw_selected_bit);
            ASSERT_TRUE(state_of(*d, t) == want) << "at step " << k - 1;
        }
        EXPECT_FALSE(h.undo(*d, t).moved);
        while (h.redo(*d, t).moved) {
        }
        reset_draw_select(*d, frames);
        State last = states.back();
        reset_draw_select(*d, frames);
        for (auto& r : last.records)
            for (auto& v : r.slot)
                v &= std::uint8_t(~draw_selected_bit);
        EXPECT_TRUE(state_of(*d, t) == last);
    }
}

// The drawing is unchanged exactly where it was last saved or loaded.
TEST(DrawHistory, UnsavedStateFollowsTheHistory) {
    // e: an edit, s: a save, u: undo, r: redo; then whether it is unsaved.
    struct Act {
        char what;
        bool modified;
    };
    const std::vector<Act> script = {
        {'e', true},  {'e', true}, {'s', false}, {'u', true},  {'r', false},
        {'u', true},  {'u', true}, {'r', true},  {'r', false}, {'e', true},
        {'u', false}, {'u', true}, {'e', true}, // the saved state was on the line of steps just
                                                // dropped
        {'u', true},  {'r', true}, {'s', false}, {'u', true},  {'r', false},
    };
    auto d = sample();
    MidiChannelSettings t;
    DrawHistory h;
    int next = 100;
    for (std::size_t i = 0; i < script.size(); ++i) {
        SCOPED_TRACE(i);
        switch (script[i].what) {
        case 'e':
            record_step(&h, *d, t, [&] { set_line_mark(*d, frames, next++, 4); });
            break;
        case 's':
            d->modified = false;
            break;
        case 'u':
            ASSERT_TRUE(h.undo(*d, t).moved);
            break;
        case 'r':
            ASSERT_TRUE(h.redo(*d, t).moved);
            break;
        }
        EXPECT_EQ(d->modified, script[i].modified);
    }
}

// Over the limit the oldest steps go; what is left still undoes exactly.
TEST(DrawHistory, BoundDropsTheOldestSteps) {
    auto d = sample();
    MidiChannelSettings t;
    // One step of 30 records is about 4.7 kB: room for three.
    DrawHistory h(15000);
    std::vector<State> states{state_of(*d, t)};
    for (int i = 0; i < 10; ++i) {
        record_step(&h, *d, t, [&] {
            commit_pen_stroke(*d, frames, 30 * i, 30 * i + 29, 50, 1 + i, false, 16);
        });
        states.push_back(state_of(*d, t));
        EXPECT_LE(h.bytes(), h.limit());
    }
    EXPECT_EQ(h.undo_count(), 3u);
    while (h.undo(*d, t).moved) {
    }
    EXPECT_TRUE(state_of(*d, t) == states[7]);
    EXPECT_TRUE(d->modified); // the saved state is gone from the history
    // A step bigger than the limit is still kept, alone.
    record_step(&h, *d, t, [&] { commit_pen_stroke(*d, frames, 0, 399, 60, 2, false, 16); });
    EXPECT_EQ(h.undo_count(), 1u);
    EXPECT_FALSE(h.can_redo());
}

TEST(DrawHistory, ClearForgetsAndReports) {
    auto d = sample();
    MidiChannelSettings t;
    DrawHistory h;
    int changes = 0;
    h.on_change = [&] { ++changes; };
    record_step(&h, *d, t, [&] { set_line_mark(*d, frames, 7, 2); });
    EXPECT_EQ(changes, 1);
    h.undo(*d, t);
    h.redo(*d, t);
    h.clear();
    EXPECT_EQ(changes, 4);
    EXPECT_FALSE(h.can_undo() || h.can_redo());
    EXPECT_EQ(h.bytes(), 0u);
}

} // namespace
} // namespace pitkad
