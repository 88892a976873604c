#include "view/time_ruler.h"
#include "view/view_state.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

// Pixel ↔ frame at presets is exactly x / s and t × s; at any zoom every
// frame's column holds it and every column starts where its frame does.
TEST(ViewZoom, ColumnsAndFramesAgreeAtEveryZoom) {
    for (int s : {1, 2, 4}) {
        ViewState v;
        v.scroll_speed = s;
        v.first_frame = 37;
        for (int x : {0, 1, 3, 125, 795}) EXPECT_EQ(v.x_to_frame(x), 37 + x / s) << s;
        for (int t : {37, 38, 100, 500}) EXPECT_EQ(v.frame_to_x(t), (t - 37) * s) << s;
        v.zoom = 50000 * s; // the same zoom given continuously
        for (int x : {0, 1, 3, 125, 795}) EXPECT_EQ(v.x_to_frame(x), 37 + x / s) << s;
    }
    for (int zoom : {1, 700, 12500, 33333, 50001, 123457, 400000, 800000, 900000}) {
        ViewState v;
        v.zoom = zoom;
        v.first_frame = 1000;
        for (int t = 1000; t < 4000; t += 7) {
            const int x = v.frame_to_x(t);
            ASSERT_LE(v.x_to_frame(x), t) << zoom << " frame " << t;
            ASSERT_GT(std::max(v.x_to_frame(x + 1), v.x_to_frame(x) + 1), t) << zoom;
            if (v.zoom_in_force() >= zoom_per_frame) {
                ASSERT_EQ(v.x_to_frame(x), t) << zoom;
            }
        }
    }
}

TEST(TimeRuler, ClockTexts) {
    const std::tuple<long long, bool, const char*> cases[] = {
        {0, false, "0:00"},         {65000, false, "1:05"},  {65500, true, "1:05.5"},
        {65599, true, "1:05.5"},    {-20, false, "0:00"},    {3725000, false, "1:02:05"},
        {36000000, true, "10:00:00.0"}, {599900, false, "9:59"},
    };
    for (const auto& [ms, tenths, text] : cases) EXPECT_EQ(clock_text(ms, tenths), text) << ms;
}

// Labelled ticks on round times at least 64 pixels apart, with minor ticks
// between; the step follows the zoom.
TEST(TimeRuler, TicksFollowTheZoom) {
    struct Case {
        int zoom, first_frame;
        long long step_ms;
        int first_x; // the first labelled tick at or right of column 0
    };
    const Case cases[] = {
        {50000, 0, 2000, 0},  {100000, 0, 1000, 0},  {200000, 77, 500, 92},
        {400000, 3, 200, 56}, {700, 0, 120000, 0},   {30, 0, 3600000, 0},
    };
    for (const Case& c : cases) {
        ViewState v;
        v.zoom = c.zoom;
        v.first_frame = c.first_frame;
        EXPECT_EQ(ruler_scale(v).step_ms, c.step_ms) << c.zoom;
        const auto ticks = ruler_ticks(v, 800);
        int first = -1, labelled = 0;
        for (const RulerTick& t : ticks) {
            EXPECT_EQ(t.labelled, t.ms % c.step_ms == 0);
            if (t.labelled && t.x >= 0 && first < 0) first = t.x;
            labelled += t.labelled;
        }
        EXPECT_EQ(first, c.first_x) << c.zoom;
        EXPECT_GE(labelled, 1);
        EXPECT_GT(ticks.size(), std::size_t(labelled)) << "minor ticks at " << c.zoom;
    }
}

// Flags as wide as their names, cut at the next marker and the widest
// allowed, kept to a pole's width; a column finds the flag painted on top.
TEST(TimeRuler, MarkerFlagsAndWhatLiesUnderAColumn) {
    ViewState v; // 1 pixel a frame
    v.first_frame = 100;
    const std::vector<SectionMarker> markers{
        {50, "left of the view"}, {98, "abc"}, {150, "abcdefgh"}, {160, "x"},
        {162, std::string(40, 'w')}, {400, "beyond"}};
    const auto width = [](const std::string& s) { return int(s.size()) * 4; };
    const std::vector<RulerFlag> flags = ruler_flags(v, markers, 300, width);
    const std::vector<RulerFlag> expected{
        {1, -2, 18}, {2, 50, 10}, {3, 60, 5}, {4, 62, ruler_flag_max_width}};
    EXPECT_EQ(flags, expected);
    const std::pair<int, int> under[] = {{-5, -1}, {0, 1}, {15, 1}, {16, -1}, {48, 2},
                                         {59, 3}, {61, 4}, {157, 4}, {158, -1}};
    for (const auto& [x, marker] : under) EXPECT_EQ(ruler_flag_at(flags, x), marker) << x;
}

} // namespace
} // namespace pitkad
