#pragma once
// Window geometry of the graph in client-area terms. The design's numbers
// are outer window sizes with a 4-pixel frame on each side; the client area
// is 8 pixels narrower, so 600 → 592, 700 → 692 and 804 → 796.

#include <array>

namespace pitkad {

inline constexpr int min_client_width = 592;          // narrowest graph
inline constexpr int position_slider_min_width = 692; // position_slider shown from here on
inline constexpr int initial_client_width = 796;
inline constexpr int min_line_width = 4;
inline constexpr int max_line_width = 12;

// What the window applies after a resize or a line-width change.
struct ViewLayout {
    int line_width = min_line_width;         // the row height actually used (3 … 24)
    int client_width = initial_client_width; // = graph width: ≥ 592, a multiple of 4
    int graph_width = initial_client_width;
    int graph_height = 0;             // 74 × line_width + 29
    int rows_height = 0;              // 74 × line_width, the height of the scratch columns
    bool show_position_slider = true; // position_slider visible
};

// The geometry for a requested client width and line width: width raised
// to 592 and snapped down to a multiple of 4; a row height outside 3 … 24
// is clamped into that range (the line-width presets are 4 … 12).
ViewLayout layout_view(int requested_client_width, int line_width);

// Start-up line width from the screen height in pixels:
// (height − 140) div 74 − 1, at most 12 and (unlike the raw formula) at
// least 4. enabled[n] says whether the line_width_menu<n> item (n = 4 … 12) is
// enabled: LineW4 always, line_width_menu(n + 1) when the raw value ≥ n.
struct LineWidthDefault {
    int line_width = min_line_width;
    std::array<bool, max_line_width + 1> enabled{}; // indices 4 … 12 used
};
LineWidthDefault default_line_width(int screen_height);

// Scroll speeds the renderer draws: 1, 2 or 4 pixels per frame; anything
// else is drawn as 1.
constexpr int effective_scroll_speed(int s) {
    return (s == 1 || s == 2 || s == 4) ? s : 1;
}
constexpr int effective_line_width(int l) {
    return l < min_line_width ? min_line_width : (l > max_line_width ? max_line_width : l);
}

} // namespace pitkad
