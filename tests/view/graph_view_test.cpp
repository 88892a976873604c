#include "view/graph_view.h"

#include <memory>

#include <gtest/gtest.h>

#include "view/note_labels.h"

namespace pitkad {
namespace {

struct Px {
    int r, g, b;
    friend bool operator==(const Px&, const Px&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Px& p) {
        return os << "(" << p.r << "," << p.g << "," << p.b << ")";
    }
};
Px at(const QImage& img, int x, int y) {
    const std::uint8_t* p = img.constScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}
const Px black{0, 0, 0}, top_colour{215, 49, 0}, marker{160, 160, 160};
const Px grid{61, 61, 61}, octave_grid{112, 112, 112};

// A view over a fresh store and drawing; the window's controls are `params`.
struct GraphViewTest : testing::Test {
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
    std::unique_ptr<DrawData> drawing = std::make_unique<DrawData>();
    ViewState view;
    GraphParams params;
    int position_ms = 0;
    bool dragging = true;
    std::vector<QRect> changed;
    std::array<std::uint8_t, 76> sounding{};
    GraphView gv{*store, *drawing, view};

    GraphViewTest() {
        gv.params = [this] { return params; };
        gv.player_position_ms = [this] { return position_ms; };
        gv.clear_dragging = [this] { dragging = false; };
        gv.on_screen_changed = [this](QRect r) { changed.push_back(r); };
        gv.sounding_notes = sounding;
    }
    void layout(int width, int line_width, int speed = 1) {
        view.line_width = line_width;
        view.scroll_speed = speed;
        gv.layout_view(width);
        changed.clear();
    }
    // A font whose every glyph pixel is ink (mask 0) or the given mask.
    void ink_font(std::uint8_t mask = 0) {
        gv.font_bitmap = QImage(144, 132, QImage::Format_BGR888);
        gv.font_bitmap.fill(QColor(mask, mask, mask));
        params.switches.show_left_enabled = true;
    }
    int W() const { return gv.graph_bitmap.width(); }
    // Moving the cursor onto each frame and off again leaves the screen's
    // column as the full redraw drew it, at each scroll speed.
    void expect_restored_columns(std::initializer_list<int> speeds,
                                 std::initializer_list<int> frames) {
        for (int s : speeds) {
            layout(796, 6, s);
            for (int frame : frames) {
                const int x = frame * s;
                gv.write_line(frame);
                view.cursor_frame = frame;
                gv.restore_column(frame);
                for (int y = 0; y < 74 * 6; ++y)
                    ASSERT_EQ(at(gv.screen, x, y), at(gv.graph_bitmap, x, y))
                        << s << " x " << x << " y " << y;
            }
        }
    }
    // The same at continuous zooms (thousandths of a pixel per second).
    void expect_restored_columns_zoomed(std::initializer_list<int> zooms,
                                        std::initializer_list<int> frames) {
        for (int z : zooms) {
            layout(796, 6, 1);
            view.zoom = z;
            gv.write_graph();
            for (int frame : frames) {
                gv.write_line(frame);
                const int x = view.frame_to_x(frame);
                view.cursor_frame = frame;
                gv.restore_column(frame);
                for (int y = 0; y < 74 * 6; ++y)
                    ASSERT_EQ(at(gv.screen, x, y), at(gv.graph_bitmap, x, y))
                        << z << " x " << x << " y " << y;
            }
        }
    }
};

TEST_F(GraphViewTest, EmptyGraphHasGridMarkersAndBlackRows) {
    params.switches.show_left_enabled = false;
    for (int L : {4, 7, 12}) {
        SCOPED_TRACE(L);
        layout(796, L);
        ASSERT_EQ(gv.graph_bitmap.size(), QSize(796, 74 * L + 29));
        ASSERT_EQ(gv.screen.size(), gv.graph_bitmap.size());
        ASSERT_EQ(gv.cursor_bitmap.size(), QSize(1, 74 * L));
        for (int r : {0, 1, 11, 12, 73}) {
            EXPECT_EQ(at(gv.graph_bitmap, 300, r * L), black);
            EXPECT_EQ(at(gv.graph_bitmap, 300, r * L + L - 2), black);
            EXPECT_EQ(at(gv.graph_bitmap, 300, r * L + L - 1), r % 12 == 0 ? octave_grid : grid)
                << r;
            EXPECT_EQ(at(gv.graph_bitmap, 125, r * L), marker);
            EXPECT_EQ(at(gv.graph_bitmap, 796 - 125, r * L + L - 1), marker);
            EXPECT_EQ(at(gv.graph_bitmap, 124, r * L), black);
        }
        EXPECT_EQ(at(gv.graph_bitmap, 125, 74 * L), black); // markers stop above the strip
        EXPECT_EQ(gv.screen, gv.graph_bitmap);
    }
}

TEST_F(GraphViewTest, CellsTakeTheirBandColourAtEveryScrollSpeed) {
    store->at(10, 75) = 0.0f;   // C8, top row
    store->at(11, 36) = -20.0f; // row 39
    for (int s : {1, 2, 4}) {
        SCOPED_TRACE(s);
        layout(796, 5, s);
        for (int q = 0; q < s; ++q) {
            EXPECT_EQ(at(gv.graph_bitmap, 10 * s + q, 0), top_colour);
            EXPECT_EQ(at(gv.graph_bitmap, 10 * s + q, 3), top_colour);
            EXPECT_EQ(at(gv.graph_bitmap, 11 * s + q, 39 * 5 + 3),
                      at(gv.graph_bitmap, 11 * s, 39 * 5));
        }
        EXPECT_EQ(at(gv.graph_bitmap, 10 * s, 4), octave_grid);
        EXPECT_EQ(at(gv.graph_bitmap, 10 * s - 1, 0), black);
        EXPECT_EQ(at(gv.graph_bitmap, 11 * s, 0), black);
        LevelPalette pal;
        build_palette(pal, false, QImage());
        EXPECT_EQ(at(gv.graph_bitmap, 11 * s, 39 * 5),
                  (Px{pal.red[9][133], pal.green[9][133], pal.blue[9][133]}));
    }
}

TEST_F(GraphViewTest, PagesAtTheRightMarker) {
    struct Case {
        int speed, page_frame, first_frame, x_after;
    };
    const Case cases[] = {{1, 667, 542, 125}, {2, 334, 272, 124}, {4, 167, 136, 124}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        view.first_frame = 0;
        view.cursor_frame = 0;
        layout(792, 4, c.speed);
        for (int f = 0; f < c.page_frame; ++f)
            gv.write_line(f);
        EXPECT_EQ(view.first_frame, 0);
        EXPECT_EQ(view.cursor_frame, c.page_frame - 1);
        dragging = true;
        gv.write_line(c.page_frame);
        EXPECT_EQ(view.first_frame, c.first_frame);
        EXPECT_EQ(view.cursor_frame, -1);
        EXPECT_FALSE(dragging);
        EXPECT_EQ(view.frame_to_x(c.page_frame), c.x_after);
        gv.write_line(c.page_frame + 1);
        EXPECT_EQ(at(gv.screen, view.frame_to_x(c.page_frame + 1), 0), marker);
        EXPECT_EQ(view.cursor_frame, c.page_frame + 1);
    }
}

TEST_F(GraphViewTest, PagingBackToAFrameLeftOfTheView) {
    struct Case {
        int speed, first, frame, new_first;
    };
    const Case cases[] = {{1, 500, 300, 175}, {1, 500, 100, 0}, {4, 500, 300, 269}, {2, 10, 5, 0}};
    for (const Case& c : cases) {
        layout(792, 4, c.speed);
        view.first_frame = c.first;
        gv.write_line(c.frame);
        EXPECT_EQ(view.first_frame, c.new_first) << c.speed << " " << c.frame;
        EXPECT_EQ(view.cursor_frame, -1);
    }
}

TEST_F(GraphViewTest, CursorMovesByTwoColumnsAndSkipsTheLeftMarker) {
    store->at(130, 75) = 0.0f;
    layout(796, 4);
    view.cursor_frame = -1;
    gv.write_line(130);
    EXPECT_EQ(at(gv.screen, 130, 0), marker);
    EXPECT_EQ(at(gv.screen, 130, 3), marker); // the cursor covers grid rows
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], QRect(130, 0, 1, 74 * 4));
    changed.clear();
    gv.write_line(131);
    EXPECT_EQ(at(gv.screen, 130, 0), top_colour);
    EXPECT_EQ(at(gv.screen, 130, 3), octave_grid);
    EXPECT_EQ(at(gv.screen, 131, 0), marker);
    EXPECT_EQ(changed.size(), 2u);
    // x = 125 is not restored: the marker survives.
    gv.screen.scanLine(40)[3 * 125] = 1; // would be repainted if restored
    gv.write_line(125);
    gv.write_line(126);
    EXPECT_EQ(gv.screen.constScanLine(40)[3 * 125], 160);
    view.first_frame = 0;
    view.cursor_frame = -1;
    gv.restore_column(125);
    EXPECT_EQ(at(gv.screen, 125, 0), marker);
}

