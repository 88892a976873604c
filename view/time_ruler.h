#pragma once
// The time ruler along the graph: minutes and seconds at ticks that suit the
// zoom, the bar and beat of each line mark of the drawing, and the drawing's
// section markers as named flags.

#include "drawing/draw_annotations.h"
#include "drawing/midi_file.h"
#include "view/view_state.h"

#include <QRect>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class QFont;
class QPainter;

namespace pitkad {

// Three bands of ruler_band pixels: times, bars and beats, markers.
inline constexpr int ruler_band = 12;
inline constexpr int ruler_height = 3 * ruler_band;

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

// The font of the ruler's texts (flags are as wide as their names in it).
QFont ruler_font();

// A marker's flag on the ruler: from its marker's column, `width` wide.
struct RulerFlag {
    int marker = 0; // index into the markers
    int x = 0;
    int width = 0;
    friend bool operator==(const RulerFlag&, const RulerFlag&) = default;
};
inline constexpr int ruler_flag_max_width = 96;
inline constexpr int ruler_flag_min_width = 5;
// The flags over columns 0 … width − 1, in the markers' order. A flag is as
// wide as its name needs (text_width of it and a margin), at most
// ruler_flag_max_width and no wider than the room to the next marker's
// column, but at least ruler_flag_min_width. Flags wholly outside the view
// are left out.
std::vector<RulerFlag> ruler_flags(const ViewState& view, std::span<const SectionMarker> markers,
                                   int width,
                                   const std::function<int(const std::string&)>& text_width);
// The marker whose flag (or its pole, a couple of pixels either side) is
// under column x: the later one where they overlap, as it is painted over
// the earlier. -1 for none.
int ruler_flag_at(std::span<const RulerFlag> flags, int x);

// Paints the ruler into `area` (its left edge is the view's column 0):
// ticks and times in the top band, the line marks' bar numbers (and beat
// numbers when there is room) in the middle band, the markers' flags with
// their names in the bottom band; marker `highlighted` stands out (-1: none).
void paint_time_ruler(QPainter& painter, const QRect& area, const ViewState& view,
                      std::span<const LineCount> lines,
                      std::span<const SectionMarker> markers = {}, int highlighted = -1);

} // namespace pitkad
