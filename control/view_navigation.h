#pragma once
// Moving through a recording on the graph: continuous time zoom around a
// column, the whole recording in the window, row heights, and how far the
// wheel and the Home/End keys move. Pure arithmetic on the view state; the
// window applies the result through the transport and redraws.

#include "view/view_state.h"

#include <QString>

#include <cstdint>

namespace pitkad {

// The zoom that shows frames 0 … frame_count − 1 in `width` columns.
std::int64_t fit_zoom(int frame_count, int width);
// The widest zoom allowed: the whole recording, or 50 pixel/s when even
// that shows all of it.
std::int64_t widest_zoom(int frame_count, int width);

// Zooms time by `factor` (> 1 in, < 1 out) within widest_zoom … max_zoom,
// keeping the frame under column `anchor_x` under it. first_frame stays in
// 0 … frame_count. A zoom landing on a preset (50, 100, 200 pixel/s) is that
// preset, so its picture is exactly the preset's.
void zoom_time(ViewState& view, double factor, int anchor_x, int frame_count, int width);
// The whole recording in the window, from its start.
void fit_whole_recording(ViewState& view, int frame_count, int width);

// The row height `steps` steps from h, within 3 … 24.
int stepped_row_height(int h, int steps);

// Milliseconds the wheel moves the view for `eighths` of its width (a notch
// is one eighth); at least one frame per notch.
int wheel_scroll_ms(const ViewState& view, int width, int eighths);
// The first frame of the recording's last page at this zoom.
int last_page_frame(const ViewState& view, int frame_count, int width);

// "73 pixel/s", "0.7 pixel/s": the zoom in force, as the scroll speed button shows it.
QString zoom_caption(const ViewState& view);

} // namespace pitkad
