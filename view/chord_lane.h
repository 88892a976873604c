#pragma once
// The lane of suggested chords above the graph: a box over the frames of
// each chord, with its name as a chord chart writes it ("Am", "G7") where
// the box has room for it. Stretches of no chord are left empty.

#include "analysis/harmony.h"
#include "view/view_state.h"

#include <QRect>

#include <functional>
#include <span>
#include <string>
#include <vector>

class QPainter;

namespace pitkad {

inline constexpr int chord_lane_height = 16;
// Pixels between a box's left edge and its name, and after the name.
inline constexpr int chord_box_margin = 3;

// A chord label as a chart writes it: "C:maj" → "C", "A:min" → "Am",
// "G:7" → "G7", "F:maj7" → "Fmaj7", "D:min7" → "Dm7"; "N" (no chord) and
// labels of other qualities → "".
std::string chord_symbol(const std::string& label);

struct ChordBox {
    int x = 0;        // first pixel column of the view, ≥ 0
    int width = 0;    // ≥ 1; the box ends at the view's right edge at most
    std::string text; // the chord's symbol, empty when it does not fit
    friend bool operator==(const ChordBox&, const ChordBox&) = default;
};

// The boxes of the chords seen in columns 0 … width − 1, left to right,
// cut to the view. A box spans the columns from its chord's first frame to
// its end frame (at least one); its text is there when text_width of it and
// a margin either side fit in the box as cut.
std::vector<ChordBox> chord_lane_boxes(std::span<const HarmonySpan> chords, const ViewState& view,
                                       int width,
                                       const std::function<int(const std::string&)>& text_width);

// Paints the lane into `area` (its left edge is the view's column 0).
void paint_chord_lane(QPainter& painter, const QRect& area, const ViewState& view,
                      std::span<const HarmonySpan> chords);

} // namespace pitkad
