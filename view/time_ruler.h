#pragma once
// The time ruler along the graph: minutes and seconds at ticks that suit the
// zoom, and the bar and beat of each line mark of the drawing.

#include "drawing/midi_file.h"
#include "view/view_state.h"

#include <QRect>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class QPainter;

namespace pitkad {

inline constexpr int ruler_height = 24;

// "1:05", with tenths "1:05.5"; "1:02:05" from an hour on. Below 0 is 0.
std::string clock_text(std::int64_t ms, bool tenths);

struct RulerTick {
    int x = 0;             // pixel column of the view
    std::int64_t ms = 0;   // time of the tick
    bool labelled = false; // a major tick, with its time written
};

// The ticks over pixel columns 0 … width − 1 of the view: labelled ones at
// least min_label_px apart, on round times (0.1 s … 1 h); minor ticks
// between them when they are at least 4 pixels apart. The first labelled
// tick may lie left of the view, so that a label cut at the edge shows.
struct RulerScale {
    std::int64_t step_ms = 1000; // between labelled ticks
    int divisions = 5;           // minor steps per labelled step
};
RulerScale ruler_scale(const ViewState& view, int min_label_px = 64);
std::vector<RulerTick> ruler_ticks(const ViewState& view, int width, int min_label_px = 64);

// Paints the ruler into `area` (its left edge is the view's column 0):
// ticks and times in the upper half, the line marks' bar numbers (and beat
// numbers when there is room) in the lower half.
void paint_time_ruler(QPainter& painter, const QRect& area, const ViewState& view,
                      std::span<const LineCount> lines);

} // namespace pitkad
