#pragma once
// What the graph shows of the practice settings: the loop's columns, tinted
// over the rows and marked by a bar at the top of the strip, and the focus,
// with the rows outside it dimmed. With neither the graph is drawn as
// without practice tools.

#include "audio/practice.h"
#include "drawing/draw_data.h"

#include <cstdint>

namespace pitkad {

// The 20 ms column that holds a sample frame of a recording at `rate` Hz
// (frame = samples × 1000 / rate / 20); 0 for a rate of 0 or less.
int sample_to_column(std::int64_t samples, int rate);

struct PracticeMarks {
    int loop_first = 0, loop_end = 0;  // columns [first, end); no loop unless end > first
    int focus_low = 0, focus_high = 0; // bands heard; 0: all

    bool loop_shown() const { return loop_end > loop_first; }
    bool focus_shown() const { return focus_low != 0; }
    bool any() const { return loop_shown() || focus_shown(); }
    bool in_loop(int frame) const { return frame >= loop_first && frame < loop_end; }
    bool dimmed(int band) const { return focus_shown() && (band < focus_low || band > focus_high); }
    bool operator==(const PracticeMarks&) const = default;
};

// The marks for the settings of a recording at `rate` Hz (no loop while the
// rate is unknown, 0).
PracticeMarks practice_marks(const PracticeSettings& s, int rate);

// The bar over the loop's columns at the top of the strip under the rows:
// its first pixel row below the rows, its height and colour. The colour
// legend starts 7 rows into the strip, so the bar never covers it.
inline constexpr int loop_bar_top = 1;
inline constexpr int loop_bar_height = 5;
inline constexpr Rgb loop_bar_colour{255, 160, 0};

// A pixel of the rows as the marks show it: dimmed to a quarter outside the
// focus, then lifted a quarter of the way to white inside the loop. The
// lift keeps every colour readable and differs from the cursor's grey.
constexpr Rgb practice_shade(Rgb c, bool in_loop, bool dimmed) {
    if (dimmed) c = Rgb{std::uint8_t(c.r / 4), std::uint8_t(c.g / 4), std::uint8_t(c.b / 4)};
    if (in_loop)
        c = Rgb{std::uint8_t(c.r + (255 - c.r) / 4), std::uint8_t(c.g + (255 - c.g) / 4),
                std::uint8_t(c.b + (255 - c.b) / 4)};
    return c;
}

} // namespace pitkad