TEST_F(GraphViewTest, RestoredColumnMatchesTheFullRedraw) {
    for (int t = 0; t < 400; ++t)
        for (int b = 2; b < 76; ++b)
            store->at(t, b) = -float((t * 7 + b * 3) % 40);
    (*drawing)[140].note_cell(50) = 12;
    (*drawing)[141].note_cell(50) = 33; // selected
    ink_font(0x0f);
    sounding[70] = 1;
    expect_restored_columns({1}, {0, 102, 116, 140, 141, 300});
    expect_restored_columns({2}, {0, 51, 58, 140, 141, 150});
    expect_restored_columns({4}, {0, 25, 29, 140, 141, 75});
    expect_restored_columns_zoomed({7000, 35000, 330000}, {0, 102, 140, 141, 300});
}

// At a pixel scale of 2 the picture has the screen's own pixels: cells twice
// as large, grid rows and the cursor one pixel, and what is reported stays
// in window pixels.
TEST_F(GraphViewTest, ScaledPictureHasTheScreensPixels) {
    for (int t = 0; t < 400; ++t)
        for (int b = 2; b < 76; ++b)
            store->at(t, b) = -float((t * 7 + b * 3) % 40);
    layout(796, 6, 1);
    const QImage plain = gv.graph_bitmap.copy();
    gv.set_pixel_scale(2);
    gv.layout_view(796);
    ASSERT_EQ(gv.graph_bitmap.size(), QSize(2 * 796, 2 * (74 * 6 + 29)));
    EXPECT_EQ(gv.logical_width(), 796);
    for (int x : {0, 130, 300})
        for (int r : {0, 11, 40}) {
            EXPECT_EQ(at(gv.graph_bitmap, 2 * x + 1, 12 * r + 10), at(plain, x, 6 * r + 4));
            EXPECT_EQ(at(gv.graph_bitmap, 2 * x, 12 * r + 11), r % 12 == 0 ? octave_grid : grid);
        }
    EXPECT_EQ(at(gv.graph_bitmap, 250, 0), marker);
    EXPECT_NE(at(gv.graph_bitmap, 251, 0), marker);
    changed.clear();
    gv.write_line(200);
    gv.write_line(201);
    for (const QRect& r : changed) EXPECT_TRUE(QRect(0, 0, 796, 74 * 6 + 29).contains(r)) << r.x();
    for (int y = 0; y < 2 * 74 * 6; ++y)
        ASSERT_EQ(at(gv.screen, 400, y), at(gv.graph_bitmap, 400, y)) << y; // frame 200 restored
}

