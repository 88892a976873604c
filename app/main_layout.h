#pragma once
// Placement of the main window's controls below the graph. The positions are
// the default layout's (client coordinates of an 796-pixel-wide
// client area whose controls strip ends 430 pixels down); controls anchored
// to the right or bottom keep their distance from that edge.

#include <array>

namespace pitkad {

inline constexpr int design_client_width = 796;
inline constexpr int design_client_height = 430;
// Client pixels below the graph (graph plus legend is 74 × line_width + 29).
inline constexpr int control_strip_height = 67;

enum class Anchor { left_bottom, right_bottom, left_right_bottom };

struct ControlPlace {
    const char* name;
    int left, top, width, height;
    Anchor anchor;
};

inline constexpr std::array<ControlPlace, 13> control_places{{
    {"play_button", 8, 368, 60, 25, Anchor::left_bottom},
    {"stop_button", 72, 368, 60, 25, Anchor::left_bottom},
    {"pause_button", 136, 368, 60, 25, Anchor::left_bottom},
    {"skip_forward_button", 8, 398, 60, 25, Anchor::left_bottom},
    {"skip_back_button", 72, 398, 60, 25, Anchor::left_bottom},
    {"skip_back_short_button", 136, 398, 60, 25, Anchor::left_bottom},
    {"position_slider", 216, 390, 230, 33, Anchor::left_right_bottom},
    {"time_display", 216, 374, 120, 16, Anchor::left_bottom},
    {"gain_label", 488, 378, 28, 16, Anchor::right_bottom},
    {"gain_slider", 520, 374, 150, 20, Anchor::right_bottom},
    {"colour_label", 480, 406, 40, 16, Anchor::right_bottom},
    {"colour_slider", 520, 402, 150, 20, Anchor::right_bottom},
    {"scroll_speed_button", 704, 384, 75, 25, Anchor::right_bottom},
}};

struct PlacedRect {
    int x, y, w, h;
};

// Where a control goes in a client area of the given size.
constexpr PlacedRect place_control(const ControlPlace& c, int client_width, int client_height) {
    const int y = client_height - (design_client_height - c.top);
    switch (c.anchor) {
    case Anchor::left_bottom:
        return {c.left, y, c.width, c.height};
    case Anchor::right_bottom:
        return {client_width - (design_client_width - c.left), y, c.width, c.height};
    case Anchor::left_right_bottom:
        return {c.left, y, c.width + client_width - design_client_width, c.height};
    }
    return {c.left, y, c.width, c.height};
}

} // namespace pitkad
