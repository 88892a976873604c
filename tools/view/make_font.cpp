// Writes the note-name glyph atlas: for each pitch class p and line width L
// (4 … 12) a 16-pixel-wide cell at columns (12 − L) × 16 … and rows
// p × 11 … p × 11 + L − 2, black ink on white, 24 bits per pixel.

#include <cstdio>

#include "tools/view/pixel_font.h"
#include "view/bmp_file.h"

int main(int argc, char** argv) {
    using namespace pitkad;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.bmp\n", argv[0]);
        return 2;
    }
    constexpr int cell_width = 16, cell_rows = 11;
    Bgr24Image atlas(9 * cell_width, 12 * cell_rows, 255);
    for (int L = 4; L <= 12; ++L) {
        const int rows = L - 1;
        for (int p = 0; p < 12; ++p) {
            const tools::InkRows label = tools::note_label(p, rows);
            const int x0 = (12 - L) * cell_width + (cell_width - label.width()) / 2;
            const int y0 = p * cell_rows + (rows - label.height()) / 2;
            if (label.width() > cell_width || label.height() > rows) {
                std::fprintf(stderr, "glyph %d does not fit line width %d\n", p, L);
                return 1;
            }
            for (int y = 0; y < label.height(); ++y)
                for (int x = 0; x < label.width(); ++x)
                    if (label.ink(x, y)) atlas.set(x0 + x, y0 + y, 0, 0, 0);
        }
    }
    if (!write_bmp24(argv[1], atlas)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