// Zoomed out, a column shows the loudest level of each band among its frames
// and the first drawn cell; a line mark keeps its one column.
TEST_F(GraphViewTest, ZoomedOutColumnsPoolTheirFrames) {
    const auto colour = [this](int v) {
        const Rgb c = drawing->draw_palette[std::size_t(v)];
        return Px{c.r, c.g, c.b};
    };
    (*drawing)[41].note_cell(75) = 3;
    (*drawing)[45].line_mark() = 5;
    store->at(42, 75) = 0.0f; // the only sound
    layout(796, 6, 1);
    view.zoom = 12500; // four frames a column: column 10 holds frames 40 … 43
    gv.write_graph();
    EXPECT_EQ(at(gv.graph_bitmap, 10, 0), colour(3));
    EXPECT_EQ(at(gv.graph_bitmap, 11, 100), colour(5)); // frames 44 … 47
    params.switches.pen_show = false;
    gv.write_graph();
    EXPECT_EQ(at(gv.graph_bitmap, 10, 0), top_colour);
    EXPECT_EQ(at(gv.graph_bitmap, 9, 0), black);
}

TEST_F(GraphViewTest, PausedRedrawPutsTheCursorAtThePlayerPosition) {
    layout(796, 4);
    params.play_state = PlayState::paused;
    position_ms = 3019; // frame 150
    gv.write_graph();
    EXPECT_EQ(view.cursor_frame, 150);
    EXPECT_EQ(at(gv.screen, 150, 10), marker);
    EXPECT_EQ(at(gv.graph_bitmap, 150, 10), black); // never in graph_bitmap
    params.play_state = PlayState::playing;
    gv.write_graph();
    EXPECT_EQ(at(gv.screen, 150, 10), black);
    // A position left of the view pages once and does not recurse.
    params.play_state = PlayState::paused;
    position_ms = -100;
    gv.write_line(-5);
    EXPECT_EQ(view.first_frame, 0);
}

