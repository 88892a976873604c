#include "view/view_layout.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

TEST(ViewLayout, SnapsWidthAndSizesGraph) {
    struct Case {
        int width, line_width;
        int client, graph_height, line_used;
        bool slider;
    };
    const Case cases[] = {
        {796, 12, 796, 917, 12, true},                               // "12": 74 × 12 + 29
        {695, 4, 692, 325, 4, true},                                 // 703 outer → 700
        {691, 4, 688, 325, 4, false},                                // 699 outer → 696
        {692, 7, 692, 547, 7, true},   {500, 4, 592, 325, 4, false}, // never narrower than 592
        {593, 4, 592, 325, 4, false},  {1915, 12, 1912, 917, 12, true},
        {796, 3, 796, 251, 3, true},   {796, 24, 796, 1805, 24, true}, // row heights 3 … 24
        {796, 40, 796, 1805, 24, true}, {796, -7, 796, 251, 3, true},  // others clamped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " / " << c.line_width);
        const ViewLayout v = layout_view(c.width, c.line_width);
        EXPECT_EQ(v.client_width, c.client);
        EXPECT_EQ(v.graph_width, c.client);
        EXPECT_EQ(v.graph_height, c.graph_height);
        EXPECT_EQ(v.rows_height, c.graph_height - 29);
        EXPECT_EQ(v.line_width, c.line_used);
        EXPECT_EQ(v.show_position_slider, c.slider);
    }
}

TEST(ViewLayout, DefaultLineWidthFromScreenHeight) {
    struct Case {
        int screen, line_width, largest_enabled;
    };
    const Case cases[] = {
        {768, 7, 8},    {1101, 11, 12}, {1102, 12, 12}, {1200, 12, 12},
        {1080, 11, 12}, {510, 4, 5},    {400, 4, 4},    {0, 4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        const LineWidthDefault d = default_line_width(c.screen);
        EXPECT_EQ(d.line_width, c.line_width);
        for (int n = 4; n <= 12; ++n)
            EXPECT_EQ(d.enabled[n], n <= c.largest_enabled) << n;
    }
}

} // namespace
} // namespace pitkad
