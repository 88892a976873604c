#include "control/view_navigation.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

// Zooming keeps the frame under the pointer where it was, stops on the
// presets on its way, and stays between the whole recording and 800 pixel/s.
TEST(ViewNavigation, ZoomKeepsTheAnchorAndItsLimits) {
    struct Case {
        int speed, zoom, first;
        double factor;
        int anchor_x;
        long long zoom_after; // zoom in force
        int scroll_speed_after, zoom_field_after;
    };
    const int frames = 60000, width = 800; // 20 minutes
    const Case cases[] = {
        {1, 0, 1000, 1.5, 400, 75000, 1, 75000},
        {1, 0, 1000, 3.0, 400, 100000, 2, 0},      // passes 100 pixel/s: lands on it
        {4, 0, 1000, 4.0, 0, 800000, 4, 800000},   // at most 800 pixel/s
        {1, 0, 1000, 0.001, 400, 666, 1, 666},     // at least the whole recording
        {1, 70000, 1000, 1 / 1.4, 400, 50000, 1, 0}, // lands on 50 pixel/s
    };
    for (const Case& c : cases) {
        ViewState v;
        v.scroll_speed = c.speed;
        v.zoom = c.zoom;
        v.first_frame = c.first;
        const int anchor = v.x_to_frame(c.anchor_x);
        zoom_time(v, c.factor, c.anchor_x, frames, width);
        SCOPED_TRACE(testing::Message() << c.factor);
        EXPECT_EQ(v.zoom_in_force(), c.zoom_after);
        EXPECT_EQ(v.scroll_speed, c.scroll_speed_after);
        EXPECT_EQ(v.zoom, c.zoom_field_after);
        if (v.first_frame > 0) {
            EXPECT_NEAR(v.x_to_frame(c.anchor_x), anchor, 1);
        }
    }
}

TEST(ViewNavigation, WholeRecordingRowsWheelAndLastPage) {
    ViewState v;
    v.first_frame = 500;
    fit_whole_recording(v, 60000, 800);
    EXPECT_EQ(v.first_frame, 0);
    EXPECT_LE(v.frame_to_x(59999), 799);
    EXPECT_GE(v.frame_to_x(59999), 790);
    fit_whole_recording(v, 100, 800); // a short one: 400 pixel/s
    EXPECT_EQ(v.zoom_in_force(), 400000);

    const std::tuple<int, int, int> rows[] = {{4, 1, 5}, {24, 1, 24}, {3, -1, 3}, {40, -1, 23}};
    for (auto [h, steps, after] : rows) EXPECT_EQ(stepped_row_height(h, steps), after) << h;

    ViewState p; // 50 pixel/s, 800 columns = 16 s; a notch is 2 s
    EXPECT_EQ(wheel_scroll_ms(p, 800, 1), 2000);
    EXPECT_EQ(wheel_scroll_ms(p, 800, -3), -6000);
    p.zoom = 800000; // 16 pixels a frame: a notch is still at least a frame
    EXPECT_EQ(wheel_scroll_ms(p, 8, 1), 20);
    EXPECT_EQ(last_page_frame(ViewState{}, 1000, 800), 200);
    EXPECT_EQ(last_page_frame(ViewState{}, 100, 800), 0);
    EXPECT_EQ(zoom_caption(ViewState{}), "50 pixel/s");
    p.zoom = 700;
    EXPECT_EQ(zoom_caption(p), "0.7 pixel/s");
}

} // namespace
} // namespace pitkad
