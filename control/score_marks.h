#pragma once
// The meter marks and the key signature the MIDI export writes: which line
// a meter command acts on, the meters and keys offered, and the names of
// keys. UI thread only.

#include "drawing/draw_data.h"

#include <array>
#include <string>

namespace pitkad {

// The line mark a meter command acts on: the only selected line mark, else
// the last line mark at or before `frame`, else the first one; -1 when the
// drawing has none.
int meter_target_line(const DrawData& draw, int frame_count, int frame);

struct MeterChoice {
    int numerator, denominator;
};
inline constexpr std::array<MeterChoice, 12> meter_choices{{
    {2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}, {7, 4}, {2, 2}, {5, 8}, {6, 8}, {7, 8}, {9, 8}, {12, 8},
}};

// The meter in force at a line: its own mark or the last before it, else
// n/4 with the default beats per bar.
MeterMark meter_at(const DrawAnnotations& a, int frame, int beats_per_bar = 4);

// The tonic of a key signature as a note name with ♯ or ♭ ("E♭", "F♯").
std::string key_tonic(const KeySignature& key);

} // namespace pitkad
