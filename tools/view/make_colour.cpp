// Writes the pitch-class colour bitmap: twelve 41-pixel swatches whose
// left top pixels (x = 42 × p, y = 0) are the colours the grouping palette
// ramps to, each with its note name underneath, on black like the legend
// strip it is shown in (22 rows, all visible).

#include <array>
#include <cmath>
#include <cstdio>

#include "tools/view/pixel_font.h"
#include "view/bmp_file.h"

namespace {

struct Colour {
    std::uint8_t r, g, b;
};

// Hue steps by the circle of fifths, so neighbouring semitones get far-apart
// hues and a fifth a close one; saturated and bright enough to ramp from
// black.
Colour pitch_class_colour(int p) {
    const double hue = double((p * 7) % 12) * 30.0;
    const double s = 0.85, v = 1.0;
    const double c = v * s;
    const double h = hue / 60.0;
    const double x = c * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    switch (int(h)) {
    case 0:
        r = c, g = x;
        break;
    case 1:
        r = x, g = c;
        break;
    case 2:
        g = c, b = x;
        break;
    case 3:
        g = x, b = c;
        break;
    case 4:
        r = x, b = c;
        break;
    default:
        r = c, b = x;
        break;
    }
    const double m = v - c;
    auto byte = [](double f) { return std::uint8_t(std::lround(f * 255.0)); };
    return {byte(r + m), byte(g + m), byte(b + m)};
}

} // namespace

int main(int argc, char** argv) {
    using namespace pitkad;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.bmp\n", argv[0]);
        return 2;
    }
    constexpr int step = 42, swatch_width = 41, swatch_rows = 10, height = 22;
    Bgr24Image img(12 * step, height, 0);
    for (int p = 0; p < 12; ++p) {
        const Colour c = pitch_class_colour(p);
        for (int y = 0; y < swatch_rows; ++y)
            for (int x = 0; x < swatch_width; ++x)
                img.set(step * p + x, y, c.r, c.g, c.b);
        const tools::InkRows name = tools::note_label(p, 9);
        const int x0 = step * p + (swatch_width - name.width()) / 2;
        const int y0 = swatch_rows + 2;
        for (int y = 0; y < name.height(); ++y)
            for (int x = 0; x < name.width(); ++x)
                if (name.ink(x, y)) img.set(x0 + x, y0 + y, 230, 230, 230);
    }
    if (!write_bmp24(argv[1], img)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