TEST_F(GraphViewTest, DrawnLinesAndPenCells) {
    (*drawing)[200].line_mark() = 10;       // (255, 0, 0)
    (*drawing)[220].note_cell(75) = 3;      // (0, 128, 0) in the top row
    (*drawing)[221].note_cell(75) = 33 + 4; // selected: highlight
    store->at(220, 75) = 0.0f;
    for (int s : {1, 4}) {
        SCOPED_TRACE(s);
        layout(1000, 5, s);
        for (int y : {0, 4, 5 * 74 - 1})
            EXPECT_EQ(at(gv.graph_bitmap, 200 * s, y), (Px{255, 0, 0}));
        if (s > 1) {
            EXPECT_EQ(at(gv.graph_bitmap, 200 * s + 1, 0), black); // one pixel wide
        }
        for (int q = 0; q < s; ++q) {
            EXPECT_EQ(at(gv.graph_bitmap, 220 * s + q, 3), (Px{0, 128, 0}));
            EXPECT_EQ(at(gv.graph_bitmap, 221 * s + q, 0), (Px{127, 127, 255}));
        }
        EXPECT_EQ(at(gv.graph_bitmap, 220 * s, 4), octave_grid); // grid rows untouched
        // The cursor is hidden on a drawn line and shown on the next frame.
        view.first_frame = 0;
        gv.write_line(200);
        EXPECT_EQ(view.cursor_frame, -1);
        EXPECT_EQ(at(gv.screen, 200 * s, 10), (Px{255, 0, 0}));
        gv.write_line(201);
        EXPECT_EQ(view.cursor_frame, 201);
    }
    params.switches.pen_show = false;
    params.switches.line_show = false;
    layout(1000, 5, 1);
    EXPECT_EQ(at(gv.graph_bitmap, 220, 0), top_colour);
    EXPECT_EQ(at(gv.graph_bitmap, 200, 10), black);
    gv.write_line(200);
    EXPECT_EQ(view.cursor_frame, 200);
}

TEST_F(GraphViewTest, LabelColoursAndMaskCombination) {
    sounding[73] = 1; // row 2, A#7
    params.switches.show_right_checked = true;
    ink_font(0);
    layout(796, 4);
    const int right = 796 - 119;
    struct Case {
        int row;
        Px colour;
    };
    const Case cases[] = {{0, {240, 240, 240}},   // C8
                          {1, {240, 240, 240}},   // B7
                          {2, {240, 96, 96}},     // A#7, sounding
                          {4, {160, 160, 160}},   // G#7
                          {71, {160, 160, 160}},  // C#2
                          {70, {240, 240, 240}},  // D2
                          {73, {240, 240, 240}}}; // B1
    for (const Case& c : cases) {
        for (int x : {101, 116, right, right + 15}) {
            EXPECT_EQ(at(gv.graph_bitmap, x, c.row * 4), c.colour) << c.row << " x " << x;
            EXPECT_EQ(at(gv.graph_bitmap, x, c.row * 4 + 2), c.colour);
        }
        EXPECT_EQ(at(gv.graph_bitmap, 100, c.row * 4), black);
        EXPECT_EQ(at(gv.graph_bitmap, 117, c.row * 4), black);
        EXPECT_NE(at(gv.graph_bitmap, 101, c.row * 4 + 3), c.colour); // grid row kept
    }
    params.switches.show_right_checked = false;
    params.switches.show_left_checked = false;
    gv.write_graph();
    EXPECT_EQ(at(gv.graph_bitmap, 101, 0), black);
    EXPECT_EQ(at(gv.graph_bitmap, right, 0), black);
    // Stamping again, as the mouse editor does, recolours the ink.
    params.switches.show_left_checked = true;
    sounding[73] = 0;
    gv.write_graph();
    EXPECT_EQ(at(gv.graph_bitmap, 101, 8), (Px{160, 160, 160}));
    sounding[73] = 1;
    gv.draw_note_labels();
    EXPECT_EQ(at(gv.graph_bitmap, 101, 8), (Px{240, 96, 96}));
    // Bitwise, not blended: (old AND m) OR (key AND NOT m) over a 0 dB cell.
    store->at(101, 73) = 0.0f;
    ink_font(0x0f);
    gv.write_graph();
    EXPECT_EQ(at(gv.graph_bitmap, 101, 8), (Px{(0xd7 & 0x0f) | 0xf0, (0x31 & 0x0f) | 0x60, 0x60}));
    ink_font(255);
    gv.write_graph();
    EXPECT_EQ(at(gv.graph_bitmap, 101, 8), top_colour); // transparent glyph keeps the graph
}

