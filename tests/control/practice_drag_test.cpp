#include "control/practice_drag.h"

#include "control/practice_controls.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

constexpr int W = 796;

// A view of 4-pixel rows at `speed` pixels a frame from frame `first`:
// rows end at y = 296, the strip at 325.
ViewState view_at(int speed = 1, int first = 0) {
    ViewState v;
    v.scroll_speed = speed;
    v.first_frame = first;
    return v;
}

PracticeDragZones zones(DrawMode mode = DrawMode::none, bool left = true, bool right = false) {
    return {true, mode, W, left, right};
}

TEST(PracticeDrag, WhereDragsStart) {
    using K = PracticeDragKind;
    struct Case {
        PracticeDragZones z;
        int x, y;
        K kind;
    };
    PracticeDragZones closed = zones();
    closed.recording_open = false;
    const Case cases[] = {
        {zones(), 300, 296, K::loop},                  // first strip row
        {zones(), 300, 324, K::loop},                  // last strip row
        {zones(), 300, 325, K::none},                  // below the graph
        {zones(DrawMode::pen_draw), 10, 300, K::loop}, // the pen draws on the rows only
        {zones(DrawMode::line_draw), 10, 300, K::none},
        {zones(DrawMode::clipboard), 10, 300, K::none},
        {zones(), 101, 0, K::focus},
        {zones(), 116, 295, K::focus},
        {zones(), 117, 100, K::none},
        {zones(), 100, 100, K::none},
        {zones(DrawMode::none, false), 105, 100, K::none}, // labels hidden
        {zones(DrawMode::none, false, true), W - 119, 100, K::focus},
        {zones(DrawMode::none, false, true), W - 103, 100, K::none},
        {zones(DrawMode::pen_draw), 105, 100, K::none},
        {closed, 300, 300, K::none},
    };
    for (const Case& c : cases)
        EXPECT_EQ(practice_drag_kind(c.z, view_at(), c.x, c.y), c.kind) << c.x << ", " << c.y;
}

TEST(PracticeDrag, LoopFromColumns) {
    struct Case {
        int a, b, rate, frames;
        LoopRange loop;
    };
    const Case cases[] = {
        {10, 20, 44100, 100, {8820, 18522}},
        {20, 10, 44100, 100, {8820, 18522}},   // either direction
        {90, 150, 48000, 100, {86400, 96000}}, // ends at the recording's end
        {-5, 0, 44100, 100, {0, 882}},
        {1, 1, 11025, 100, {221, 441}}, // 220.5 samples a column, rounded up
        {150, 160, 44100, 100, {}},
        {10, 20, 0, 100, {}}, // rate unknown
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a);
        EXPECT_EQ(loop_from_columns(c.a, c.b, c.rate, c.frames), c.loop);
    }
}

TEST(PracticeDrag, StripDragSetsTheLoopAndAClickClearsIt) {
    PracticeSettings current;
    current.speed = 0.5;
    PracticeDrag d;
    ASSERT_TRUE(d.press(zones(), view_at(2, 100), 60, 310));
    EXPECT_FALSE(d.move(62, 310)); // within the threshold: still a click
    EXPECT_TRUE(d.move(20, 312));
    EXPECT_EQ(d.preview(current, 44100, 1000).loop, (LoopRange{110 * 882, 131 * 882}));
    const auto set = d.release(21, 300, current, 44100, 1000);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->loop, (LoopRange{110 * 882, 131 * 882})); // columns 110 … 130
    EXPECT_EQ(set->speed, 0.5);                              // the rest kept
    EXPECT_FALSE(d.active());

    ASSERT_TRUE(d.press(zones(), view_at(), 60, 310));
    const auto cleared = d.release(61, 311, *set, 44100, 1000);
    ASSERT_TRUE(cleared);
    EXPECT_FALSE(cleared->loop.active());
    ASSERT_TRUE(d.press(zones(), view_at(), 60, 310));
    EXPECT_FALSE(d.release(60, 310, *cleared, 44100, 1000)); // nothing to clear
}

TEST(PracticeDrag, LabelDragSetsTheFocus) {
    struct Case {
        int y0, y1, low, high;
    };
    const Case cases[] = {
        {0, 11, 73, 75},    // rows 0 … 2
        {11, 0, 73, 75},    // upwards
        {100, 102, 0, 0},   // a click: unchanged
        {40, 41, 0, 0},     // one row, not moved enough
        {40, 44, 64, 65},   // rows 10 … 11
        {0, 500, 0, 0},     // every band: no focus
        {-20, 200, 25, 75}, // clamped to the rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.y0);
        PracticeDrag d;
        ASSERT_TRUE(d.press(zones(), view_at(), 105, std::max(c.y0, 0)));
        d.move(106, c.y1);
        const PracticeSettings s =
            d.release(106, c.y1, {}, 44100, 1000).value_or(PracticeSettings{});
        EXPECT_EQ(s.focus_low, c.low);
        EXPECT_EQ(s.focus_high, c.high);
    }
}

} // namespace
} // namespace pitkad
