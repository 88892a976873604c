#pragma once
// The drawing: the user's transcription as a byte grid parallel to the
// spectrogram store, one 76-byte record per analysis frame.

#include "drawing/draw_annotations.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace pitkad {

// Records the drawing holds at least (one per frame 0 … 60000; a longer
// recording gets one per frame and one more).
inline constexpr int draw_frames = 60001;
inline constexpr int draw_record_size = 76;

// Draw value: colour 1 … 16 in bits 0-4, selected flag in bit 5.
inline constexpr std::uint8_t draw_selected_bit = 0x20;
inline constexpr std::uint8_t draw_colour_mask = 0x1f;

// One frame: slot 0 is the line mark, slot 1 is spare (always 0), slots
// 2 … 75 are the note cells of bands 2 … 75. Same layout in memory and file.
struct draw_frame {
    std::array<std::uint8_t, draw_record_size> slot{};
    std::uint8_t& line_mark() { return slot[0]; }
    std::uint8_t line_mark() const { return slot[0]; }
    std::uint8_t& note_cell(int band) { return slot[band]; }
    std::uint8_t note_cell(int band) const { return slot[band]; }
    friend bool operator==(const draw_frame&, const draw_frame&) = default;
};
static_assert(sizeof(draw_frame) == draw_record_size);

// A draw value is one of 0, 1 … 16 and 33 … 48.
constexpr bool is_draw_value(std::uint8_t v) {
    return v == 0 || (v >= 1 && v <= 16) || (v >= 33 && v <= 48);
}

// MIDI channel (1 … 8) a draw value plays on, colours 9 … 16 folding onto
// 1 … 8; 0 for an empty cell or a byte that is not a draw value.
constexpr int drawing_channel(std::uint8_t draw_value) {
    int ch = draw_value & ~draw_selected_bit;
    if (ch > 8) ch -= 8;
    return (ch >= 1 && ch <= 8) ? ch : 0;
}

// Highlight colour of selected marks, and the 16 colours of the tool
// window's grid (colour n is grid cell n - 1).
struct Rgb {
    std::uint8_t r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb draw_highlight{127, 127, 255};
inline constexpr std::array<Rgb, 16> grid_colours{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

struct DrawData {
    std::vector<draw_frame> draw_data = std::vector<draw_frame>(draw_frames);
    // Indexed by draw value: 64 entries, the highlight colour except 1 … 16.
    std::array<Rgb, 64> draw_palette = make_draw_palette();
    // Markers, meter marks, key and track names, saved with the cells.
    DrawAnnotations annotations;
    // Set by every change, cleared by a load or save: the drawing differs
    // from its file.
    bool modified = false;

    draw_frame& operator[](int f) { return draw_data[std::size_t(f)]; }
    const draw_frame& operator[](int f) const { return draw_data[std::size_t(f)]; }

    // Records for frames 0 … frames (at least draw_frames), kept as they
    // are; those past them are dropped, and the room of a longer recording
    // released.
    void fit(int frames) {
        const std::size_t n = std::size_t(std::max(frames + 1, draw_frames));
        if (draw_data.size() == n) return;
        draw_data.resize(n);
        draw_data.shrink_to_fit();
    }

    void clear() {
        std::fill(draw_data.begin(), draw_data.end(), draw_frame{});
        annotations.clear();
        modified = false;
    }

    static std::array<Rgb, 64> make_draw_palette() {
        std::array<Rgb, 64> p;
        p.fill(draw_highlight);
        for (int n = 1; n <= 16; ++n)
            p[std::size_t(n)] = grid_colours[std::size_t(n - 1)];
        return p;
    }
};

} // namespace pitkad
