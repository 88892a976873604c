#pragma once
// What the graph shows and how big it is, and the one mapping between
// frames and pixels, bands and rows that every drawing and mouse path uses.

#include "analysis/spectrogram_store.h"

#include <cstdint>

namespace pitkad {

inline constexpr int graph_rows = 74;     // band rows, C8 at the top, B1 at the bottom
inline constexpr int legend_height = 29;  // strip under the rows
inline constexpr int marker_margin = 125; // marker columns at 125 and W - 125

// Where the open recording is; the values are the program's historic 0 … 3.
enum class PlayState : int { no_recording = 0, stopped = 1, playing = 2, paused = 3 };

// Playing or paused: the cursor stands on the graph.
constexpr bool cursor_shown(PlayState s) { return s == PlayState::playing || s == PlayState::paused; }

struct ViewState {
    std::int32_t line_width = 4;   // pixels per band row, 4 … 12
    std::int32_t scroll_speed = 1; // pixels per frame: 1, 2 or 4
    std::int32_t first_frame = 0;  // frame in the leftmost pixel column
    std::int32_t cursor_frame = 0; // frame under the cursor on screen, -1 when none

    int rows_height() const { return graph_rows * line_width; }
    int graph_height() const { return rows_height() + legend_height; }
    // Frame t starts at this pixel column.
    int frame_to_x(int t) const { return (t - first_frame) * scroll_speed; }
    int x_to_frame(int x) const { return first_frame + x / scroll_speed; }
    // Row r (0 at the top) shows band 75 - r; pixel row y lies in row y / L.
    static int row_to_band(int r) { return last_band - r; }
    static int band_to_row(int b) { return last_band - b; }
    int y_to_band(int y) const { return last_band - y / line_width; }
    bool on_rows(int y) const { return y < rows_height(); }
};

} // namespace pitkad
