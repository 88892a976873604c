#pragma once
// What the graph shows and how big it is, and the one mapping between
// frames and pixels, bands and rows that every drawing and mouse path uses.

#include "analysis/spectrogram_store.h"

#include <cstdint>

namespace pitkad {

inline constexpr int graph_rows = 74;     // band rows, C8 at the top, B1 at the bottom
inline constexpr int legend_height = 29;  // strip under the rows
inline constexpr int marker_margin = 125; // marker columns at 125 and W - 125

// Time zoom in thousandths of a pixel per second. A frame is 20 ms, so one
// pixel per frame is 50 pixel/s = 50000.
inline constexpr std::int64_t zoom_per_frame = 50000;
inline constexpr std::int64_t min_zoom = 1;          // 0.001 pixel/s: hours fit in a window
inline constexpr std::int64_t max_zoom = 800000;     // 800 pixel/s: 16 pixels a frame
// Row heights the graph draws; the line-width presets are 4 … 12 of them.
inline constexpr int min_row_height = 3;
inline constexpr int max_row_height = 24;

constexpr int effective_row_height(int h) {
    return h < min_row_height ? min_row_height : (h > max_row_height ? max_row_height : h);
}

// Where the open recording is; the values are the program's historic 0 … 3.
enum class PlayState : int { no_recording = 0, stopped = 1, playing = 2, paused = 3 };

// Playing or paused: the cursor stands on the graph.
constexpr bool cursor_shown(PlayState s) { return s == PlayState::playing || s == PlayState::paused; }

namespace detail {
constexpr std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
} // namespace detail

struct ViewState {
    std::int32_t line_width = 4;   // pixels per band row: presets 4 … 12, zoomed 3 … 24
    std::int32_t scroll_speed = 1; // preset pixels per frame: 1, 2 or 4
    std::int32_t zoom = 0;         // time zoom (see zoom_per_frame); 0: the scroll_speed preset
    std::int32_t first_frame = 0;  // frame in the leftmost pixel column
    std::int32_t cursor_frame = 0; // frame under the cursor on screen, -1 when none
    // Device pixels per pixel: the renderer counts columns in device pixels
    // on a screen that scales (2 at 200 %); 1 everywhere else.
    std::int32_t pixel_scale = 1;

    int rows_height() const { return graph_rows * line_width; }
    int graph_height() const { return rows_height() + legend_height; }

    // The time zoom in force: a continuous zoom, else the preset (an
    // unsupported preset counts as 1 pixel per frame).
    std::int64_t zoom_in_force() const {
        if (zoom > 0) return zoom < min_zoom ? min_zoom : (zoom > max_zoom ? max_zoom : zoom);
        const int s = scroll_speed;
        return zoom_per_frame * ((s == 1 || s == 2 || s == 4) ? s : 1);
    }
    // The zoom in columns of this view's pixels (device pixels when scaled).
    std::int64_t columns_zoom() const { return zoom_in_force() * (pixel_scale > 1 ? pixel_scale : 1); }
    // Pixel column x shows frames x_to_frame(x) … x_to_frame(x + 1) − 1 (one
    // frame when zoomed in, several when zoomed out). At a preset of s
    // pixels per frame, x_to_frame(x) = first_frame + x / s and
    // frame_to_x(t) = (t − first_frame) × s.
    long long offset_to_frames(long long x) const {
        return detail::floor_div(x * zoom_per_frame, columns_zoom());
    }
    // The first column whose first frame is at least d frames in.
    long long first_column_from(long long d) const {
        return -detail::floor_div(-d * columns_zoom(), zoom_per_frame);
    }
    // The column where frame offset d is shown: its first pixel when zoomed
    // in, the column that holds it when zoomed out.
    long long frames_to_offset(long long d) const {
        return columns_zoom() >= zoom_per_frame ? first_column_from(d)
                                                 : first_column_from(d + 1) - 1;
    }
    int frame_to_x(int t) const { return int(frames_to_offset((long long)t - first_frame)); }
    int x_to_frame(int x) const { return int(first_frame + offset_to_frames(x)); }
    // Row r (0 at the top) shows band 75 - r; pixel row y lies in row y / L.
    static int row_to_band(int r) { return last_band - r; }
    static int band_to_row(int b) { return last_band - b; }
    int y_to_band(int y) const { return last_band - y / line_width; }
    bool on_rows(int y) const { return y < rows_height(); }
};

} // namespace pitkad