TEST_F(GraphViewTest, GlyphsComeFromTheLineWidthsAtlasCell) {
    ink_font(255);
    // Ink a single pixel in the cell of pitch class 9 (A) for each width:
    // glyph column 3, cell row L − 2.
    for (int L = 4; L <= 12; ++L)
        std::memset(gv.font_bitmap.scanLine(9 * 11 + L - 2) + 3 * ((12 - L) * 16 + 3), 0, 3);
    for (int L : {4, 8, 12}) {
        SCOPED_TRACE(L);
        layout(796, L);
        const int a4_row = 39;
        EXPECT_EQ(at(gv.graph_bitmap, 104, a4_row * L + L - 2), (Px{240, 240, 240}));
        EXPECT_EQ(at(gv.graph_bitmap, 104, a4_row * L + L - 3), black);
        EXPECT_EQ(at(gv.graph_bitmap, 105, a4_row * L + L - 2), black);
        EXPECT_EQ(at(gv.graph_bitmap, 104, 3 * L + L - 2), (Px{240, 240, 240})); // A7
        EXPECT_EQ(at(gv.graph_bitmap, 104, 2 * L + L - 2), black);
    }
}

TEST_F(GraphViewTest, FramesBeyondCapacityAreBlack) {
    for (int b = 2; b < 76; ++b)
        store->at(60000, b) = 0.0f;
    (*drawing)[60000].line_mark() = 10;
    layout(1912, 12, 1);
    view.first_frame = 60000 - 100;
    gv.write_graph();
    EXPECT_EQ(at(gv.graph_bitmap, 99, 0), black);
    EXPECT_EQ(at(gv.graph_bitmap, 100, 0), (Px{255, 0, 0}));
    EXPECT_EQ(at(gv.graph_bitmap, 101, 0), black);
    EXPECT_EQ(at(gv.graph_bitmap, 101, 12), black);
    gv.write_line(60001 + 200);
    EXPECT_EQ(at(gv.screen, 301, 20), marker);
    gv.restore_column(60001 + 200);
    EXPECT_EQ(at(gv.screen, 301, 20), black);
    // Far beyond, and with every scroll speed.
    for (int s : {1, 2, 4}) {
        layout(1912, 4, s);
        view.first_frame = 59990;
        gv.write_graph();
        EXPECT_EQ(at(gv.graph_bitmap, 10 * s, 0), (Px{255, 0, 0})); // frame 60000's line
        if (s > 1) {
            EXPECT_EQ(at(gv.graph_bitmap, 10 * s + 1, 0), top_colour);
        }
        EXPECT_EQ(at(gv.graph_bitmap, 11 * s, 0), black);
        EXPECT_EQ(at(gv.graph_bitmap, 11 * s, 4), black);
        view.first_frame = 2000000000;
        gv.write_graph();
        gv.write_line(2000000000 + 5);
        EXPECT_EQ(at(gv.graph_bitmap, 5 * s, 0), black);
    }
}

