#pragma once
// Steps along a straight line from (x0, y0) towards (x1, y1) and calls
// plot(x, y) for every point but the end point, so that lines joined end to
// start draw each corner once. A line from a point to itself plots nothing.

#include <cstdlib>

namespace pitkad {

template <typename Plot> void step_line(int x0, int y0, int x1, int y1, Plot plot) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        plot(x0, y0);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

} // namespace pitkad
