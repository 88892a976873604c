#pragma once
// The spectrogram graph: its bitmaps, the renderer, the playback cursor and
// paging. Everything is drawn into QImages (Format_BGR888, written through
// scanLine()); `screen` is what the window shows. The window's paint event
// only copies invalid rectangles of `screen`, and every change of `screen`
// is reported through on_screen_changed so the window can call update(rect).
//
// All members run on the UI thread.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>

#include "analysis/note_suggestions.h"
#include "analysis/spectrogram_store.h"
#include "drawing/draw_data.h"
#include "view/colour_map.h"
#include "view/practice_marks.h"
#include "view/view_layout.h"
#include "view/view_state.h"

namespace pitkad {

// Menu and tool-window switches the renderer reads.
struct ViewSwitches {
    bool show_left_enabled = false;  // left_labels_action enabled, i.e. the font bitmap is loaded
    bool show_left_checked = true;   // left_labels_action checked
    bool show_right_checked = false; // right_labels_action checked
    bool grouping = false;           // note_colours_action enabled and checked
    bool pen_show = true;            // pen_show_switch down
    bool line_show = true;           // line_show_switch down
    bool markers = true;             // the grey marker columns at 125 and W − 125
};

// A note outlined over the graph: frames [first, end) of `band`.
struct OutlinedNote {
    int first = 0, end = 0, band = 0;
    Rgb colour{};
    bool dotted = false; // a note that is not drawn
    bool thick = false;  // the one in hand
};

// Control values read afresh at every write_graph, write_line and
// restore_column (through GraphView::params).
struct GraphParams {
    int sensitivity = default_sensitivity; // gain_slider position S, 0 … 100
    int colour = default_colour;           // colour_slider position T, 0 … 100
    ViewSwitches switches;
    PlayState play_state = PlayState::no_recording;
    PracticeMarks practice; // the loop and the focus shown over the rows
    int start_mark_frame = -1; // the play start, a line over the rows; -1 none
    // Suggested beats and bars' first beats (ascending frames), shown as
    // dotted lines until accepted as line marks.
    std::span<const int> suggested_beats, suggested_downbeats;
    // Suggested notes (in order of start), outlined under the pen marks
    // until accepted into the drawing.
    std::span<const SuggestedNote> suggested_notes;
    // What the check of the drawing marks (in order of start), outlined over
    // the pen marks.
    std::span<const OutlinedNote> check_marks;
    // Levels shown in place of the store's, in its layout (76 cells a
    // frame): the sound the drawing leaves unexplained. Empty: the store's.
    std::span<const float> shown_levels;
};

// The play start's line, set apart from the grey playback cursor.
inline constexpr Rgb start_mark_colour{120, 230, 120};
// Suggested beats' dotted lines, a bar's first beat brighter.
inline constexpr Rgb suggested_beat_colour{110, 110, 150};
inline constexpr Rgb suggested_downbeat_colour{180, 180, 240};
// Suggested notes' outlines: a grey apart from the pen colours.
inline constexpr Rgb suggested_note_colour{170, 170, 190};

class GraphView {
  public:
    // The store, drawing and view state live as long as the view. The
    // bitmaps are sized at once for the initial client width and
    // view.line_width, so every operation is safe before layout_view.
    GraphView(const SpectrogramStore& store, const DrawData& drawing, ViewState& view);

    // --- Hooks the window fills once -----------------------------------
    // Current control values; defaults when empty.
    std::function<GraphParams()> params;
    // The audio player's position in milliseconds, read by write_graph while
    // paused; 0 when empty.
    std::function<int()> player_position_ms;
    // Clears the mouse editor's dragging flag; called when write_line pages.
    std::function<void()> clear_dragging;
    // A rectangle of `screen` changed (window: update(rect)).
    std::function<void(QRect)> on_screen_changed;
    // The notes selected for sounding: byte b (2 … 75) non-zero lights band
    // b's labels. Shorter or empty spans light nothing past their end.
    std::span<const std::uint8_t> sounding_notes;

    // --- Bitmaps ------------------------------------------------------
    QImage graph_bitmap;       // W × (74 L + 29): the whole view
    QImage cursor_bitmap;      // 1 × 74 L: the playback cursor column
    QImage column_bitmap;      // 1 × 74 L: scratch column for restore_column
    QImage font_bitmap;        // glyph atlas; null until load_font succeeds
    QImage colour_bitmap;      // pitch-class colours; null until load_colour succeeds
    QImage screen;             // the window's content, size of graph_bitmap

    LevelPalette level_palette;

    // --- Operations ---------------------------------------------------
    // Applies view.line_width (clamped to 3 … 24 and written back; an
    // unsupported view.scroll_speed becomes 1) and the requested client
    // width: resizes graph_bitmap, screen and the scratch columns, runs
    // prepare_columns and write_graph. Returns the geometry the window
    // applies (client width, graph height, position_slider visibility).
    ViewLayout layout_view(int requested_client_width);

    // level_palette and the greys for the current grouping switch.
    void build_palette();
    // Fixed parts of the scratch columns: grey cursor, grid rows.
    void prepare_columns();