TEST_F(GraphViewTest, LayoutClampsUnsupportedValues) {
    view.line_width = 30;
    view.scroll_speed = 3;
    const ViewLayout lay = gv.layout_view(100);
    EXPECT_EQ(view.line_width, 24);
    EXPECT_EQ(view.scroll_speed, 1);
    EXPECT_EQ(lay.client_width, 592);
    EXPECT_EQ(gv.graph_bitmap.size(), QSize(592, 74 * 24 + 29));
    EXPECT_EQ(gv.laid_out_line_width(), 24);
    // Drawing with a line width that was never laid out stays in bounds.
    view.line_width = 4;
    gv.write_graph();
    gv.write_line(10);
    EXPECT_EQ(gv.note_hint(0, false, false), "C8");
}

// The loop and the focus change only the pixels they cover: the rows
// shaded, the bar at the top of the strip; everything else as without them.
TEST_F(GraphViewTest, PracticeMarksChangeOnlyTheirPixels) {
    for (int t = 0; t < 400; ++t)
        for (int b = 2; b < 76; ++b)
            store->at(t, b) = -float((t * 7 + b * 3) % 40);
    (*drawing)[45].note_cell(50) = 12;
    (*drawing)[50].line_mark() = 10;
    struct Case {
        int speed, first_frame;
        PracticeMarks marks;
    };
    const Case cases[] = {
        {1, 0, {40, 60, 0, 0}},   // loop only
        {2, 30, {20, 45, 0, 0}},  // loop starting left of the view
        {4, 0, {150, 900, 0, 0}}, // loop past the right edge
        {1, 0, {0, 0, 40, 52}},   // focus only
        {2, 0, {40, 60, 60, 60}}, // both, a focus of one band
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        params.practice = {};
        view.first_frame = c.first_frame;
        layout(796, 5, c.speed);
        const QImage plain = gv.graph_bitmap.copy();
        params.practice = c.marks;
        gv.write_graph();
        const QImage& shown = gv.graph_bitmap;
        const int rows = 74 * 5;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < 796; ++x) {
                const Px p = at(plain, x, y);
                const bool in_loop = c.marks.in_loop(view.x_to_frame(x));
                Px want = p;
                if (y < rows) {
                    const Rgb r =
                        practice_shade(Rgb{std::uint8_t(p.r), std::uint8_t(p.g), std::uint8_t(p.b)},
                                       in_loop, c.marks.dimmed(view.y_to_band(y)));
                    want = {r.r, r.g, r.b};
                } else if (in_loop && y >= rows + loop_bar_top &&
                           y < rows + loop_bar_top + loop_bar_height) {
                    want = {loop_bar_colour.r, loop_bar_colour.g, loop_bar_colour.b};
                }
                ASSERT_EQ(at(shown, x, y), want) << x << ", " << y;
            }
        // The shading shows: a black cell in the loop is lifted, the bar is there.
        if (c.marks.loop_shown()) {
            EXPECT_NE(shown, plain);
        }
        // Without marks the picture is the plain one again.
        params.practice = {};
        gv.write_graph();
        EXPECT_EQ(gv.graph_bitmap, plain);
    }
}

TEST_F(GraphViewTest, RestoredColumnMatchesTheFullRedrawWithPracticeMarks) {
    for (int t = 0; t < 400; ++t)
        for (int b = 2; b < 76; ++b)
            store->at(t, b) = -float((t * 5 + b * 3) % 40);
    (*drawing)[141].note_cell(50) = 12;
    ink_font(0x0f);
    params.practice = {100, 150, 30, 60};
    expect_restored_columns({1, 2}, {99, 100, 108, 141, 149, 150, 300});
}

