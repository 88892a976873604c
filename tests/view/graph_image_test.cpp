#include "view/graph_image.h"

#include <memory>

#include <gtest/gtest.h>

namespace pitkad {
namespace {

TEST(WholeGraph, WidthCoversEveryFrameAtTheFastestSpeedThatFits) {
    struct Case {
        int frame_count, speed;
        int want_speed, want_width;
    };
    const Case cases[] = {
        {1000, 1, 1, 1000},   {1001, 2, 2, 2004}, // rounded up to a multiple of 4
        {100, 4, 4, 592},                         // never narrower than the window's graph
        {16384, 4, 4, 65536},                     // exactly the widest
        {16385, 4, 2, 32772}, {58000, 4, 1, 58000},
        {540012, 4, 1, 65528}, // 3 hours: zoomed out to fit
        {0, 1, 1, 592},       {500, 3, 1, 592}, // a speed the renderer does not draw counts as 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame_count);
        ViewState v;
        v.scroll_speed = c.speed;
        v.line_width = 7;
        v.first_frame = 300;
        const WholeGraph w = whole_graph(v, c.frame_count);
        EXPECT_EQ(w.view.scroll_speed, c.want_speed);
        EXPECT_EQ(w.width, c.want_width);
        EXPECT_EQ(w.view.first_frame, 0);
        EXPECT_EQ(w.view.line_width, 7);
    }
}

TEST(RenderGraphImage, DrawsTheWholeRecordingWithItsDrawing) {
    auto store = std::make_unique<SpectrogramStore>();
    auto drawing = std::make_unique<DrawData>();
    store->frame_count = 1500;
    (*drawing)[1499].line_mark() = 10; // red, in the last frame
    (*drawing)[5].note_cell(75) = 3;   // green, top row
    const QImage none;
    const GraphImageSources sources{*store, *drawing, none, none};
    ViewState v;
    v.scroll_speed = 2;
    v.line_width = 5;
    v.first_frame = 700; // the window's view does not matter
    const WholeGraph w = whole_graph(v, store->frame_count);
    const QImage image = render_graph_image(sources, w.view, GraphParams{}, w.width);
    ASSERT_EQ(image.size(), QSize(3000, 74 * 5 + 29));
    EXPECT_EQ(image.pixelColor(1499 * 2, 20), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(5 * 2 + 1, 0), QColor(0, 128, 0));
    // The view passed in is a copy: the caller's stays.
    EXPECT_EQ(v.first_frame, 700);
}

} // namespace
} // namespace pitkad
