#include "view/graph_view.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "base/vector_state.h"
#include "view/data_bitmaps.h"
#include "view/note_labels.h"

namespace pitkad {

namespace {

void fill_black(QImage& img) {
    if (!img.isNull()) std::memset(img.bits(), 0, std::size_t(img.sizeInBytes()));
}

void put(std::uint8_t* px, Rgb c) {
    px[0] = c.b;
    px[1] = c.g;
    px[2] = c.r;
}

// Label ink: each colour byte becomes (old AND m) OR (key AND NOT m).
void stamp(std::uint8_t* px, std::uint8_t m, Rgb key) {
    px[0] = std::uint8_t((px[0] & m) | (key.b & ~m));
    px[1] = std::uint8_t((px[1] & m) | (key.g & ~m));
    px[2] = std::uint8_t((px[2] & m) | (key.r & ~m));
}

Rgb draw_colour(const DrawData& d, std::uint8_t v) {
    return v < d.draw_palette.size() ? d.draw_palette[v] : draw_highlight;
}

int pitch_class_of_row(int r) {
    return (ViewState::row_to_band(r) + band_note_offset) % 12; // the MIDI note's pitch class
}

// The glyph atlas holds labels for the line-width presets only.
bool atlas_has(int line_width) {
    return line_width >= min_line_width && line_width <= max_line_width;
}

bool font_usable(const QImage& font) {
    return !font.isNull() && font.format() == QImage::Format_BGR888 &&
           font.width() >= font_min_width && font.height() >= font_min_height;
}

} // namespace

GraphView::GraphView(const SpectrogramStore& store, const DrawData& drawing, ViewState& view)
    : store_(store), drawing_(drawing), view_(view) {
    pitkad::build_palette(level_palette, false, colour_bitmap);
    resize_bitmaps(initial_client_width, effective_row_height(view_.line_width));
    prepare_columns();
}

GraphParams GraphView::current_params() const {
    return params ? params() : GraphParams{};
}

void GraphView::resize_bitmaps(int width, int line_width) {
    line_width_ = line_width;
    scale_ = wanted_scale_;
    width *= scale_;
    const int rows = graph_rows * line_width * scale_;
    graph_bitmap = QImage(width, rows + legend_height * scale_, QImage::Format_BGR888);
    screen = QImage(width, rows + legend_height * scale_, QImage::Format_BGR888);
    cursor_bitmap = QImage(1, rows, QImage::Format_BGR888);
    column_bitmap = QImage(1, rows, QImage::Format_BGR888);
    fill_black(graph_bitmap);
    fill_black(screen);
    fill_black(cursor_bitmap);
    fill_black(column_bitmap);
    levels_.assign(std::size_t(graph_rows) * std::size_t(width), 0);
}

ViewLayout GraphView::layout_view(int requested_client_width) {
    view_.line_width = effective_row_height(view_.line_width);
    view_.scroll_speed = effective_scroll_speed(view_.scroll_speed);
    const ViewLayout lay = pitkad::layout_view(requested_client_width, view_.line_width);
    if (lay.graph_width != logical_width() || lay.line_width != line_width_ ||
        wanted_scale_ != scale_)
        resize_bitmaps(lay.graph_width, lay.line_width);
    prepare_columns();
    write_graph();
    return lay;
}

void GraphView::build_palette() {
    pitkad::build_palette(level_palette, current_params().switches.grouping, colour_bitmap);
}

void GraphView::prepare_columns() {
    const int L = row();
    for (int y = 0; y < cursor_bitmap.height(); ++y) {
        std::uint8_t* px = cursor_bitmap.scanLine(y);
        px[0] = px[1] = px[2] = level_palette.marker_grey;
    }
    for (int r = 0; r < graph_rows; ++r) {
        const int y = (r + 1) * L - 1;
        if (y >= column_bitmap.height()) break;
        std::uint8_t* px = column_bitmap.scanLine(y);
        px[0] = px[1] = px[2] =
            r % 12 == 0 ? level_palette.octave_grid_grey : level_palette.grid_grey;
    }
}

int GraphView::store_capacity(const GraphParams& p) const {
    return p.shown_levels.empty() ? store_.columns() : int(p.shown_levels.size() / cells_per_frame);
}
int GraphView::drawing_capacity() const {
    return int(drawing_.draw_data.size());
}

GraphView::ColumnRange GraphView::readable_columns(int capacity) const {
    // Pixel columns whose first frame lies in 0 … capacity − 1.
    const long long W = graph_bitmap.width();
    const ViewState v = device_view();
    const long long F = v.first_frame;
    const long long lo = std::clamp(v.first_column_from(-F), 0LL, W);
    const long long hi = std::clamp(v.first_column_from((long long)capacity - F), lo, W);
    return {int(lo), int(hi)};
}

GraphView::BandValues GraphView::loudest_of(FrameSpan span, const GraphParams& p) const {
    const float* levels = p.shown_levels.empty() ? store_.spectrogram.data() : p.shown_levels.data();
    // By band, in the store's order, so that the loop runs in lanes.
    BandValues loudest;
    loudest.fill(-std::numeric_limits<float>::infinity());
    for (int f = span.first; f < span.end; ++f) {
        const float* col = levels + std::size_t(f) * cells_per_frame;
        for (std::size_t b = 0; b < loudest.size(); ++b)
            loudest[b] = std::max(loudest[b], col[b]); // a NaN cell counts as silence
    }
    return loudest;
}

GraphView::BandCells GraphView::first_cells_of(FrameSpan span) const {
    BandCells cells{};
    for (int f = span.first; f < span.end; ++f) {
        const auto& slot = drawing_[f].slot;
        for (std::size_t b = first_band; b < cells.size(); ++b)
            cells[b] = cells[b] != 0 ? cells[b] : slot[b];
    }
    return cells;
}

GraphView::FrameSpan GraphView::column_frames(int x, int capacity) const {
    const ViewState v = device_view();
    const long long F = v.first_frame;
    const long long a = F + v.offset_to_frames(x);
    // Zoomed in, several columns show one frame: the span is that frame.
    const long long b = std::max(F + v.offset_to_frames((long long)x + 1), a + 1);
    return {int(std::clamp(a, 0LL, (long long)capacity)),
            int(std::clamp(b, 0LL, (long long)capacity))};
}

void GraphView::render(const GraphParams& p) {
    clear_upper_vector_state();
    view_.scroll_speed = effective_scroll_speed(view_.scroll_speed);
    const int W = graph_bitmap.width();
    const int L = row();
    const ScaleParams scale = scale_params(p.sensitivity, p.colour);

    fill_black(graph_bitmap);
    draw_legend(scale, p.switches.grouping);

    // Levels of the visible columns, read column by column (the store keeps
    // a frame's bands together), then written out row by row. A column that
    // holds several frames shows the loudest of each band.
    const int capacity = store_capacity(p);
    const ColumnRange cr = readable_columns(capacity);
    const std::size_t stride = std::size_t(W);
    FrameSpan shown{-1, -1};
    for (int x = cr.lo; x < cr.hi; ++x) {
        const FrameSpan span = column_frames(x, capacity);
        if (span == shown) {
            for (int r = 0; r < graph_rows; ++r)
                levels_[std::size_t(r) * stride + std::size_t(x)] =
                    levels_[std::size_t(r) * stride + std::size_t(x) - 1];
            continue;
        }
        shown = span;
        const BandValues loudest = loudest_of(span, p);
        for (int r = 0; r < graph_rows; ++r)
            levels_[std::size_t(r) * stride + std::size_t(x)] = std::uint16_t(
                band_level(loudest[std::size_t(ViewState::row_to_band(r))], scale));
    }
    const std::size_t row_bytes = std::size_t(W) * 3;
    for (int r = 0; r < graph_rows; ++r) {
        const int y0 = r * L;
        const int pc = pitch_class_of_row(r);
        const auto& red = level_palette.red[std::size_t(pc)];
        const auto& green = level_palette.green[std::size_t(pc)];
        const auto& blue = level_palette.blue[std::size_t(pc)];
        const std::uint16_t* lv = levels_.data() + std::size_t(r) * stride;
        std::uint8_t* line = graph_bitmap.scanLine(y0);
        for (int x = cr.lo; x < cr.hi; ++x) {
            std::uint8_t* px = line + 3 * x;
            px[0] = blue[lv[x]];
            px[1] = green[lv[x]];
            px[2] = red[lv[x]];
        }
        for (int i = 1; i <= L - 2; ++i)
            std::memcpy(graph_bitmap.scanLine(y0 + i), line, row_bytes);
        std::memset(graph_bitmap.scanLine(y0 + L - 1),
                    r % 12 == 0 ? level_palette.octave_grid_grey : level_palette.grid_grey,
                    row_bytes);
    }

    const int margin = marker_margin * scale_;
    for (int y = 0; p.switches.markers && y < graph_rows * L; ++y) {
        std::uint8_t* line = graph_bitmap.scanLine(y);
        for (int x : {margin, W - margin}) {
            if (x < 0 || x >= W) continue;
            std::uint8_t* px = line + 3 * x;
            px[0] = px[1] = px[2] = level_palette.marker_grey;
        }
    }

    note_suggestion_overlay(graph_bitmap, p);
    if (p.switches.pen_show) pen_overlay();
    if (p.switches.line_show) line_overlay();
    check_overlay(graph_bitmap, p);
    suggestion_overlay(graph_bitmap, p);
    practice_overlay(p.practice);
    if (p.switches.show_left_enabled) note_labels(p);
    start_mark_overlay(graph_bitmap, p.start_mark_frame);
}

void GraphView::start_mark_overlay(QImage& image, int frame, bool column) const {
    if (frame < 0) return;
    const int x = column ? 0 : device_view().frame_to_x(frame);
    if (x < 0 || x >= image.width()) return;
    for (int y = 0; y < graph_rows * row() && y < image.height(); ++y)
        put(image.scanLine(y) + 3 * x, start_mark_colour);
}

void GraphView::suggestion_overlay(QImage& image, const GraphParams& p, int column_x) const {
    if (p.suggested_beats.empty()) return;
    const ViewState v = device_view();
    const int W = graph_bitmap.width();
    // The frames the graph (or the column) shows.
    const FrameSpan span = column_x >= 0 ? column_frames(column_x, drawing_capacity())
                                         : FrameSpan{view_.first_frame,
                                                     view_.first_frame + int(v.offset_to_frames(W)) + 1};
    auto it = std::lower_bound(p.suggested_beats.begin(), p.suggested_beats.end(), span.first);
    for (; it != p.suggested_beats.end() && *it < span.end; ++it) {
        const int f = *it;
        // A line mark there already says it.
        if (p.switches.line_show && f < drawing_capacity() && drawing_[f].line_mark() != 0) continue;
        const long long x = column_x >= 0 ? 0 : v.frames_to_offset((long long)f - view_.first_frame);
        if (x < 0 || x >= image.width()) continue;
        const bool bar = std::binary_search(p.suggested_downbeats.begin(),
                                            p.suggested_downbeats.end(), f);
        const Rgb c = bar ? suggested_downbeat_colour : suggested_beat_colour;
        // Dotted: two pixels on, two off.
        for (int y = 0; y < graph_rows * row() && y < image.height(); ++y)
            if (y % 4 < 2) put(image.scanLine(y) + 3 * x, c);
    }
}

bool GraphView::outline(QImage& image, const OutlinedNote& n, long long lo, long long hi) const {
    const ViewState v = device_view();
    const long long F = v.first_frame;
    // The one in hand is ringed in white, `ring` pixels out from its
    // outline: a thicker outline alone hardly shows on a row a few pixels
    // high.
    constexpr int ring = 2;
    // No frame from here on is shown, its ring included; zoomed in, a
    // column shows one frame.
    const long long past =
        F + std::max(v.offset_to_frames(hi + 1 + ring), v.offset_to_frames(hi + ring) + 1);
    if (n.first >= past) return false;
    if (n.band < first_band || n.band > last_band) return true;
    // The columns that show any of the note's frames.
    const long long x0 = v.frames_to_offset(n.first - F);
    const long long x1 = std::max(x0, v.first_column_from(n.end - F) - 1);
    const int margin = n.thick ? ring : 0;
    if (x1 + margin < lo || x0 - margin > hi) return true;
    const int L = row();
    const int top = ViewState::band_to_row(n.band) * L, bottom = top + L - 2;
    // Its edge `width` pixels wide over columns a … b and rows t … u.
    auto frame = [&](long long a, long long b, int t, int u, int width, bool dotted, Rgb c) {
        for (long long x = std::max(a, lo); x <= std::min(b, hi); ++x) {
            const bool side = x - a < width || b - x < width;
            for (int y = std::max(t, 0); y <= u && y < image.height(); ++y) {
                const bool edge = side || y - t < width || u - y < width;
                // Dotted: every other pixel along the edge.
                if (edge && (!dotted || (x + y) % 2 == 0)) put(image.scanLine(y) + 3 * (x - lo), c);
            }
        }
    };
    frame(x0, x1, top, bottom, n.thick ? 2 : 1, n.dotted, n.colour);
    if (n.thick) frame(x0 - ring - 1, x1 + ring + 1, top - ring - 1, bottom + ring + 1, 1, false, {255, 255, 255});
    return true;
}

void GraphView::note_suggestion_overlay(QImage& image, const GraphParams& p, int column_x,
                                        bool in_loop) const {
    if (p.suggested_notes.empty()) return;
    const bool column = column_x >= 0;
    const long long lo = column ? column_x : 0, hi = column ? column_x : graph_bitmap.width() - 1;
    BandCells cells{};
    if (column && p.switches.pen_show)
        cells = first_cells_of(column_frames(column_x, drawing_capacity()));
    for (const SuggestedNote& n : p.suggested_notes) {
        if (n.band >= first_band && n.band <= last_band && cells[std::size_t(n.band)] != 0) continue;
        const Rgb c =
            column ? practice_shade(suggested_note_colour, in_loop, p.practice.dimmed(n.band))
                   : suggested_note_colour;
        if (!outline(image, {n.first, n.end, n.band, c}, lo, hi)) break;
    }
}

void GraphView::check_overlay(QImage& image, const GraphParams& p, int column_x) const {
    const bool column = column_x >= 0;
    const long long lo = column ? column_x : 0, hi = column ? column_x : graph_bitmap.width() - 1;
    for (const OutlinedNote& n : p.check_marks)
        if (!outline(image, n, lo, hi)) break;
}

void GraphView::practice_overlay(const PracticeMarks& m) {
    if (!m.any()) return;
    const int W = graph_bitmap.width();
    const int L = row();
    int x0 = 0, x1 = 0; // pixel columns of the loop, clipped to the graph
    if (m.loop_shown()) {
        const ViewState v = device_view();
        const long long F = v.first_frame;
        x0 = int(std::clamp(v.frames_to_offset(m.loop_first - F), 0LL, (long long)W));
        x1 = int(std::clamp(v.frames_to_offset(m.loop_end - F), (long long)x0, (long long)W));
    }
    for (int r = 0; r < graph_rows; ++r) {
        const bool dimmed = m.dimmed(ViewState::row_to_band(r));
        const int from = dimmed ? 0 : x0, to = dimmed ? W : x1;
        for (int i = 0; i < L; ++i) {
            std::uint8_t* line = graph_bitmap.scanLine(r * L + i);
            for (int x = from; x < to; ++x) {
                std::uint8_t* px = line + 3 * x;
                put(px, practice_shade(Rgb{px[2], px[1], px[0]}, x >= x0 && x < x1, dimmed));
            }
        }
    }
    const int bar_y = graph_rows * L + loop_bar_top * scale_;
    for (int y = bar_y; y < bar_y + loop_bar_height * scale_ && y < graph_bitmap.height(); ++y)
        for (int x = x0; x < x1; ++x)
            put(graph_bitmap.scanLine(y) + 3 * x, loop_bar_colour);
}

void GraphView::pen_overlay() {
    const int L = row();
    const ColumnRange cr = readable_columns(drawing_capacity());
    FrameSpan shown{-1, -1};
    BandCells cells{};
    for (int x = cr.lo; x < cr.hi; ++x) {
        const FrameSpan span = column_frames(x, drawing_capacity());
        if (span != shown) {
            shown = span;
            cells = first_cells_of(span);
        }
        for (int r = 0; r < graph_rows; ++r) {
            const std::uint8_t v = cells[std::size_t(ViewState::row_to_band(r))];
            if (v == 0) continue;
            const Rgb c = draw_colour(drawing_, v);
            for (int i = 0; i <= L - 2; ++i)
                put(graph_bitmap.scanLine(r * L + i) + 3 * x, c);
        }
    }
}

void GraphView::line_overlay() {
    // A line mark is one pixel column where its frame starts.
    const ColumnRange cr = readable_columns(drawing_capacity());
    if (cr.lo >= cr.hi) return;
    const int first = column_frames(cr.lo, drawing_capacity()).first;
    const int end = column_frames(cr.hi - 1, drawing_capacity()).end;
    for (int f = first; f < end; ++f) {
        const std::uint8_t m = drawing_[f].line_mark();
        if (m == 0) continue;
        const long long x = device_view().frames_to_offset((long long)f - view_.first_frame);
        if (x < 0 || x >= graph_bitmap.width()) continue;
        const Rgb c = draw_colour(drawing_, m);
        for (int y = 0; y < graph_rows * row(); ++y)
            put(graph_bitmap.scanLine(y) + 3 * x, c);
    }
}

void GraphView::note_labels(const GraphParams& p) {
    // The glyph atlas is drawn for unscaled pictures only.
    if (!font_usable(font_bitmap) || !atlas_has(line_width_) || scale_ != 1) return;
    const int W = graph_bitmap.width();
    const int L = line_width_;
    const int atlas_x = (12 - L) * label_width;
    for (int r = 0; r < graph_rows; ++r) {
        const int pc = pitch_class_of_row(r);
        const Rgb key =
            label_colour(pc, sounding(ViewState::row_to_band(r)), level_palette.white_key_grey);
        for (int i = 0; i <= L - 2; ++i) {
            const std::uint8_t* mask =
                font_bitmap.constScanLine(pc * font_cell_rows + i) + 3 * atlas_x;
            std::uint8_t* line = graph_bitmap.scanLine(r * L + i);
            for (int g = 0; g < label_width; ++g) {
                const std::uint8_t m = mask[3 * g];
                if (p.switches.show_left_checked && left_label_x + g < W)
                    stamp(line + 3 * (left_label_x + g), m, key);
                const int xr = W - right_label_offset + g;
                if (p.switches.show_right_checked && xr >= 0 && xr < W)
                    stamp(line + 3 * xr, m, key);
            }
        }
    }
}

void GraphView::draw_pen_overlay() {
    pen_overlay();
}
void GraphView::draw_line_overlay() {
    line_overlay();
}

void GraphView::draw_note_labels() {
    const GraphParams p = current_params();
    if (p.switches.show_left_enabled) note_labels(p);
}

bool GraphView::sounding(int band) const {
    return band >= 0 && std::size_t(band) < sounding_notes.size() &&
           sounding_notes[std::size_t(band)] != 0;
}

void GraphView::copy_to_screen(const QImage& src, int x, int y) {
    if (src.isNull() || screen.isNull()) return;
    const QRect rect = QRect(x, y, src.width(), src.height()).intersected(screen.rect());
    if (rect.isEmpty()) return;
    const std::size_t bytes = std::size_t(rect.width()) * 3;
    for (int row = rect.top(); row <= rect.bottom(); ++row)
        std::memcpy(screen.scanLine(row) + 3 * rect.left(),
                    src.constScanLine(row - y) + 3 * (rect.left() - x), bytes);
    if (on_screen_changed) on_screen_changed(to_logical(rect));
}

QRect GraphView::to_logical(QRect r) const {
    if (scale_ == 1) return r;
    const int k = scale_;
    const int x0 = r.left() / k, y0 = r.top() / k;
    const int x1 = (r.right() + k) / k, y1 = (r.bottom() + k) / k; // exclusive, rounded out
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

void GraphView::show_graph() {
    copy_to_screen(graph_bitmap, 0, 0);
}

void GraphView::set_screen_pixel(int x, int y, Rgb colour) {
    // A pixel of the window is scale × scale pixels of the picture.
    for (int dy = 0; dy < scale_; ++dy)
        for (int dx = 0; dx < scale_; ++dx) {
            const int sx = x * scale_ + dx, sy = y * scale_ + dy;
            if (sx < 0 || sy < 0 || sx >= screen.width() || sy >= screen.height()) continue;
            put(screen.scanLine(sy) + 3 * sx, colour);
        }
}

void GraphView::restore_screen_rect(QRect r) {
    r = QRect(r.x() * scale_, r.y() * scale_, r.width() * scale_, r.height() * scale_)
            .intersected(screen.rect())
            .intersected(graph_bitmap.rect());
    if (r.isEmpty()) return;
    for (int row = r.top(); row <= r.bottom(); ++row)
        std::memcpy(screen.scanLine(row) + 3 * r.left(),
                    graph_bitmap.constScanLine(row) + 3 * r.left(), std::size_t(3 * r.width()));
    if (on_screen_changed) on_screen_changed(to_logical(r));
}

void GraphView::set_pixel_scale(int scale) {
    wanted_scale_ = std::clamp(scale, 1, 4);
}

ViewState GraphView::device_view() const {
    ViewState v = view_;
    v.pixel_scale = scale_;
    return v;
}

void GraphView::draw_legend(const ScaleParams& scale, bool grouping) {
    if (scale_ == 1) {
        draw_colour_legend(graph_bitmap, level_palette, scale, grouping, colour_bitmap);
        return;
    }
    // Drawn at its own size, then each pixel as scale × scale.
    QImage legend(graph_bitmap.width() / scale_, legend_height, QImage::Format_BGR888);
    fill_black(legend);
    draw_colour_legend(legend, level_palette, scale, grouping, colour_bitmap);
    const int top = graph_bitmap.height() - legend_height * scale_;
    for (int y = 0; y < graph_bitmap.height() - top; ++y) {
        const std::uint8_t* from = legend.constScanLine(y / scale_);
        std::uint8_t* to = graph_bitmap.scanLine(top + y);
        for (int x = 0; x < graph_bitmap.width(); ++x)
            std::memcpy(to + 3 * x, from + 3 * (x / scale_), 3);
    }
}

void GraphView::write_graph() {
    const GraphParams p = current_params();
    render(p);
    show_graph();
    if (p.play_state == PlayState::paused) {
        const int position = player_position_ms ? player_position_ms() : 0;
        write_line(position / frame_ms);
    }
}

void GraphView::write_line(int frame) {
    const GraphParams p = current_params();
    const int W = graph_bitmap.width();
    const ViewState v = device_view();
    const long long x = v.frames_to_offset((long long)frame - view_.first_frame);
    if (x < 0 || x >= W - marker_margin * scale_) {
        // A nested call from the redraw below that still lies outside the
        // view (a negative frame) would page forever: draw no cursor.
        if (paging_depth_ > 0) return;
        if (clear_dragging) clear_dragging();
        view_.first_frame =
            int(std::max<long long>((long long)frame - v.offset_to_frames(marker_margin * scale_), 0));
        ++paging_depth_;
        write_graph();
        --paging_depth_;
        view_.cursor_frame = -1;
        return;
    }
    restore_column(view_.cursor_frame);
    if (p.switches.line_show && frame >= 0 && frame < drawing_capacity() &&
        drawing_[frame].line_mark() != 0) {
        view_.cursor_frame = -1;
        return;
    }
    copy_to_screen(cursor_bitmap, int(x), 0);
    view_.cursor_frame = frame;
}

void GraphView::restore_column(int frame) {
    if (frame < 0) return;
    const int W = graph_bitmap.width();
    const long long x = device_view().frames_to_offset((long long)frame - view_.first_frame);
    if (x < 0 || x >= W || x == marker_margin * scale_) return;
    const GraphParams p = current_params();
    const ScaleParams scale = scale_params(p.sensitivity, p.colour);
    const int L = row();
    // The frames this column shows: one, or several when zoomed out.
    const FrameSpan stored = column_frames(int(x), store_capacity(p));
    const FrameSpan drawn = column_frames(int(x), drawing_capacity());
    const BandCells cells = first_cells_of(drawn);
    const BandValues loudest = loudest_of(stored, p);
    const PracticeMarks& m = p.practice;
    const bool in_loop = m.in_loop(frame);
    for (int r = 0; r < graph_rows; ++r) {
        const int k = ViewState::row_to_band(r);
        const int pc = pitch_class_of_row(r);
        Rgb c{0, 0, 0};
        const std::uint8_t v = cells[std::size_t(k)];
        if (p.switches.pen_show && v != 0) {
            c = draw_colour(drawing_, v);
        } else if (stored.first < stored.end) {
            const int lv = band_level(loudest[std::size_t(k)], scale);
            c = Rgb{level_palette.red[std::size_t(pc)][std::size_t(lv)],
                    level_palette.green[std::size_t(pc)][std::size_t(lv)],
                    level_palette.blue[std::size_t(pc)][std::size_t(lv)]};
        }
        const bool dimmed = m.dimmed(k);
        c = practice_shade(c, in_loop, dimmed);
        for (int i = 0; i <= L - 2; ++i)
            put(column_bitmap.scanLine(r * L + i), c);
        // The grid row: shaded as the full redraw shades it.
        const std::uint8_t g =
            r % 12 == 0 ? level_palette.octave_grid_grey : level_palette.grid_grey;
        put(column_bitmap.scanLine(r * L + L - 1), practice_shade(Rgb{g, g, g}, in_loop, dimmed));
    }
    note_suggestion_overlay(column_bitmap, p, int(x), in_loop);
    const int g = int(x) - left_label_x;
    if (p.switches.show_left_enabled && p.switches.show_left_checked && g >= 0 && g < label_width &&
        font_usable(font_bitmap) && atlas_has(L) && scale_ == 1) {
        const int atlas_x = (12 - L) * label_width + g;
        for (int r = 0; r < graph_rows; ++r) {
            const int pc = pitch_class_of_row(r);
            const Rgb key =
                label_colour(pc, sounding(ViewState::row_to_band(r)), level_palette.white_key_grey);
            for (int i = 0; i <= L - 2; ++i)
                stamp(column_bitmap.scanLine(r * L + i),
                      font_bitmap.constScanLine(pc * font_cell_rows + i)[3 * atlas_x], key);
        }
    }
    check_overlay(column_bitmap, p, int(x));
    suggestion_overlay(column_bitmap, p, int(x));
    // Zoomed out, the column may show the play start beside `frame`.
    if (p.start_mark_frame >= 0 && device_view().frame_to_x(p.start_mark_frame) == x)
        start_mark_overlay(column_bitmap, p.start_mark_frame, true);
    copy_to_screen(column_bitmap, int(x), 0);
}

bool GraphView::load_font(const std::filesystem::path& file) {
    std::optional<QImage> img = load_font_bitmap(file);
    if (!img) return false;
    font_bitmap = std::move(*img);
    return true;
}

bool GraphView::load_colour(const std::filesystem::path& file) {
    std::optional<QImage> img = load_colour_bitmap(file);
    if (!img) return false;
    colour_bitmap = std::move(*img);
    return true;
}

std::optional<std::string> GraphView::note_hint(int y, bool show_frq, bool show_note,
                                                double a4_hz) const {
    return show_note_hint(y, line_width_, show_frq, show_note, a4_hz);
}

} // namespace pitkad
