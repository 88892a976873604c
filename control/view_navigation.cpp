#include "control/view_navigation.h"

#include "control/playback_units.h"

#include <algorithm>
#include <cmath>

namespace pitkad {

std::int64_t fit_zoom(int frame_count, int width) {
    const std::int64_t frames = std::max(frame_count, 1);
    return std::clamp<std::int64_t>(std::int64_t(std::max(width, 1)) * zoom_per_frame / frames,
                                    min_zoom, max_zoom);
}

std::int64_t widest_zoom(int frame_count, int width) {
    return std::min(fit_zoom(frame_count, width), zoom_per_frame);
}

namespace {

void set_zoom(ViewState& view, std::int64_t zoom) {
    for (int s : {1, 2, 4})
        if (zoom == zoom_per_frame * s) {
            view.scroll_speed = s;
            view.zoom = 0;
            return;
        }
    view.zoom = std::int32_t(zoom);
}

} // namespace

void zoom_time(ViewState& view, double factor, int anchor_x, int frame_count, int width) {
    const std::int64_t old = view.zoom_in_force();
    std::int64_t zoom = std::llround(double(old) * factor);
    // Presets are stops on the way: a step that passes one lands on it.
    for (int s : {1, 2, 4}) {
        const std::int64_t p = zoom_per_frame * s;
        if ((old < p && zoom > p) || (old > p && zoom < p)) zoom = p;
    }
    zoom = std::clamp(zoom, widest_zoom(frame_count, width), max_zoom);
    if (zoom == old) return;
    const long long anchor = view.x_to_frame(anchor_x);
    set_zoom(view, zoom);
    const long long first = anchor - view.offset_to_frames(anchor_x);
    view.first_frame = int(std::clamp<long long>(first, 0, std::max(frame_count, 0)));
}

void fit_whole_recording(ViewState& view, int frame_count, int width) {
    set_zoom(view, fit_zoom(frame_count, width));
    view.first_frame = 0;
}

int stepped_row_height(int h, int steps) {
    return effective_row_height(effective_row_height(h) + steps);
}

int wheel_scroll_ms(const ViewState& view, int width, int eighths) {
    const long long frames = view.offset_to_frames(std::llabs((long long)width * eighths) / 8);
    const long long ms = std::max(frames, 1LL) * frame_ms;
    return int(std::clamp(eighths < 0 ? -ms : ms, -(1LL << 30), 1LL << 30));
}

int last_page_frame(const ViewState& view, int frame_count, int width) {
    return int(std::max<long long>(0, frame_count - view.offset_to_frames(width)));
}

QString zoom_caption(const ViewState& view) {
    const std::int64_t z = view.zoom_in_force();
    // Whole pixel/s from 10 up, one decimal below, three below 0.1.
    const int decimals = z >= 10000 ? 0 : (z >= 100 ? 1 : 3);
    return QString::number(double(z) / 1000.0, 'f', decimals) +
           QLatin1String(pixel_per_second_suffix);
}

} // namespace pitkad