// The play start is a line over the rows at its frame's column, drawn over
// the labels too; the cursor passing over it leaves it there; out of the
// view it changes nothing.
TEST_F(GraphViewTest, StartMarkIsALineOverTheRowsThatTheCursorLeaves) {
    for (int t = 0; t < 400; ++t)
        for (int b = 2; b < 76; ++b)
            store->at(t, b) = -float((t * 3 + b * 5) % 40);
    ink_font(0x0f);
    const Px mark{start_mark_colour.r, start_mark_colour.g, start_mark_colour.b};
    for (int frame : {140, 105}) {
        params.start_mark_frame = frame;
        expect_restored_columns({1, 2}, {frame, frame + 1});
        const int x = frame * 2; // the last layout's speed
        for (int y : {0, 74 * 6 - 1})
            EXPECT_EQ(at(gv.graph_bitmap, x, y), mark) << frame << " y " << y;
        EXPECT_NE(at(gv.graph_bitmap, x, 74 * 6 + 1), mark) << frame;
        EXPECT_NE(at(gv.graph_bitmap, x + 1, 0), mark) << frame;
    }
    for (int first : {0, 200}) {
        view.first_frame = first;
        params.start_mark_frame = first == 0 ? 500 : 150; // right of, left of the view
        gv.write_graph();
        params.start_mark_frame = -1;
        const QImage marked = gv.graph_bitmap;
        gv.write_graph();
        EXPECT_EQ(marked, gv.graph_bitmap) << first;
    }
}

// Suggested beats are dotted lines, a bar's first beat brighter, that the
// cursor leaves as they were; a line mark at a beat hides its suggestion.
TEST_F(GraphViewTest, SuggestedBeatsAreDottedLines) {
    for (int t = 0; t < 400; ++t)
        for (int b = 2; b < 76; ++b)
            store->at(t, b) = -float((t * 7 + b) % 40);
    const std::vector<int> beats{100, 120, 140}, bars{100};
    params.suggested_beats = beats;
    params.suggested_downbeats = bars;
    (*drawing)[140].line_mark() = 5;
    expect_restored_columns({1, 2}, {99, 100, 120});
    const Px bar{suggested_downbeat_colour.r, suggested_downbeat_colour.g,
                 suggested_downbeat_colour.b};
    const Px beat{suggested_beat_colour.r, suggested_beat_colour.g, suggested_beat_colour.b};
    for (int y : {0, 1, 4}) {
        EXPECT_EQ(at(gv.graph_bitmap, 200, y), bar) << y;
        EXPECT_EQ(at(gv.graph_bitmap, 240, y), beat) << y;
        EXPECT_NE(at(gv.graph_bitmap, 280, y), beat) << y;
    }
    EXPECT_NE(at(gv.graph_bitmap, 240, 2), beat);
}

// Suggested notes are outlines under the pen marks, shaded by the loop,
// that the cursor leaves as they were at every zoom.
TEST_F(GraphViewTest, SuggestedNotesAreOutlinedUnderThePen) {
    for (int t = 0; t < 400; ++t)
        for (int b = 2; b < 76; ++b)
            store->at(t, b) = -float((t * 7 + b) % 40);
    const std::vector<SuggestedNote> notes{{100, 110, 40}, {105, 106, 60}, {120, 140, 40}};
    params.suggested_notes = notes;
    params.practice.loop_first = 130;
    params.practice.loop_end = 200;
    for (int f = 125; f < 130; ++f)
        (*drawing)[f].note_cell(40) = 5;
    expect_restored_columns_zoomed({20000, 300000}, {100, 105, 109, 127, 139});
    expect_restored_columns({1, 2}, {99, 100, 105, 109, 110, 127, 139});
    view.zoom = 0;
    view.first_frame = 0;
    layout(796, 6, 2);
    const Px ghost{suggested_note_colour.r, suggested_note_colour.g, suggested_note_colour.b};
    const int top = (75 - 40) * 6, bottom = top + 4;
    using Xy = std::pair<int, int>;
    for (const auto& [x, y] : {Xy{200, top + 2}, Xy{219, top + 2}, Xy{210, top}, Xy{210, bottom}})
        EXPECT_EQ(at(gv.graph_bitmap, x, y), ghost) << x << " " << y; // the outline
    for (const auto& [x, y] : {Xy{210, top + 2}, Xy{220, top}, Xy{199, top + 2}, Xy{210, top + 5}})
        EXPECT_NE(at(gv.graph_bitmap, x, y), ghost) << x << " " << y; // inside, beside
    EXPECT_EQ(at(gv.graph_bitmap, 250, top), (Px{0, 0, 128})); // the pen's colour 5
    const Rgb lifted = practice_shade(suggested_note_colour, true, false);
    EXPECT_EQ(at(gv.graph_bitmap, 279, top + 2), (Px{lifted.r, lifted.g, lifted.b}));
}

} // namespace
} // namespace pitkad