    // Rebuilds graph_bitmap, copies it to `screen`, and while paused draws
    // the cursor at the player's position.
    void write_graph();
    // Moves the playback cursor to `frame`, paging the view when the frame
    // lies left of the view or at or right of W − 125.
    void write_line(int frame);
    // Repaints on `screen` the pixel column where `frame` starts.
    void restore_column(int frame);

    // Steps of write_graph, drawing into graph_bitmap only.
    void draw_pen_overlay();
    void draw_line_overlay();
    void draw_note_labels();
    // Copies graph_bitmap to `screen` (after draw_note_labels from the mouse
    // editor).
    void show_graph();

    // The mouse editor's rubber band, drawn on `screen` only: one pixel set
    // (not reported; the editor reports the band's rectangle), and a
    // rectangle put back from graph_bitmap (reported). Both clip to the picture.
    void set_screen_pixel(int x, int y, Rgb colour);
    void restore_screen_rect(QRect r);

    // Load the data bitmaps; false (and nothing changed) when the file is
    // missing or refused: the note labels and the note colours are then
    // unavailable.
    bool load_font(const std::filesystem::path& file);
    bool load_colour(const std::filesystem::path& file);

    // The hint for client row y at the current line width (see
    // show_note_hint in view/note_labels.h).
    std::optional<std::string> note_hint(int y, bool show_frq, bool show_note,
                                         double a4_hz = 440.0) const;

    // Line width the bitmaps are laid out for.
    int laid_out_line_width() const { return line_width_; }

    // Device pixels per window pixel (1 … 4): the bitmaps are that many
    // times larger and drawn at the screen's own resolution. Coordinates
    // given to and reported by the operations stay in window pixels. Takes
    // effect at the next layout_view.
    void set_pixel_scale(int scale);
    int pixel_scale() const { return scale_; }
    // The graph's width in window pixels.
    int logical_width() const { return graph_bitmap.width() / scale_; }

  private:
    struct ColumnRange {
        int lo = 0, hi = 0;
    };
    // Frames first … end − 1, clipped to what is readable.
    struct FrameSpan {
        int first = 0, end = 0;
        bool operator==(const FrameSpan&) const = default;
    };
    GraphParams current_params() const;
    // The view in the bitmaps' pixels, and the band row height in them.
    ViewState device_view() const;
    int row() const { return line_width_ * scale_; }
    QRect to_logical(QRect device) const;
    void draw_legend(const ScaleParams& scale, bool grouping);
    void resize_bitmaps(int width, int line_width);
    void render(const GraphParams& p);
    void pen_overlay();
    void line_overlay();
    void note_labels(const GraphParams& p);
    void practice_overlay(const PracticeMarks& m);
    // The play start's line on the pixel column of `frame` in `image`
    // (graph_bitmap, or column_bitmap at column x 0 when `column` is set).
    void start_mark_overlay(QImage& image, int frame, bool column = false) const;
    // The suggested beats over the whole graph, or (column_x ≥ 0) those
    // shown in that pixel column, drawn into the column image.
    void suggestion_overlay(QImage& image, const GraphParams& p, int column_x = -1) const;
    // The suggested notes' outlines over the whole graph, drawn before the
    // pen marks that cover them; or (column_x ≥ 0) their pixels in that
    // column, drawn into the column image where no pen mark shows and
    // shaded as the practice marks shade the rows (`in_loop`).
    void note_suggestion_overlay(QImage& image, const GraphParams& p, int column_x = -1,
                                 bool in_loop = false) const;
    // The check's marks over the whole graph, or those in one column, over
    // the pen marks.
    void check_overlay(QImage& image, const GraphParams& p, int column_x = -1) const;
    // The outline of frames [first, end) of `band` in pixel columns lo … hi
    // (column x drawn at x − lo); false when the note starts past them.
    bool outline(QImage& image, const OutlinedNote& n, long long lo, long long hi) const;
    void copy_to_screen(const QImage& src, int x, int y);
    bool sounding(int band) const;
    // Frames past these are never read: they are drawn black.
    int store_capacity(const GraphParams& p) const;
    int drawing_capacity() const;
    ColumnRange readable_columns(int capacity) const;
    // The frames pixel column x shows, clipped to 0 … capacity − 1.
    FrameSpan column_frames(int x, int capacity) const;
    // What a column of several frames shows, by band: the loudest level of
    // each band among the frames, and the first drawn cell of each.
    using BandValues = std::array<float, cells_per_frame>;
    using BandCells = std::array<std::uint8_t, draw_record_size>;
    BandValues loudest_of(FrameSpan span, const GraphParams& p) const;
    BandCells first_cells_of(FrameSpan span) const;

    const SpectrogramStore& store_;
    const DrawData& drawing_;
    ViewState& view_;
    int line_width_ = min_line_width;
    int scale_ = 1, wanted_scale_ = 1; // laid out, and asked for
    int paging_depth_ = 0;
    std::vector<std::uint16_t> levels_; // band levels of one redraw, row by row
};

} // namespace pitkad
