#pragma once
// Mapping of band values (decibels) to colours: the slider-driven scale,
// the 512-level palettes (built in, or by pitch class from the colour
// bitmap), the fixed greys and the colour legend under the graph.

#include <array>
#include <cstdint>

class QImage;

namespace pitkad {

inline constexpr int palette_levels = 512;
inline constexpr int pitch_classes = 12;
inline constexpr int default_sensitivity = 40; // gain_slider
inline constexpr int default_colour = 0;       // colour_slider
// The colour bitmap is read at x = 42 × p on its top row.
inline constexpr int colour_bitmap_step = 42;
inline constexpr int colour_bitmap_min_width = 463;

// Scale of one redraw, from the sensitivity slider S and the colour slider T
// (both 0 … 100), each value stored as a float:
// span = S × 0.3 + 15, lift = T × 0.005, gain = 512 / ((1 − lift) × span).
struct ScaleParams {
    float span = 27.0f;
    float lift = 0.0f;
    float gain = 512.0f / 27.0f;
};
ScaleParams scale_params(int sensitivity, int colour);

// (v + span) × gain in extended precision, rounded to nearest (ties to
// even), without clamping. Used for the legend notches.
long long level_unclamped(float v, const ScaleParams& p);
// The same clamped to 0 … 511 (NaN gives 0).
int band_level(float v, const ScaleParams& p);

struct LevelPalette {
    // [pitch class][level]
    std::array<std::array<std::uint8_t, palette_levels>, pitch_classes> red{}, green{}, blue{};
    std::uint8_t marker_grey = 160;
    std::uint8_t grid_grey = 61;
    std::uint8_t octave_grid_grey = 112;
    std::uint8_t white_key_grey = 240;
};

// Fills the palette: with grouping, pitch class p ramps i × c / 512 toward
// the colour c of pixel (42 × p, 0) of colour_bitmap; otherwise the built-in
// black-blue-cyan-green-yellow-red scale for every pitch class. A colour
// bitmap that cannot supply the twelve pixels (null, narrower than 463)
// leaves the built-in palette in place.
void build_palette(LevelPalette& palette, bool grouping, const QImage& colour_bitmap);

// The legend in the 29-pixel strip under the rows of graph (Format_BGR888):
// with grouping the colour bitmap at (W − 520, H − 22), clipped to the
// graph; otherwise the 512-level strip at x = W − 530 with 10 dB notches
// above and 5 dB notches below.
void draw_colour_legend(QImage& graph, const LevelPalette& palette, const ScaleParams& scale,
                        bool grouping, const QImage& colour_bitmap);

} // namespace pitkad
