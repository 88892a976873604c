#pragma once
// Note names, label key colours and the pointer hint.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "drawing/draw_data.h"

#include <QImage>
#include <QRect>

class QPainter;

namespace pitkad {

inline constexpr std::array<std::string_view, 12> note_names{"C",  "C#", "D",  "D#", "E",  "F",
                                                             "F#", "G",  "G#", "A",  "A#", "B"};

// Label columns: 101 … 116 on the left, W − 119 … W − 104 on the right.
inline constexpr int left_label_x = 101;
inline constexpr int right_label_offset = 119; // right labels start at W − 119
inline constexpr int label_width = 16;
// Font atlas: cell of pitch class p and line width L at rows p × 11 …,
// columns (12 − L) × 16 …; at least 144 × 132 pixels.
inline constexpr int font_cell_rows = 11;
inline constexpr int font_min_width = 144;
inline constexpr int font_min_height = 132;

inline constexpr Rgb sharp_key_colour{160, 160, 160};
inline constexpr Rgb sounding_key_colour{240, 96, 96};

// The hint is rebuilt this often while it is shown.
inline constexpr int hint_reshow_ms = 600;

constexpr bool is_sharp(int pitch_class) {
    return pitch_class == 1 || pitch_class == 3 || pitch_class == 6 || pitch_class == 8 ||
           pitch_class == 10;
}

// Key colour of the label of band k (2 … 75) with pitch class p.
Rgb label_colour(int pitch_class, bool sounding, std::uint8_t white_key_grey = 240);

// The pointer hint for client row y: note name and octave ("A4"), then with
// show_frq "\r\n" + Round(55 × 2^(k/12)) + "Hz", with show_note "\r\n" +
// MIDI note + " (" + hex + "h)". No text below the rows (y ≥ 74 × L) or
// above them (y < 0). The caller shows the "\r\n" separators as line breaks.
// The frequency is the row's at A4 = a4_hz, the analysis's reference.
std::optional<std::string> show_note_hint(int y, int line_width, bool show_frq, bool show_note,
                                          double a4_hz = 440.0);

// The text of band k's label: its name, with the octave on every C ("C4")
// and, with rows at least 12 pixels high, on every row ("F#3").
std::string note_label_text(int band, int line_width);
// Rows that get a label at this height: all from 8 pixels, else the Cs.
bool row_labelled(int band, int line_width);

// Paints the note labels of the rows as text at column x (the left of the
// label column), in their key colours (sounding notes lit), over whatever
// lies under them: a thin dark edge keeps them legible without covering the
// graph, and rows whose `under[r]` is set (sound or drawing beneath) fade
// to let it show. Only rows crossing `clip` are painted.
void paint_note_labels(QPainter& painter, int x, int line_width,
                       std::span<const std::uint8_t> sounding, const QRect& clip,
                       std::span<const bool> under = {});
// The label columns shown: at left_label_x, and at right_label_offset from
// the right edge of a graph `graph_width` wide. With `picture` (the graph as
// drawn, `scale` times the window's pixels) each label fades where sound or
// drawing lies under it.
struct LabelColumns {
    bool left = false, right = false;
};
void paint_label_columns(QPainter& painter, LabelColumns columns, int graph_width, int line_width,
                         std::span<const std::uint8_t> sounding, const QRect& clip,
                         const QImage* picture = nullptr, int scale = 1);
// Which rows have sound or drawing in columns x … x + width − 1 of a
// picture drawn `scale` times the window's pixels (grey grid, markers and
// cursor do not count).
std::array<bool, 74> rows_with_content(const QImage& picture, int x, int width, int line_width,
                                       int scale);

} // namespace pitkad
