#include "view/colour_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QImage>

namespace pitkad {

namespace {

// num / den rounded to the nearest integer, ties to even; den > 0.
long long round_ratio(long long num, long long den) {
    long long q = num / den;
    long long r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    if (2 * r > den || (2 * r == den && (q & 1))) ++q;
    return q;
}

std::uint8_t to_byte(long long v) {
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The built-in scale, each plane as an exact fraction.
std::uint8_t builtin_blue(long long i) {
    if (i < 140) return to_byte(round_ratio(65536 - (i - 256) * (i - 256), 256));
    if (i < 190) return 203;
    if (i < 256) return to_byte(round_ratio(203 * 66 - (i - 190) * 203, 66));
    return 0;
}
std::uint8_t builtin_green(long long i) {
    if (i < 128) return 0;
    if (i < 300) return to_byte(round_ratio(65536 - (i - 384) * (i - 384), 256));
    if (i < 370) return 228;
    return to_byte(round_ratio(228 * 142 - (i - 370) * 180, 142));
}
std::uint8_t builtin_red(long long i) {
    if (i < 256) return 0;
    // 253⅓ × (1 − (i − 512)² / 65536) = 760 (65536 − d²) / (3 × 65536)
    if (i < 384) return to_byte(round_ratio(760 * (65536 - (i - 512) * (i - 512)), 3 * 65536));
    return to_byte(round_ratio(190 * 128 + (i - 384) * 25, 128));
}

} // namespace

ScaleParams scale_params(int sensitivity, int colour) {
    ScaleParams p;
    p.span = float((long double)sensitivity * 0.3L + 15.0L);
    p.lift = float((long double)colour * 0.005L);
    p.gain = float(512.0L / ((1.0L - (long double)p.lift) * (long double)p.span));
    return p;
}

long long level_unclamped(float v, const ScaleParams& p) {
    const long double x = ((long double)v + (long double)p.span) * (long double)p.gain;
    if (!(x > -1e15L && x < 1e15L)) return x > 0 ? 1000000000000000LL : -1000000000000000LL;
    return std::llrint(x);
}

int band_level(float v, const ScaleParams& p) {
    const long double x = ((long double)v + (long double)p.span) * (long double)p.gain;
    if (!(x > 0.0L)) return 0; // also NaN
    if (x >= 511.0L) return 511;
    return int(std::llrint(x));
}

void build_palette(LevelPalette& palette, bool grouping, const QImage& colour_bitmap) {
    palette.marker_grey = 160;
    palette.grid_grey = 61;
    palette.octave_grid_grey = 112;
    palette.white_key_grey = 240;
    const bool usable =
        grouping && !colour_bitmap.isNull() && colour_bitmap.format() == QImage::Format_BGR888 &&
        colour_bitmap.width() >= colour_bitmap_min_width && colour_bitmap.height() >= 1;
    if (usable) {
        const std::uint8_t* top = colour_bitmap.constScanLine(0);
        for (int pc = 0; pc < pitch_classes; ++pc) {
            const std::uint8_t* px = top + 3 * colour_bitmap_step * pc;
            for (int i = 0; i < palette_levels; ++i) {
                palette.blue[pc][i] = std::uint8_t(i * px[0] / 512);
                palette.green[pc][i] = std::uint8_t(i * px[1] / 512);
                palette.red[pc][i] = std::uint8_t(i * px[2] / 512);
            }
        }
        return;
    }
    for (int i = 0; i < palette_levels; ++i) {
        palette.red[0][i] = builtin_red(i);
        palette.green[0][i] = builtin_green(i);
        palette.blue[0][i] = builtin_blue(i);
    }
    for (int pc = 1; pc < pitch_classes; ++pc) {
        palette.red[pc] = palette.red[0];
        palette.green[pc] = palette.green[0];
        palette.blue[pc] = palette.blue[0];
    }
}

void draw_colour_legend(QImage& graph, const LevelPalette& palette, const ScaleParams& scale,
                        bool grouping, const QImage& colour_bitmap) {
    if (graph.isNull() || graph.format() != QImage::Format_BGR888) return;
    const int W = graph.width();
    const int H = graph.height();
    if (grouping) {
        if (colour_bitmap.isNull() || colour_bitmap.format() != QImage::Format_BGR888) return;
        const int x0 = W - 520;
        const int y0 = H - 22;
        for (int sy = 0; sy < colour_bitmap.height(); ++sy) {
            const int y = y0 + sy;
            if (y < 0) continue;
            if (y >= H) break;
            const int sx0 = x0 < 0 ? -x0 : 0;
            const int sx1 = std::min(colour_bitmap.width(), W - x0);
            if (sx1 <= sx0) continue;
            std::memcpy(graph.scanLine(y) + 3 * (x0 + sx0),
                        colour_bitmap.constScanLine(sy) + 3 * sx0, std::size_t(sx1 - sx0) * 3);
        }
        return;
    }
    const int x0 = W - 530;
    // Notch levels: 10 dB steps in the upper rows, 5 dB steps in the lower.
    std::array<bool, palette_levels> notch10{}, notch5{};
    for (int db = -80; db <= 0; db += 5) {
        const long long lv = level_unclamped(float(db), scale);
        if (lv < 0 || lv >= palette_levels) continue;
        notch5[std::size_t(lv)] = true;
        if (db % 10 == 0) notch10[std::size_t(lv)] = true;
    }
    for (int y = H - 22; y <= H - 7; ++y) {
        if (y < 0 || y >= H) continue;
        const bool upper = y <= H - 20;
        const bool lower = y >= H - 9;
        std::uint8_t* line = graph.scanLine(y);
        for (int i = 0; i < palette_levels; ++i) {
            const int x = x0 + i;
            if (x < 0 || x >= W) continue;
            std::uint8_t* px = line + 3 * x;
            if ((upper && notch10[std::size_t(i)]) || (lower && notch5[std::size_t(i)])) {
                px[0] = px[1] = px[2] = 0;
                continue;
            }
            px[0] = palette.blue[0][i];
            px[1] = palette.green[0][i];
            px[2] = palette.red[0][i];
        }
    }
}

} // namespace pitkad
